#include "controls/folder_browser.h"

#include <windows.h>

#include <shlobj.h>

#include <cstring>

#include "runtime/service.h"

namespace folderbrowser {

namespace {

rt::ServiceCallback gService;

std::uintptr_t request(std::uintptr_t code, std::uintptr_t first, std::uintptr_t second) {
    return gService ? gService(code, first, second) : 0;
}

// A window and its saved state, as recorded in the list.
struct Pair {
    std::uintptr_t first;
    std::uintptr_t second;
};

HWND asWindow(std::uintptr_t w) {
    return reinterpret_cast<HWND>(w);
}
std::uintptr_t asWord(HWND w) {
    return reinterpret_cast<std::uintptr_t>(w);
}

// Records the active and foreground windows and disables the program's other
// top-level windows; returns the dialog's owner.
HWND disableOwners(rt::GrowBuffer* saved) {
    HWND active = GetActiveWindow();
    if (!IsWindow(active)) active = nullptr;
    Pair head{asWord(active), asWord(GetForegroundWindow())};
    // Without the head no pair could be told from it: then nothing is disabled.
    if (rt::growAppend(saved, &head, sizeof head) < 0) return active;
    auto count = static_cast<std::int32_t>(request(rt::kRequestWindowCount, 0, 0));
    for (std::int32_t i = 0; i < count; ++i) {
        HWND window = asWindow(request(rt::kRequestWindowAt, static_cast<std::uintptr_t>(i), 0));
        if (!window || GetParent(window)) continue;
        Pair pair{asWord(window), IsWindowEnabled(window) ? 1u : 0u};
        if (rt::growAppend(saved, &pair, sizeof pair) < 0) continue; // left enabled
        EnableWindow(window, FALSE);
    }
    return active;
}

void restoreOwners(const rt::GrowBuffer* saved) {
    if (saved->size < sizeof(Pair)) return;
    Pair head;
    std::memcpy(&head, saved->data, sizeof head);
    for (std::uint32_t at = sizeof(Pair); at + sizeof(Pair) <= saved->size; at += sizeof(Pair)) {
        Pair pair;
        std::memcpy(&pair, saved->data + at, sizeof pair);
        EnableWindow(asWindow(pair.first), pair.second ? TRUE : FALSE);
    }
    if (head.second && IsWindow(asWindow(head.second))) SetForegroundWindow(asWindow(head.second));
    if (head.first && IsWindow(asWindow(head.first))) SetActiveWindow(asWindow(head.first));
}

} // namespace

std::uintptr_t notify(std::uintptr_t event, std::uintptr_t first, std::uintptr_t) {
    if (event != 1) return static_cast<std::uintptr_t>(-1);
    gService = reinterpret_cast<rt::ServiceCallback>(first);
    return 0;
}

void browseForFolder(rt::ValueBlock* result, std::uintptr_t count, rt::ValueBlock* arguments) {
    *result = rt::ValueBlock::ofText(nullptr);
    const char* title = count >= 1 ? arguments[0].asText() : nullptr;
    bool withFiles = count >= 2 && !arguments[1].omitted() && arguments[1].low != 0;

    char path[MAX_PATH] = {};
    BROWSEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.pszDisplayName = path;
    info.lpszTitle = title;
    info.ulFlags = BIF_EDITBOX | (withFiles ? BIF_BROWSEINCLUDEFILES : 0);

    rt::GrowBuffer saved;
    rt::growInit(&saved);
    info.hwndOwner = disableOwners(&saved);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    restoreOwners(&saved);

    if (chosen) {
        path[0] = '\0';
        if (SHGetPathFromIDListA(chosen, path)) {
            std::size_t n = std::strlen(path);
            if (n > 0) {
                auto* text = reinterpret_cast<char*>(request(rt::kRequestAllocate, n + 1, 0));
                if (text) {
                    std::memcpy(text, path, n + 1);
                    *result = rt::ValueBlock::ofText(text);
                }
            }
        }
        IMalloc* shellMalloc = nullptr;
        if (SUCCEEDED(SHGetMalloc(&shellMalloc))) {
            shellMalloc->Free(chosen);
            shellMalloc->Release();
        }
    }
    rt::growRelease(&saved);
}

} // namespace folderbrowser
