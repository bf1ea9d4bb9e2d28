// The folder browser library: its notify function and the shell's folder
// browser driven as a user would, with a runtime service that
// records what the library asks for.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "controls/folder_browser.h"
#include "runtime/memory.h"
#include "runtime/service.h"

namespace {

// --- a runtime service that records the library's requests -----------------

struct Recorder {
    std::vector<std::uintptr_t> requests;
    std::vector<std::uintptr_t> allocations; // sizes asked for with 2024
    std::vector<HWND> windows;               // answered to 2032 and 2033
} gRecorder;

std::uintptr_t RT_STDCALL recordingService(std::uintptr_t request, std::uintptr_t first,
                                           std::uintptr_t second) {
    gRecorder.requests.push_back(request);
    switch (request) {
    case rt::kRequestAllocate:
        gRecorder.allocations.push_back(first);
        break;
    case rt::kRequestWindowCount:
        return gRecorder.windows.size();
    case rt::kRequestWindowAt:
        return first < gRecorder.windows.size()
                   ? reinterpret_cast<std::uintptr_t>(gRecorder.windows[first])
                   : 0;
    default:
        break;
    }
    return rt::runtimeService(request, first, second);
}

void useRecordingService() {
    gRecorder = Recorder();
    ASSERT_EQ(folderbrowser::notify(1, reinterpret_cast<std::uintptr_t>(&recordingService), 0), 0u);
}

TEST(FolderBrowserLibrary, NotifyKeepsTheCallbackOnlyAtStart) {
    EXPECT_EQ(folderbrowser::notify(1, reinterpret_cast<std::uintptr_t>(&recordingService), 0), 0u);
    EXPECT_EQ(folderbrowser::notify(6, 0, 0), static_cast<std::uintptr_t>(-1));
    EXPECT_EQ(folderbrowser::notify(0, 0, 0), static_cast<std::uintptr_t>(-1));
    EXPECT_EQ(folderbrowser::notify(2, 0x1234, 0), static_cast<std::uintptr_t>(-1));
}

// --- the browser on screen ---------------------------------------------------

std::string textOf(HWND window) {
    char buffer[1024] = {};
    SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

HWND findChild(HWND root, const std::function<bool(HWND)>& test) {
    struct Search {
        const std::function<bool(HWND)>* test;
        HWND found;
    } s{&test, nullptr};
    EnumChildWindows(
        root,
        [](HWND w, LPARAM p) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (!(*s->test)(w)) return TRUE;
            s->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool hasClass(HWND w, const char* cls) {
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return lstrcmpiA(name, cls) == 0;
}

// The browser of this process that shows the title above its tree.
HWND waitForBrowser(const std::string& title) {
    for (int i = 0; i < 750; ++i) {
        struct Search {
            const std::string* title;
            HWND found;
        } s{&title, nullptr};
        EnumWindows(
            [](HWND w, LPARAM p) CALLBACK -> BOOL {
                auto* s = reinterpret_cast<Search*>(p);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid != GetCurrentProcessId() || !IsWindowVisible(w) || !hasClass(w, "#32770"))
                    return TRUE;
                if (!findChild(
                        w, [&](HWND c) { return hasClass(c, "Static") && textOf(c) == *s->title; }))
                    return TRUE;
                s->found = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(20);
    }
    return nullptr;
}

HTREEITEM treeItem(HWND tree, UINT which, HTREEITEM from = nullptr) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, which, reinterpret_cast<LPARAM>(from)));
}

std::string itemText(HWND tree, HTREEITEM item) {
    char buffer[MAX_PATH] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = buffer;
    tv.cchTextMax = MAX_PATH;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return buffer;
}

std::vector<std::string> visibleItems(HWND tree) {
    std::vector<std::string> names;
    for (HTREEITEM i = treeItem(tree, TVGN_ROOT); i; i = treeItem(tree, TVGN_NEXTVISIBLE, i))
        names.push_back(itemText(tree, i));
    return names;
}

std::string specialFolderPath(int csidl) {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
    return path;
}

std::string displayName(int csidl) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) return "";
    SHFILEINFOA info = {};
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(list), 0, &info, sizeof info,
                   SHGFI_PIDL | SHGFI_DISPLAYNAME);
    CoTaskMemFree(list);
    return info.szDisplayName;
}

// What the user saw.
struct View {
    bool found = false;
    HWND owner = nullptr;
    std::string rootItem;
    std::vector<std::string> items;
    std::string walkedTo; // the item selected with the keyboard
};

