// The tool while it works (an import, an export): the window stays alive,
// the message line shows how far the work is, and the work can be stopped.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/progress.h"
#include "runtime/values.h"
#include "window/handles.h"

namespace app {

// One piece of work of the tool's dialog, from construction to destruction.
// Meanwhile the two buttons and the count box take no input; pending
// messages are processed at least every 50 ms (the window repaints, moves
// and answers); the message line shows "正在导入…… 37%" or "正在导出…… 37%"
// whenever the whole percent changes. Esc stops the work; closing the dialog
// stops it and closes the dialog once the work has returned. Windows is told
// why the tool would rather the session did not end now ("正在导入文本",
// "正在导出文本"); if it ends all the same, the work stops there: an export's
// unfinished file is removed and the tool ends with code 0. Afterwards the
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
    void askToStop() { stopAsked_ = true; }
    Kind kind() const { return kind_; }
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
    win::Hook sessionWatch_;
    int percent_ = -1;
    bool stopAsked_ = false;
    bool stopped_ = false;
};

// Whether work is in progress: nothing else may start then.
bool toolWorking();

// Closing was asked: work in progress is asked to stop, and the dialog
// closes once it has (true); false when no work is in progress.
bool stopWorkToClose();

} // namespace app
