#include "tests/support/gui_driver_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testsupport {

// --- processes ---------------------------------------------------------------

std::string windowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string result = "Z:" + path;
    for (char& c : result)
        if (c == '/') c = '\\';
    return result;
}

ChildProcess::~ChildProcess() {
    if (!info_.hProcess) return;
    if (running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
}

bool ChildProcess::start(const std::string& program, const std::string& arguments,
                         const std::string& folder) {
    std::string commandLine = "\"" + windowsPath(program) + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info_) != 0;
}

bool ChildProcess::running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::waitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

// --- finding windows ---------------------------------------------------------

std::string className(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

namespace {

struct TopSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK collectTop(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TopSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->processId && IsWindowVisible(window)) search->found.push_back(window);
    return TRUE;
}

struct DescendantSearch {
    const std::function<bool(HWND)>* test;
    HWND found;
};

BOOL CALLBACK matchDescendant(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DescendantSearch*>(param);
    if ((*search->test)(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::vector<HWND> topWindows(DWORD processId) {
    TopSearch search{processId, {}};
    EnumWindows(collectTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForTopWindow(DWORD processId, const std::function<bool(HWND)>& test, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND window : topWindows(processId))
            if (test(window)) return window;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(30);
    }
}

HWND waitForDialog(DWORD processId, const std::string& caption, DWORD timeoutMs,
                   const std::vector<HWND>& except) {
    return waitForTopWindow(
        processId,
        [&](HWND window) {
            if (className(window) != "#32770") return false;
            for (HWND known : except)
                if (known == window) return false;
            return caption.empty() || textOf(window) == caption;
        },
        timeoutMs);
}

bool waitForWindowGone(HWND window, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(30);
    }
    return true;
}

HWND findDescendant(HWND root, const std::function<bool(HWND)>& test) {
    DescendantSearch search{&test, nullptr};
    EnumChildWindows(root, matchDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// --- input -------------------------------------------------------------------

void pressButton(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

void typeChars(HWND edit, const std::string& text) {
    DWORD_PTR result = 0;
    for (unsigned char c : text)
        SendMessageTimeoutA(edit, WM_CHAR, c, 1, SMTO_ABORTIFHUNG, 5000, &result);
}

std::string textOf(HWND window) {
    // WM_GETTEXT asks the control itself: GetWindowText of another process's
    // window only reads the caption the system keeps, which an edit box
    // does not update.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return "";
    std::vector<char> buffer(length + 2);
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    return std::string(buffer.data());
}

void setWindowText(HWND window, const std::string& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &result);
}

// --- system dialogs ----------------------------------------------------------

namespace {

// Ids of the Open dialog's file-name box: the combo box of the Explorer
// style, or the plain edit of the older one.
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;

bool hasAncestorWithId(HWND window, HWND root, int id) {
    for (HWND w = window; w && w != root; w = GetParent(w))
        if (GetDlgCtrlID(w) == id) return true;
    return false;
}

} // namespace

bool answerOpenDialog(HWND dialog, const std::string& path) {
    HWND edit = findDescendant(dialog, [&](HWND w) {
        return className(w) == "Edit" && IsWindowVisible(w) &&
               (hasAncestorWithId(w, dialog, kFileNameCombo) || GetDlgCtrlID(w) == kFileNameEdit);
    });
    HWND ok = GetDlgItem(dialog, IDOK);
    if (!edit || !ok) return false;
    setWindowText(edit, path);
    if (textOf(edit) != path) return false;
    pressButton(ok);
    return true;
}

namespace {

// A TVITEMA with its text buffer inside the target process, so that the
// tree (which only understands its own addresses) can fill it.
class RemoteItem {
  public:
    explicit RemoteItem(HANDLE process) : process_(process) {
        memory_ = static_cast<char*>(
            VirtualAllocEx(process, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteItem() {
        if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    }
    RemoteItem(const RemoteItem&) = delete;
    RemoteItem& operator=(const RemoteItem&) = delete;

    bool text(HWND tree, HTREEITEM item, std::string* out) {
        if (!memory_) return false;
        TVITEMA tv{};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = memory_ + sizeof(TVITEMA);
        tv.cchTextMax = kTextSize;
        char zeros[kTextSize] = {};
        SIZE_T n = 0;
        if (!WriteProcessMemory(process_, memory_, &tv, sizeof tv, &n) ||
            !WriteProcessMemory(process_, memory_ + sizeof(TVITEMA), zeros, sizeof zeros, &n))
            return false;
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(memory_),
                                 SMTO_ABORTIFHUNG, 5000, &result) ||
            !result)
            return false;
        char buffer[kTextSize] = {};
        if (!ReadProcessMemory(process_, memory_ + sizeof(TVITEMA), buffer, sizeof buffer - 1, &n))
            return false;
        *out = buffer;
        return true;
    }

  private:
    static constexpr int kTextSize = 512;
    static constexpr SIZE_T kSize = sizeof(TVITEMA) + kTextSize;
    HANDLE process_;
    char* memory_ = nullptr;
};

HTREEITEM treeItem(HWND tree, UINT relation, HTREEITEM item) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item),
                        SMTO_ABORTIFHUNG, 5000, &result);
    return reinterpret_cast<HTREEITEM>(result);
}

void treeCommand(HWND tree, UINT message, WPARAM wParam, HTREEITEM item) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(tree, message, wParam, reinterpret_cast<LPARAM>(item), SMTO_ABORTIFHUNG,
                        10000, &result);
}

} // namespace

bool selectFolderInBrowser(HANDLE process, HWND browser, const std::vector<std::string>& names,
                           std::string* trail) {
    HWND tree = findDescendant(browser, [](HWND w) { return className(w) == WC_TREEVIEWA; });
    if (!tree) return false;
    RemoteItem remote(process);
    HTREEITEM item = treeItem(tree, TVGN_ROOT, nullptr);
    for (const std::string& name : names) {
        if (!item) return false;
        treeCommand(tree, TVM_EXPAND, TVE_EXPAND, item);
        HTREEITEM exact = nullptr, partial = nullptr;
        for (HTREEITEM child = treeItem(tree, TVGN_CHILD, item); child && !exact;
             child = treeItem(tree, TVGN_NEXT, child)) {
            std::string text;
            if (!remote.text(tree, child, &text)) return false;
            if (trail) *trail += "[" + text + "]";
            if (text == name)
                exact = child;
            else if (!partial && text.find(name) != std::string::npos)
                partial = child;
        }
        if (trail) *trail += " -> ";
        item = exact ? exact : partial;
    }
    if (!item) return false;
    treeCommand(tree, TVM_SELECTITEM, TVGN_CARET, item);
    treeCommand(tree, TVM_ENSUREVISIBLE, 0, item);
    return treeItem(tree, TVGN_CARET, nullptr) == item;
}

// --- message boxes -----------------------------------------------------------

namespace {

struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> data;
};

// Draws into a screen-compatible bitmap of the given size and reads it back.
template <class Draw> Pixels drawAndRead(int width, int height, Draw draw) {
    Pixels p;
    p.width = width;
    p.height = height;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory, screen);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.data.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return p;
}

// The pixels of a rectangle of the screen as shown now.
Pixels capture(const RECT& r) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    return drawAndRead(width, height, [&](HDC memory, HDC screen) {
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    });
}