// A user at the browser: looks, optionally walks the tree, presses a button.
class BrowserUser {
  public:
    BrowserUser(std::string title, int button, std::string walkTo = "",
                std::function<void(HWND)> look = {})
        : thread_([this, title, button, walkTo, look] {
              HWND browser = waitForBrowser(title);
              if (!browser) return;
              HWND tree = findChild(browser, [](HWND c) { return hasClass(c, "SysTreeView32"); });
              view_.found = tree != nullptr;
              view_.owner = GetWindow(browser, GW_OWNER);
              if (tree) {
                  for (int i = 0; i < 100 && !treeItem(tree, TVGN_ROOT); ++i)
                      Sleep(20);
                  view_.rootItem = itemText(tree, treeItem(tree, TVGN_ROOT));
                  view_.items = visibleItems(tree);
                  if (!walkTo.empty()) walk(tree, walkTo);
              }
              if (look) look(browser);
              PostMessageA(GetDlgItem(browser, button), BM_CLICK, 0, 0);
          }) {}
    ~BrowserUser() { wait(); }
    View wait() {
        if (thread_.joinable()) thread_.join();
        return view_;
    }

  private:
    // The tree starts without a caret item, and arrow keys only move an
    // existing one: put it on the root, then press Down until the item shows.
    void walk(HWND tree, const std::string& target) {
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET,
                     reinterpret_cast<LPARAM>(treeItem(tree, TVGN_ROOT)));
        for (int step = 0; step < 20; ++step) {
            HTREEITEM caret = treeItem(tree, TVGN_CARET);
            if (caret && itemText(tree, caret) == target) {
                view_.walkedTo = target;
                return;
            }
            PostMessageA(tree, WM_KEYDOWN, VK_DOWN, 0);
            for (int i = 0; i < 50 && treeItem(tree, TVGN_CARET) == caret; ++i)
                Sleep(10);
        }
    }

    View view_;
    std::thread thread_;
};

std::string uniqueTitle(const char* what) {
    return std::string(what) + " " + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount());
}

// Calls the command as the tool does: through the library command call.
std::string browse(const std::string& title, std::optional<bool> includeFiles = {}) {
    std::vector<rt::ValueBlock> args{rt::ValueBlock::ofText(title.c_str())};
    if (includeFiles) args.push_back(rt::ValueBlock::ofLogical(*includeFiles));
    rt::ValueBlock result =
        rt::callLibraryCommand(reinterpret_cast<const void*>(&folderbrowser::browseForFolder),
                               args.data(), static_cast<std::int32_t>(args.size()));
    char* path = static_cast<char*>(result.asPointer());
    if (path) {
        EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, path)) << "not a runtime heap block";
    }
    std::string s = rt::orEmpty(path);
    rt::free(path);
    return s;
}

std::string withoutTrailingSlash(std::string s) {
    if (s.size() > 3 && s.back() == '\\') s.pop_back();
    return s;
}

TEST(FolderBrowserShown, OpensOnTheDesktopAndOkGivesItsPath) {
    useRecordingService();
    std::string title = uniqueTitle("选择要保存导出数据的文件夹");
    BrowserUser user(title, IDOK);
    std::string path = browse(title);
    View view = user.wait();
    ASSERT_TRUE(view.found) << "no browser showing " << title;
    EXPECT_EQ(view.rootItem, displayName(CSIDL_DESKTOP));
    EXPECT_EQ(path, specialFolderPath(CSIDL_DESKTOPDIRECTORY));
    // The result came from the runtime's allocator, with room for the NUL.
    ASSERT_EQ(gRecorder.allocations.size(), 1u);
    EXPECT_EQ(gRecorder.allocations[0], path.size() + 1);
}

TEST(FolderBrowserShown, WalkingTheTreeWithTheKeyboard) {
    useRecordingService();
    std::string title = uniqueTitle("Walk");
    std::string documents = displayName(CSIDL_PERSONAL);
    BrowserUser user(title, IDOK, documents);
    std::string path = browse(title);
    View view = user.wait();
    ASSERT_TRUE(view.found);
    ASSERT_EQ(view.walkedTo, documents);
    EXPECT_EQ(withoutTrailingSlash(path), specialFolderPath(CSIDL_PERSONAL));
}

TEST(FolderBrowserShown, AChoiceWithoutAFileSystemPathGivesNothing) {
    useRecordingService();
    std::string title = uniqueTitle("No path");
    std::string bin = displayName(CSIDL_BITBUCKET);
    BrowserUser user(title, IDOK, bin);
    EXPECT_EQ(browse(title), "");
    ASSERT_EQ(user.wait().walkedTo, bin);
    EXPECT_TRUE(gRecorder.allocations.empty());
}

TEST(FolderBrowserShown, CancelGivesNothing) {
    useRecordingService();
    std::string title = uniqueTitle("Cancel");
    BrowserUser user(title, IDCANCEL);
    EXPECT_EQ(browse(title), "");
    EXPECT_TRUE(user.wait().found);
    EXPECT_TRUE(gRecorder.allocations.empty());
}

