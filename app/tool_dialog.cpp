#include "app/tool_dialog.h"

#include "app/split_core.h"
#include "app/tool_close.h"
#include "app/tool_menu.h"
#include "app/tool_open.h"
#include "app/tool_work.h"
#include "controls/folder_browser.h"
#include "runtime/convert.h"
#include "runtime/service.h"
#include "skin/skin_library.h"

namespace app {

const char kOpenTitle[] = "导入欲分割的文本内容(软件是按每行分割)";
const char kOpenFilter[] = "文本文件(*.txt)|*.txt";
const char kOpenDefaultExtension[] = "txt";
const char kFolderTitle[] = "选择要保存导出数据的文件夹";

namespace {

ToolObjects gTool;

constexpr std::int32_t kSkinScheme = 1;
constexpr std::uint32_t kInformationIcon = MB_ICONINFORMATION;

// The Open dialog, the folder browser and the boxes run message loops that
// dispatch clicks on the tool's buttons. A click handler entered again while
// its own dialog or box is up does nothing: one import and one export at a
// time.
class OneAtATime {
  public:
    explicit OneAtATime(bool* busy) : busy_(*busy ? nullptr : busy) {
        if (busy_) *busy_ = true;
    }
    ~OneAtATime() {
        if (busy_) *busy_ = false;
    }
    OneAtATime(const OneAtATime&) = delete;
    OneAtATime& operator=(const OneAtATime&) = delete;
    bool entered() const { return busy_ != nullptr; }

  private:
    bool* busy_;
};

bool gImporting;
bool gExporting;

} // namespace

ToolObjects& tool() {
    return gTool;
}

bool toolBusy() {
    return toolWorking() || gImporting || gExporting;
}

std::intptr_t initToolDialog(HWND dialog) {
    // The skin first: it subclasses the items that exist now, and the
    // bindings below then sit on top of it.
    rt::callLibraryCommand(reinterpret_cast<const void*>(&skin::applySkin),
                           {rt::ValueBlock::ofInt(kSkinScheme)});

    gTool.importButton->bindDialogItem(dialog, kImportItem);
    gTool.exportButton->bindDialogItem(dialog, kExportItem);
    gTool.countEdit->bindDialogItem(dialog, kCountItem);
    gTool.label->bindDialogItem(dialog, kLabelItem);
    gTool.messageLine->bindDialogItem(dialog, kMessageLineItem);

    HICON icon = LoadIconA(win::moduleInstance(), MAKEINTRESOURCEA(kToolIcon));
    gTool.dialog->icon(icon, ICON_SMALL);

    gTool.importButton->setClickHandler(win::handlerOf(&importClick));
    gTool.exportButton->setClickHandler(win::handlerOf(&exportClick));
    gTool.dialog->setCloseHandler(win::handlerOf(&toolCloseRequested));
    acceptFilesFor(dialog);
    setUpToolMenus(dialog);
    return 0;
}

void importPath(const char* path) {
    if (toolWorking() || toolClosing()) return;
    ToolWork work(ToolWork::kImport);
    std::int64_t count = importFile(path, &work, splitOptions().loneLf);
    // A stopped import leaves the lines and the message line as they were.
    if (!work.stopped()) work.setResult(importMessage(count));
}

// After each dialog or box the tool may be closing (its close dismissed that
// dialog or box): then nothing more happens.
std::intptr_t importClick() {
    OneAtATime once(&gImporting);
    if (!once.entered() || toolWorking() || toolClosing()) return 0;
    FileDialog* files = gTool.fileDialog;
    files->setup(kOpenTitle, kOpenFilter, 1, nullptr, kOpenDefaultExtension);
    if (files->showOpen(nullptr) != 1 || toolClosing()) return 0;
    rt::TextValue path(files->fileName());
    importPath(path.get());
    return 0;
}

std::intptr_t exportClick() {
    OneAtATime once(&gExporting);
    if (!once.entered() || toolWorking() || toolClosing()) return 0;
    rt::TextValue count(gTool.countEdit->content());
    if (const char* message = readinessMessage(count.get(), splitOptions())) {
        rt::messageBox(rt::ValueBlock::ofText(message), kInformationIcon, kMessageCaption);
        return 0;
    }
    rt::ValueBlock chosen =
        rt::callLibraryCommand(reinterpret_cast<const void*>(&folderbrowser::browseForFolder),
                               {rt::ValueBlock::ofText(kFolderTitle)});
    rt::TextValue folder(const_cast<char*>(chosen.asText()));
    if (folder.empty() || toolClosing()) return 0; // browsing cancelled: nothing to say
    ExportResult result;
    {
        ToolWork work(ToolWork::kExport);
        result = exportLines(folder.get(), count.get(), &work, splitOptions());
    }
    if (toolClosing()) return 0; // closed during the export: no box
    showExportReport(result);
    return 0;
}

INT_PTR showToolDialog() {
    return gTool.dialog->showModal(std::nullopt, MAKEINTRESOURCEA(kToolTemplate),
                                   win::handlerOf(&initToolDialog), "");
}

} // namespace app
