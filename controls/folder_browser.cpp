#include "controls/folder_browser.h"

#include <windows.h>

#include <shlobj.h>

#include <cstring>

namespace folderbrowser {

namespace {

#if defined(__i386__)
#define FB_STDCALL __attribute__((stdcall))
#else
#define FB_STDCALL
#endif
using Service = std::uintptr_t(FB_STDCALL*)(std::uintptr_t, std::uintptr_t, std::uintptr_t);

constexpr std::uintptr_t kAllocate = 2024;
constexpr std::uintptr_t kWindowCount = 2032;
constexpr std::uintptr_t kWindowAt = 2033;
constexpr std::uint32_t kSpare = 128;
constexpr std::uint32_t kMaxSlack = 256;

Service gService;
SmallPool gPool;
bool gPoolOn = true;

std::uintptr_t request(std::uintptr_t code, std::uintptr_t first, std::uintptr_t second) {
    return gService ? gService(code, first, second) : 0;
}

bool inPool(const SmallPool* pool, const std::uint8_t* data) {
    auto* first = &pool->blocks[0][0];
    return data >= first && data < first + sizeof(pool->blocks);
}

void releaseData(ByteBuffer* b) {
    if (!b->data) return;
    if (b->pool && inPool(b->pool, b->data)) {
        std::size_t i = static_cast<std::size_t>(b->data - &b->pool->blocks[0][0]) / kPoolBlockSize;
        b->pool->used[i] = 0;
        --b->pool->inUse;
    } else {
        HeapFree(GetProcessHeap(), 0, b->data);
    }
    b->data = nullptr;
    b->capacity = b->size = 0;
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
HWND disableOwners(ByteBuffer* saved) {
    HWND active = GetActiveWindow();
    if (!IsWindow(active)) active = nullptr;
    Pair head{asWord(active), asWord(GetForegroundWindow())};
    bufferAppend(saved, &head, sizeof head);
    auto count = static_cast<std::int32_t>(request(kWindowCount, 0, 0));
    for (std::int32_t i = 0; i < count; ++i) {
        HWND window = asWindow(request(kWindowAt, static_cast<std::uintptr_t>(i), 0));
        if (!window || GetParent(window)) continue;
        Pair pair{asWord(window), IsWindowEnabled(window) ? 1u : 0u};
        if (bufferAppend(saved, &pair, sizeof pair) < 0) continue; // left enabled
        EnableWindow(window, FALSE);
    }
    return active;
}

void restoreOwners(const ByteBuffer* saved) {
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

SmallPool& smallPool() {
    return gPool;
}

bool bufferInPool(const ByteBuffer* buffer) {
    return buffer->data && buffer->pool && inPool(buffer->pool, buffer->data);
}

bool bufferResize(ByteBuffer* b, std::uint32_t n) {
    if (n == 0) {
        releaseData(b);
        return true;
    }
    HANDLE heap = GetProcessHeap();
    if (!b->data) {
        SmallPool* pool = b->pool;
        if (gPoolOn && pool && n <= kPoolBlockSize && pool->inUse < kPoolBlocks) {
            for (int i = 0; i < kPoolBlocks; ++i) {
                if (pool->used[i]) continue;
                pool->used[i] = 1;
                ++pool->inUse;
                b->data = pool->blocks[i];
                b->capacity = kPoolBlockSize;
                b->size = n;
                return true;
            }
        }
        auto* data = static_cast<std::uint8_t*>(HeapAlloc(heap, 0, n + kSpare));
        if (!data) return false;
        b->data = data;
        b->capacity = n + kSpare;
        b->size = n;
        return true;
    }
    bool pooled = bufferInPool(b);
    if (b->capacity >= n && (pooled || b->capacity - n <= kMaxSlack)) {
        b->size = n;
        return true;
    }
    if (pooled) {
        auto* data = static_cast<std::uint8_t*>(HeapAlloc(heap, 0, n + kSpare));
        if (!data) return false;
        std::memcpy(data, b->data, n < b->size ? n : b->size);
        releaseData(b);
        b->data = data;
    } else {
        auto* data = static_cast<std::uint8_t*>(HeapReAlloc(heap, 0, b->data, n + kSpare));
        if (!data) return false;
        b->data = data;
    }
    b->capacity = n + kSpare;
    b->size = n;
    return true;
}

std::int32_t bufferAppend(ByteBuffer* b, const void* bytes, std::int32_t n) {
    auto at = static_cast<std::int32_t>(b->size);
    if (n <= 0) return at;
    if (!bufferResize(b, b->size + static_cast<std::uint32_t>(n))) return -1;
    if (bytes)
        std::memcpy(b->data + at, bytes, static_cast<std::size_t>(n));
    else
        std::memset(b->data + at, 0, static_cast<std::size_t>(n));
    return at;
}

void bufferFree(ByteBuffer* buffer) {
    releaseData(buffer);
}

std::uintptr_t notify(std::uintptr_t event, std::uintptr_t first, std::uintptr_t) {
    if (event != 1) return static_cast<std::uintptr_t>(-1);
    gService = reinterpret_cast<Service>(first);
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

    ByteBuffer saved = emptyBuffer();
    info.hwndOwner = disableOwners(&saved);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    restoreOwners(&saved);

    if (chosen) {
        path[0] = '\0';
        if (SHGetPathFromIDListA(chosen, path)) {
            std::size_t n = std::strlen(path);
            if (n > 0) {
                auto* text = reinterpret_cast<char*>(request(kAllocate, n + 1, 0));
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
    bufferFree(&saved);
}

} // namespace folderbrowser
