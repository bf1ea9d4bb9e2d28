#include "app/application.h"

#include <windows.h>

#include <cfloat>

#include "app/libraries.h"
#include "app/split_core.h"
#include "app/test_seams.h"
#include "app/tool_dialog.h"
#include "app/tool_menu.h"
#include "runtime/platform.h"
#include "runtime/process.h"
#include "runtime/service.h"
#include "runtime/values.h"

// ActiveX control hosting; ATL.DLL exports it by ordinal only (cmake/atl.def).
extern "C" __declspec(dllimport) BOOL WINAPI AtlAxWinInit();

namespace app {

namespace {

constexpr std::int32_t kFirstAutomaticControlId = 500;

void createGlobalObjects() {
    ToolObjects& t = tool();
    t.dialog = win::newWindowObject<win::Dialog>();
    t.importButton = win::newWindowObject<win::Button>();
    t.exportButton = win::newWindowObject<win::Button>();
    t.countEdit = win::newWindowObject<win::EditBox>();
    t.label = win::newWindowObject<win::Label>();
    t.messageLine = win::newWindowObject<win::Label>();
    // Start-up has not filled the module instance yet, so the file dialog's
    // record keeps a null instance (it needs none without a template).
    t.fileDialog = newFileDialog(win::moduleInstance());
    createLines();
    win::createWindowRegistry();
}

// Exit hook 1: every object in creation order, then the lines, then the
// registry that the objects were found through.
void applicationCleanup() {
    ToolObjects& t = tool();
    win::releaseObject(t.dialog);
    win::releaseObject(t.importButton);
    win::releaseObject(t.exportButton);
    win::releaseObject(t.countEdit);
    win::releaseObject(t.label);
    win::releaseObject(t.messageLine);
    win::releaseObject(t.fileDialog);
    releaseToolMenus();
    releaseLines();
    win::releaseWindowRegistry();
}

void startWindowLibrary() {
    if (!win::moduleInstance()) win::setModuleInstance(GetModuleHandleA(nullptr));
    win::setAutomaticControlId(kFirstAutomaticControlId);
    AtlAxWinInit();
}

[[noreturn]] void mainSequence() {
    _fpreset(); // default FPU state: exceptions masked, round to nearest
    createGlobalObjects();
    applyTestSeams(); // the test copy's; nothing in the product
    rt::setExitHook(rt::kAppCleanupHook, applicationCleanup);
    startWindowLibrary();
    showToolDialog(); // the whole working life of the tool
    rt::endProcess(0);
}

} // namespace

int runEntry() {
    platform::cacheProcessHeap();
    rt::holdMemoryReserve();
    installCommandLibraries();
    rt::startCommandLibraries();
    rt::recordReturnPoint();
    mainSequence();
}

} // namespace app