TEST(FolderBrowserShown, WithoutTheRuntimeNothingCanBeReturned) {
    ASSERT_EQ(folderbrowser::notify(1, 0, 0), 0u);
    std::string title = uniqueTitle("No runtime");
    BrowserUser user(title, IDOK);
    EXPECT_EQ(browse(title), "");
    EXPECT_TRUE(user.wait().found);
}

TEST(FolderBrowserShown, FilesAreListedOnlyWhenAskedFor) {
    useRecordingService();
    std::string name = "fb_" + std::to_string(GetCurrentProcessId()) + ".txt";
    std::string file = specialFolderPath(CSIDL_DESKTOPDIRECTORY) + "\\" + name;
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    auto listed = [&](std::optional<bool> files) {
        std::string title = uniqueTitle("Files");
        BrowserUser user(title, IDCANCEL);
        browse(title, files);
        View view = user.wait();
        EXPECT_TRUE(view.found);
        for (const std::string& item : view.items)
            if (item.rfind(name.substr(0, name.size() - 4), 0) == 0) return true;
        return false;
    };
    EXPECT_TRUE(listed(true));
    EXPECT_FALSE(listed(false));
    EXPECT_FALSE(listed(std::nullopt));
    DeleteFileA(file.c_str());
}

LRESULT CALLBACK plainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

HWND makeWindow(HWND parent, DWORD style) {
    static ATOM atom = [] {
        WNDCLASSA c = {};
        c.lpfnWndProc = plainProc;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = "FolderBrowserOwnerTest";
        return RegisterClassA(&c);
    }();
    EXPECT_NE(atom, 0);
    return CreateWindowA("FolderBrowserOwnerTest", "owner test", style, 10, 10, 200, 100, parent,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(FolderBrowserShown, ProgramWindowsAreDisabledAroundTheDialogAndRestored) {
    useRecordingService();
    HWND main = makeWindow(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND disabled = makeWindow(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_DISABLED);
    HWND child = makeWindow(main, WS_CHILD | WS_VISIBLE);
    ASSERT_TRUE(main && disabled && child);
    gRecorder.windows = {main, disabled, child};
    SetForegroundWindow(main);
    SetActiveWindow(main);
    HWND activeBefore = GetActiveWindow();

    struct During {
        bool main, disabled, child;
    } during{true, true, false};
    std::string title = uniqueTitle("Owners");
    BrowserUser user(title, IDCANCEL, "", [&](HWND) {
        during = {IsWindowEnabled(main) != FALSE, IsWindowEnabled(disabled) != FALSE,
                  IsWindowEnabled(child) != FALSE};
    });
    EXPECT_EQ(browse(title), "");
    View view = user.wait();
    ASSERT_TRUE(view.found);

    EXPECT_FALSE(during.main);
    EXPECT_FALSE(during.disabled);
    EXPECT_TRUE(during.child); // windows with a parent are left alone
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindowEnabled(disabled)); // it was disabled before
    EXPECT_TRUE(IsWindowEnabled(child));
    // The runtime was asked for the count, then for each window in turn.
    std::vector<std::uintptr_t> windowRequests;
    for (std::uintptr_t r : gRecorder.requests)
        if (r == rt::kRequestWindowCount || r == rt::kRequestWindowAt) windowRequests.push_back(r);
    EXPECT_EQ(windowRequests, (std::vector<std::uintptr_t>{2032, 2033, 2033, 2033}));
    // The active window owns the dialog and is active again afterwards.
    if (activeBefore) {
        EXPECT_EQ(view.owner, activeBefore);
        EXPECT_EQ(GetActiveWindow(), activeBefore);
    }
    DestroyWindow(child);
    DestroyWindow(disabled);
    DestroyWindow(main);
}

TEST(FolderBrowserShown, TheToolsRuntimeReportsNoWindowsSoNoneIsDisabled) {
    ASSERT_EQ(folderbrowser::notify(1, reinterpret_cast<std::uintptr_t>(&rt::runtimeService), 0),
              0u);
    // The active window owns the dialog, and the system disables an owner
    // while its modal dialog is up; the library itself disables no other.
    HWND other = makeWindow(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND main = makeWindow(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetForegroundWindow(main);
    SetActiveWindow(main);
    bool enabledDuring = false;
    std::string title = uniqueTitle("Tool runtime");
    BrowserUser user(title, IDCANCEL, "",
                     [&](HWND) { enabledDuring = IsWindowEnabled(other) != FALSE; });
    EXPECT_EQ(browse(title), "");
    ASSERT_TRUE(user.wait().found);
    EXPECT_TRUE(enabledDuring);
    EXPECT_TRUE(IsWindowEnabled(main));
    DestroyWindow(main);
    DestroyWindow(other);
}

} // namespace