// A system icon as the box's icon control draws it: stretched to the
// control on the box's background.
Pixels render(LPCSTR id, int width, int height, COLORREF background) {
    return drawAndRead(width, height, [&](HDC memory, HDC) {
        RECT all{0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        if (id)
            DrawIconEx(memory, 0, 0, LoadIconA(nullptr, id), width, height, 0, nullptr, DI_NORMAL);
    });
}

// Mean difference per colour channel.
double difference(const Pixels& a, const Pixels& b) {
    if (a.data.size() != b.data.size() || a.data.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.data.size(); ++i) {
        sum += std::abs(int(GetRValue(a.data[i])) - int(GetRValue(b.data[i])));
        sum += std::abs(int(GetGValue(a.data[i])) - int(GetGValue(b.data[i])));
        sum += std::abs(int(GetBValue(a.data[i])) - int(GetBValue(b.data[i])));
    }
    return sum / (3.0 * double(a.data.size()));
}

std::string iconShown(HWND box) {
    HWND icon = findDescendant(box, [](HWND w) {
        return className(w) == "Static" && IsWindowVisible(w) &&
               (GetWindowLongA(w, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    });
    DWORD_PTR shownIcon = 0;
    if (!icon ||
        !SendMessageTimeoutA(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &shownIcon) ||
        !shownIcon)
        return "";
    // The box must be seen whole: raise it above the other windows of the
    // shared display and let it repaint.
    SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    RECT r{};
    GetClientRect(icon, &r);
    MapWindowPoints(icon, nullptr, reinterpret_cast<POINT*>(&r), 2);
    struct Candidate {
        const char* name;
        LPCSTR id;
    } candidates[] = {{"information", IDI_INFORMATION},
                      {"error", IDI_ERROR},
                      {"warning", IDI_WARNING},
                      {"question", IDI_QUESTION}};
    // The same answer from two pictures in a row, so that a box caught
    // while painting is looked at again.
    const char* answer = nullptr;
    const char* previous = nullptr;
    for (int attempt = 0; attempt < 30 && !answer; ++attempt) {
        Sleep(100);
        Pixels shown = capture(r);
        const char* best = nullptr;
        double bestScore = 1e9;
        COLORREF background = shown.data.empty() ? 0 : shown.data.front(); // outside the picture
        for (const Candidate& c : candidates) {
            double score = difference(shown, render(c.id, shown.width, shown.height, background));
            if (score < bestScore) {
                bestScore = score;
                best = c.name;
            }
        }
        if (bestScore > 8.0) best = nullptr; // only a close likeness counts
        if (best && previous == best) answer = best;
        previous = best;
    }
    SetWindowPos(box, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return answer ? answer : "unknown";
}

} // namespace

MessageBoxView readMessageBox(HWND box) {
    MessageBoxView view;
    view.caption = textOf(box);
    if (HWND text = GetDlgItem(box, 0xFFFF)) view.text = textOf(text);
    view.icon = iconShown(box);
    return view;
}

// --- pictures ------------------------------------------------------------------

namespace {

ScreenGrab grab(const RECT& area, const std::vector<HWND>& windows) {
    ScreenGrab grab;
    grab.width = area.right - area.left;
    grab.height = area.bottom - area.top;
    if (grab.width <= 0 || grab.height <= 0) return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = grab.width;
    info.bmiHeader.biHeight = -grab.height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    if (windows.empty()) {
        BitBlt(memory, 0, 0, grab.width, grab.height, screen, area.left, area.top, SRCCOPY);
    } else {
        PatBlt(memory, 0, 0, grab.width, grab.height, WHITENESS);
        for (HWND window : windows) {
            RECT bounds{};
            GetWindowRect(window, &bounds);
            HDC dc = GetWindowDC(window);
            BitBlt(memory, bounds.left - area.left, bounds.top - area.top,
                   bounds.right - bounds.left, bounds.bottom - bounds.top, dc, 0, 0, SRCCOPY);
            ReleaseDC(window, dc);
        }
    }
    GdiFlush();
    const auto* bytes = static_cast<const unsigned char*>(bits);
    grab.bgrx.assign(bytes, bytes + std::size_t(grab.width) * std::size_t(grab.height) * 4);
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return grab;
}

} // namespace

// --- menus -------------------------------------------------------------------

std::vector<HWND> menusOf(DWORD processId) {
    std::vector<HWND> menus;
    for (HWND window : topWindows(processId))
        if (className(window) == "#32768") menus.push_back(window);
    return menus;
}

namespace {

COLORREF pixelAt(const ScreenGrab& grab, int x, int y) {
    const unsigned char* p = &grab.bgrx[(std::size_t(y) * grab.width + x) * 4];
    return RGB(p[2], p[1], p[0]);
}

// The menu's client area inside the frame the menu draws, as shown now.
ScreenGrab grabMenu(HWND menu) {
    RECT area{};
    GetClientRect(menu, &area);
    InflateRect(&area, -3, -3);
    MapWindowPoints(menu, nullptr, reinterpret_cast<POINT*>(&area), 2);
    return grabScreen(area);
}

std::string readGrab(const ScreenGrab& grab) {
    // Rows that differ from the menu's background make bands: an item's
    // text (or its whole height when selected), or a separator's line.
    const COLORREF background = GetSysColor(COLOR_MENU);
    struct Band {
        int top, bottom, inkLeft, darkest;
    };
    std::vector<Band> bands;
    for (int y = 0; y < grab.height; ++y) {
        bool blank = true;
        for (int x = 0; x < grab.width && blank; ++x)
            blank = pixelAt(grab, x, y) == background;
        if (blank) continue;
        if (bands.empty() || bands.back().bottom != y) bands.push_back({y, y, grab.width, 0});
        ++bands.back().bottom;
    }
    std::string items;
    int textLeft = 0;
    for (Band& band : bands) {
        // A selected item is filled: its fill is what the right end shows.
        const COLORREF fill = pixelAt(grab, grab.width - 1, (band.top + band.bottom) / 2);
        for (int y = band.top; y < band.bottom; ++y)
            for (int x = 0; x < grab.width - 1; ++x) {
                const COLORREF c = pixelAt(grab, x, y);
                if (c == fill) continue;
                band.inkLeft = std::min(band.inkLeft, x);
                band.darkest =
                    std::max(band.darkest, 765 - GetRValue(c) - GetGValue(c) - GetBValue(c));
            }
        const bool separator = band.bottom - band.top <= 3;
        // Grey text has no pixel near black.
        items += separator ? '|' : fill == background && band.darkest < 600 ? '-' : '.';
        if (!separator) textLeft = std::max(textLeft, band.inkLeft);
    }
    // Every item's text starts at one column; a mark stands left of it.
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == '.' && bands[i].inkLeft < textLeft - 4) items[i] = 'x';
    return items;
}

} // namespace

HWND waitForMenu(DWORD processId, const std::vector<HWND>& except, DWORD timeoutMs) {
    HWND menu = waitForTopWindow(
        processId,
        [&](HWND w) {
            return className(w) == "#32768" &&
                   std::find(except.begin(), except.end(), w) == except.end();
        },
        timeoutMs);
    // Painted once its right end (where no text reaches) shows the menu's
    // colours, not black or what lay beneath, and three looks in 200 ms
    // agree.
    const COLORREF fills[] = {GetSysColor(COLOR_MENU), GetSysColor(COLOR_HIGHLIGHT)};
    std::string last;
    for (DWORD start = GetTickCount(), agreeing = 0; menu && agreeing < 2; Sleep(100)) {
        const ScreenGrab grab = grabMenu(menu);
        int filled = 0;
        for (int y = 0; y < grab.height; ++y)
            filled +=
                std::count(std::begin(fills), std::end(fills), pixelAt(grab, grab.width - 1, y));
        const std::string now = readGrab(grab);
        agreeing =
            grab.height > 0 && filled * 10 >= grab.height * 9 && now == last ? agreeing + 1 : 0;
        last = now;
        if (GetTickCount() - start > timeoutMs) break;
    }
    return menu;
}

std::string readMenu(HWND menu) {
    return readGrab(grabMenu(menu));
}

void pressMenuKeys(HWND menu, const std::vector<WPARAM>& keys) {
    for (WPARAM key : keys) {
        PostMessageA(menu, WM_KEYDOWN, key, 1);
        PostMessageA(menu, WM_KEYUP, key, 1 | (3u << 30));
        Sleep(100);
    }
}

ScreenGrab grabScreen(const RECT& area) {
    return grab(area, {});
}

ScreenGrab grabWindows(const RECT& area, const std::vector<HWND>& windows) {
    return grab(area, windows);
}

bool saveSideBySide(const std::vector<ScreenGrab>& grabs, const std::string& path) {
    int width = 0, height = 0;
    for (const ScreenGrab& grab : grabs) {
        width += grab.width;
        height = std::max(height, grab.height);
    }
    if (width <= 0 || height <= 0) return false;
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    std::vector<unsigned char> rows(stride * std::size_t(height), 0xFF); // bottom row first
    int left = 0;
    for (const ScreenGrab& grab : grabs) {
        for (int y = 0; y < grab.height; ++y) {
            unsigned char* row = &rows[stride * std::size_t(height - 1 - y)];
            for (int x = 0; x < grab.width; ++x) {
                const unsigned char* from = &grab.bgrx[(std::size_t(y) * grab.width + x) * 4];
                std::copy(from, from + 3, row + std::size_t(left + x) * 3);
            }
        }
        left += grab.width;
    }
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + rows.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                   std::fwrite(&header, sizeof header, 1, out) == 1 &&
                   std::fwrite(rows.data(), rows.size(), 1, out) == 1;
    return std::fclose(out) == 0 && written;
}

} // namespace testsupport
