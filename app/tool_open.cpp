#include "app/tool_open.h"

#include <shlobj.h>

#include <cstring>

#include "app/tool_dialog.h"
#include "app/tool_work.h"
#include "runtime/platform.h"
#include "runtime/service.h"
#include "runtime/text.h"

namespace app {

namespace {

rt::TextValue gStartPath; // named on the command line, imported once the dialog is up
constexpr UINT_PTR kStartTimer = 0x5453;

void CALLBACK importStartPath(HWND dialog, UINT, UINT_PTR id, DWORD) {
    KillTimer(dialog, id);
    rt::TextValue path(gStartPath.release());
    // Nothing is in progress at start; the Open dialog may be up already.
    if (!toolBusy()) importPath(path.get());
}

// The shell's WM_DROPFILES: the names in a global block after a DROPFILES
// record, posted to the window at the point that takes files, or its
// nearest ancestor that does.
void postDrop(HWND dialog, const COPYDATASTRUCT& data) {
    if (data.cbData < sizeof(DropSeamPoint) + 2) return;
    DropSeamPoint at;
    std::memcpy(&at, data.lpData, sizeof at);
    const auto* names = static_cast<const char*>(data.lpData) + sizeof at;
    const std::size_t bytes = data.cbData - sizeof at;
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + bytes);
    if (!block) return;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = {at.x, at.y};
    std::memcpy(drop + 1, names, bytes);
    GlobalUnlock(block);
    POINT client{at.x, at.y};
    HWND target = ChildWindowFromPointEx(dialog, client, CWP_SKIPINVISIBLE);
    while (target && target != dialog && !(GetWindowLongA(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
        target = GetParent(target);
    BOOL posted = target && PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
    if (!posted) GlobalFree(block);
}

LRESULT CALLBACK dropSeam(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data && data->dwData == kDropSeamData) postDrop(tool().dialog->handle(), *data);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void makeDropSeam() {
    WNDCLASSA seam{};
    seam.lpfnWndProc = dropSeam;
    seam.hInstance = GetModuleHandleA(nullptr);
    seam.lpszClassName = kDropSeamClass;
    RegisterClassA(&seam);
    CreateWindowExA(0, kDropSeamClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, seam.hInstance,
                    nullptr);
}

bool isFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

char* pathFromArguments(const char* arguments) {
    const char* from = rt::orEmpty(arguments);
    while (*from == ' ' || *from == '\t')
        ++from;
    const char* to = from + std::strlen(from);
    if (*from == '"') {
        ++from;
        const char* quote = std::strchr(from, '"');
        to = quote ? quote : to;
    } else {
        while (to > from && (to[-1] == ' ' || to[-1] == '\t'))
            --to;
    }
    rt::TextValue named(rt::newText(from, std::uint32_t(to - from)));
    if (named.empty()) return named.release();
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(named.get(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return named.release();
    return rt::copyText(full);
}

void acceptFilesFor(HWND dialog) {
    tool().dialog->setFileDropHandler(reinterpret_cast<win::Handler>(&filesDropped));
    tool().dialog->acceptFiles(true);
    if (GetEnvironmentVariableA("TEXTSPLIT_DROP_SEAM", nullptr, 0) &&
        !FindWindowExA(HWND_MESSAGE, nullptr, kDropSeamClass, nullptr))
        makeDropSeam();
    gStartPath.reset(pathFromArguments(rt::argumentsAfterProgramName(GetCommandLineA())));
    if (!gStartPath.empty()) SetTimer(dialog, kStartTimer, 0, importStartPath);
}

std::intptr_t filesDropped(const char* names) {
    if (toolBusy()) return 0;
    const char* text = rt::orEmpty(names);
    const char* end = std::strstr(text, "\r\n");
    rt::TextValue first(rt::newText(text, std::uint32_t(end ? end - text : std::strlen(text))));
    if (first.empty() || isFolder(first.get())) return 0;
    importPath(first.get());
    return 0;
}

} // namespace app
