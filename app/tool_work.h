// The tool while it works (an import, an export): the window stays alive,
// the message line shows how far the work is, and the work can be stopped.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/progress.h"
#include "runtime/values.h"

namespace app {

// One piece of work of the tool's dialog, from construction to destruction.
// Meanwhile the two buttons and the count box take no input; pending
// messages are processed at least every 50 ms (the window repaints, moves
// and answers); the message line shows "正在导入…… 37%" or "正在导出…… 37%"
// whenever the whole percent changes. Esc stops the work; closing the dialog
// stops it and closes the dialog once the work has returned. Afterwards the
// controls take input again and the message line shows what it showed
// before, unless the caller gave it a new text.
class ToolWork final : public Progress {
  public:
    enum Kind { kImport, kExport };
    explicit ToolWork(Kind kind);
    ToolWork(const ToolWork&) = delete;
    ToolWork& operator=(const ToolWork&) = delete;
    ~ToolWork();

    bool keepGoing(std::uint64_t done, std::uint64_t total) override;
    // The work was asked to stop (and was told so).
    bool stopped() const { return stopped_; }
    // Closing the dialog was asked during the work: it closes when the work
    // object goes, and nothing more should be shown.
    bool closing() const;
    void askToStop() { stopAsked_ = true; }
    // The text the message line shows once the work is over.
    void setResult(char* owned) { result_.reset(owned); }

  private:
    void pump();
    void show(int percent);

    Kind kind_;
    rt::TextValue before_; // the message line's text before the work
    rt::TextValue result_;
    HWND focus_;
    DWORD lastPump_;
    int percent_ = -1;
    bool stopAsked_ = false;
    bool stopped_ = false;
};

// Whether work is in progress: nothing else may start then.
bool toolWorking();

// The dialog's close handler: while work is in progress the dialog stays
// until the work has stopped (answers 1, the close refused).
std::intptr_t toolCloseRequested();

} // namespace app
