// FileDialog: the settings record, the filter conversion, the chosen names,
// and the system's Open and Save As dialogs driven as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "controls/file_dialog.h"
#include "runtime/memory.h"
#include "tests/support/box_answerer_win32.h"

namespace {

// A dialog object released and freed at the end of the test.
struct Dialog {
    FileDialog* object = newFileDialog(GetModuleHandleA(nullptr));
    ~Dialog() {
        object->release();
        rt::free(object);
    }
    FileDialog* operator->() const { return object; }
    FileDialogSettings& record() const { return *object->settings(); }
};

std::string bytesOf(rt::ByteSet b) {
    return b ? std::string(reinterpret_cast<const char*>(rt::byteSetData(b)),
                           static_cast<std::size_t>(b->length))
             : std::string();
}

std::string take(char* text) {
    std::string s = rt::orEmpty(text);
    rt::free(text);
    return s;
}

TEST(FileDialogRecord, ANewDialogHasOnlySizeInstanceAndExplorerFlag) {
    FileDialog* d = newFileDialog(reinterpret_cast<HINSTANCE>(0x400000));
    const FileDialogSettings& r = *d->settings();
    EXPECT_EQ(r.structSize, sizeof(OPENFILENAMEA));
    EXPECT_EQ(r.instance, reinterpret_cast<HINSTANCE>(0x400000));
    EXPECT_EQ(r.flags, static_cast<std::uintptr_t>(OFN_EXPLORER));
    // Every other field is zero.
    FileDialogSettings expected;
    std::memset(&expected, 0, sizeof expected);
    expected.structSize = r.structSize;
    expected.instance = r.instance;
    expected.flags = r.flags;
    EXPECT_EQ(std::memcmp(&expected, &r, sizeof r), 0);
    EXPECT_EQ(d->filterIndex(), 0u);
    EXPECT_EQ(take(d->fileName()), "");
    d->release();
    EXPECT_EQ(d->settings(), nullptr);
    rt::free(d);

    // The tool creates its object before the module instance is known.
    FileDialog* early = newFileDialog(nullptr);
    EXPECT_EQ(early->settings()->instance, nullptr);
    early->release();
    rt::free(early);
}

TEST(FileDialogRecord, FilterTurnsBarsIntoNulPairs) {
    Dialog d;
    d->setup("t", "文本文件(*.txt)|*.txt", 1, nullptr, "txt");
    EXPECT_EQ(bytesOf(d.record().filter), std::string("文本文件(*.txt)\0*.txt\0\0", 23));

    rt::ByteSetValue two(systemFilter("Text|*.txt|All|*.*"));
    EXPECT_EQ(bytesOf(two.get()), std::string("Text\0*.txt\0All\0*.*\0\0", 20));
    // Without a bar: a description without a pattern.
    rt::ByteSetValue lone(systemFilter("*.log"));
    EXPECT_EQ(bytesOf(lone.get()), std::string("*.log\0\0", 7));
    rt::ByteSetValue none(systemFilter(nullptr));
    EXPECT_EQ(bytesOf(none.get()), std::string("\0\0", 2));
    rt::ByteSetValue empty(systemFilter(""));
    EXPECT_EQ(bytesOf(empty.get()), std::string("\0\0", 2));
}

TEST(FileDialogRecord, FilterKeepsDoubleByteCharactersWhole) {
    // "\x81\x7C" is one character whose trail byte has the value of "|".
    rt::ByteSetValue filter(systemFilter("a\x81\x7C|*.a"));
    EXPECT_EQ(bytesOf(filter.get()), std::string("a\x81\x7C\0*.a\0\0", 9));
}

// A hook the class stores and passes on but never calls.
UINT_PTR CALLBACK unusedHook(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

TEST(FileDialogRecord, SetupFlagsHookAndTexts) {
    Dialog d;
    EXPECT_EQ(d->setup("Title", "A|*.a", 2, "C:\\in", "dat"), nullptr);
    EXPECT_EQ(d.record().flags, static_cast<std::uintptr_t>(OFN_EXPLORER));
    EXPECT_EQ(d->filterIndex(), 2u);
    EXPECT_STREQ(d.record().title, "Title");
    EXPECT_STREQ(d.record().initialFolder, "C:\\in");
    EXPECT_STREQ(d.record().defaultExtension, "dat");

    // Given flags are taken as they are: no OFN_EXPLORER added.
    d->setup("Title", "A|*.a", 1, nullptr, nullptr, OFN_FILEMUSTEXIST);
    EXPECT_EQ(d.record().flags, static_cast<std::uintptr_t>(OFN_FILEMUSTEXIST));
    EXPECT_EQ(d.record().initialFolder, nullptr);
    EXPECT_EQ(d.record().defaultExtension, nullptr);
    EXPECT_EQ(d.record().hook, nullptr);

    // A hook adds OFN_ENABLEHOOK with and without flags.
    EXPECT_EQ(d->setup("T", "", 1, nullptr, nullptr, {}, &unusedHook), &unusedHook);
    EXPECT_EQ(d.record().flags, static_cast<std::uintptr_t>(OFN_EXPLORER | OFN_ENABLEHOOK));
    EXPECT_EQ(d.record().hook, &unusedHook);
    EXPECT_EQ(d->setup("T", "", 1, nullptr, nullptr, OFN_READONLY, &unusedHook), &unusedHook);
    EXPECT_EQ(d.record().flags, static_cast<std::uintptr_t>(OFN_READONLY | OFN_ENABLEHOOK));

    // The texts are the record's own copies.
    char title[] = "Mine";
    d->setup(title, nullptr, 1, nullptr, nullptr);
    EXPECT_NE(d.record().title, title);
    title[0] = 'X';
    EXPECT_STREQ(d.record().title, "Mine");
}

TEST(FileDialogRecord, CloneCopiesEveryOwnedValue) {
    Dialog d;
    d->setup("Title", "A|*.a", 3, "C:\\in", "dat", OFN_ALLOWMULTISELECT | OFN_EXPLORER);
    d.record().fileBuffer = rt::newByteSet("C:\\x\0a\0b\0\0", 10);
    d.record().fileNameOffset = 5;
    d.record().customData = 77;

    FileDialog* copy = d->clone();
    const FileDialogSettings& c = *copy->settings();
    ASSERT_NE(&c, &d.record());
    EXPECT_EQ(c.filterIndex, 3u);
    EXPECT_EQ(c.customData, 77);
    EXPECT_EQ(c.flags, d.record().flags);
    EXPECT_NE(c.title, d.record().title);
    EXPECT_STREQ(c.title, "Title");
    EXPECT_NE(c.initialFolder, d.record().initialFolder);
    EXPECT_STREQ(c.initialFolder, "C:\\in");
    EXPECT_NE(c.defaultExtension, d.record().defaultExtension);
    EXPECT_NE(c.filter, d.record().filter);
    EXPECT_EQ(bytesOf(c.filter), bytesOf(d.record().filter));
    EXPECT_NE(c.fileBuffer, d.record().fileBuffer);
    EXPECT_EQ(bytesOf(c.fileBuffer), bytesOf(d.record().fileBuffer));
    EXPECT_EQ(take(copy->fileName()), "C:\\x\\a\r\nC:\\x\\b\r\n");

    // Changing or releasing one leaves the other intact.
    copy->setup("Other", "B|*.b", 1, nullptr, nullptr);
    EXPECT_STREQ(d.record().title, "Title");
    copy->release();
    rt::free(copy);
    EXPECT_EQ(take(d->fileName()), "C:\\x\\a\r\nC:\\x\\b\r\n");
}

// Fills the file buffer as the system does after a choice.
void chosen(Dialog& d, const char* bytes, std::size_t n, std::uintptr_t offset,
            std::uintptr_t flags) {
    rt::free(d.record().fileBuffer);
    rt::ByteSet b = rt::newByteSet(nullptr, 300);
    std::memcpy(rt::byteSetData(b), bytes, n);
    d.record().fileBuffer = b;
    d.record().fileNameOffset = offset;
    d.record().flags = flags;
}

TEST(FileDialogNames, SingleAndMultipleSelection) {
    Dialog d;
    const std::uintptr_t multi = OFN_EXPLORER | OFN_ALLOWMULTISELECT;
    chosen(d, "C:\\dir\\one.txt", 14, 7, OFN_EXPLORER);
    EXPECT_EQ(take(d->fileName()), "C:\\dir\\one.txt");

    chosen(d, "C:\\dir\0a.txt\0b.txt\0\0", 20, 7, multi);
    EXPECT_EQ(take(d->fileName()), "C:\\dir\\a.txt\r\nC:\\dir\\b.txt\r\n");

    // In the root of a drive the folder already ends in a backslash.
    chosen(d, "C:\\\0a.txt\0b.txt\0\0", 17, 4, multi);
    EXPECT_EQ(take(d->fileName()), "C:\\a.txt\r\nC:\\b.txt\r\n");

    // One file in multiple-selection mode: its full path, then CR LF.
    chosen(d, "C:\\dir\\one.txt", 14, 7, multi);
    EXPECT_EQ(take(d->fileName()), "C:\\dir\\one.txt\r\n");
    chosen(d, "D:\\one.txt", 10, 3, multi);
    EXPECT_EQ(take(d->fileName()), "D:\\one.txt\r\n");

    // A folder ending in a double-byte character whose trail byte has the
    // value of a backslash still gets its separator.
    chosen(d, "C:\\\x81\x5C\0a.txt\0\0", 13, 6, multi);
    EXPECT_EQ(take(d->fileName()), "C:\\\x81\x5C\\a.txt\r\n");

    // Nothing chosen: offset 0.
    chosen(d, "C:\\dir\\one.txt", 14, 0, OFN_EXPLORER);
    EXPECT_EQ(take(d->fileName()), "");
}

TEST(FileDialogNames, NamesNeverReachPastTheBuffer) {
    Dialog d;
    rt::free(d.record().fileBuffer);
    // A full buffer without any NUL, as a faulty system might leave it.
    rt::ByteSet b = rt::newByteSet(nullptr, 16);
    std::memcpy(rt::byteSetData(b), "C:\\d\0abcdefghijk", 16);
    d.record().fileBuffer = b;
    d.record().fileNameOffset = 5;
    d.record().flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT;
    EXPECT_EQ(take(d->fileName()), "C:\\d\\abcdefghijk\r\n");
    std::memcpy(rt::byteSetData(b), "C:\\dabcdefghijkl", 16);
    d.record().flags = OFN_EXPLORER;
    EXPECT_EQ(take(d->fileName()), "C:\\dabcdefghijkl");
}

// --- the system dialogs, answered from a second thread ---------------------

std::string uniqueTitle(const char* what) {
    return std::string(what) + " " + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount());
}

HWND descendantOfClass(HWND root, const char* cls) {
    struct Search {
        const char* cls;
        HWND found;
    } s{cls, nullptr};
    EnumChildWindows(
        root,
        [](HWND w, LPARAM p) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            char name[64] = {};
            GetClassNameA(w, name, sizeof name);
            if (lstrcmpiA(name, s->cls) != 0) return TRUE;
            s->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The file-name box: the edit inside control cmb13 (or edt1 in older layouts).
HWND fileNameBox(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, 0x47C)) {
        char name[64] = {};
        GetClassNameA(combo, name, sizeof name);
        if (lstrcmpiA(name, "Edit") == 0) return combo;
        return descendantOfClass(combo, "Edit");
    }
    return GetDlgItem(dialog, 0x480);
}

std::string textOf(HWND window) {
    char buffer[4096] = {};
    SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// What the helper saw of the dialog.
struct Seen {
    bool found = false;
    std::string shownName; // the file-name box when the dialog came up
};

// Finds this process's dialog with the title, lets `act` type or read, then
// presses the button.
class DialogUser {
  public:
    DialogUser(std::string title, int button, std::function<void(HWND dialog, HWND box)> act = {})
        : thread_([this, title, button, act] {
              HWND dialog =
                  testsupport::waitForWindow(title, "#32770", 15000, GetCurrentProcessId());
              if (!dialog) return;
              HWND box = nullptr;
              for (int i = 0; i < 100 && !(box = fileNameBox(dialog)); ++i)
                  Sleep(20);
              seen_.found = box != nullptr;
              if (box) seen_.shownName = textOf(box);
              if (act && box) act(dialog, box);
              if (HWND b = GetDlgItem(dialog, button))
                  PostMessageA(b, BM_CLICK, 0, 0);
              else
                  PostMessageA(dialog, WM_COMMAND, button, 0);
          }) {}
    ~DialogUser() { wait(); }
    Seen wait() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

  private:
    Seen seen_;
    std::thread thread_;
};

// Types the text into the box key by key and waits until it shows.
void typeInto(HWND box, const std::string& text) {
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (unsigned char c : text)
        PostMessageA(box, WM_CHAR, c, 1);
    for (int i = 0; i < 200 && textOf(box) != text; ++i)
        Sleep(10);
}

std::string tempFolder() {
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    std::string s = path;
    if (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

// A file that exists for the length of a test.
struct TempFile {
    std::string path;
    explicit TempFile(std::string p) : path(std::move(p)) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
        CloseHandle(h);
    }
    ~TempFile() { DeleteFileA(path.c_str()); }
};

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string uniqueName(const char* stem) {
    return std::string(stem) + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(GetTickCount());
}

TEST(FileDialogShown, OpenTakesATypedPathAndCancelClearsIt) {
    TempFile file(tempFolder() + "\\" + uniqueName("fd_open_") + ".txt");
    Dialog d;
    std::string title = uniqueTitle("导入欲分割的文本内容");
    d->setup(title.c_str(), "文本文件(*.txt)|*.txt|全部文件|*.*", 2, nullptr, "txt");
    {
        DialogUser user(title, IDOK, [&](HWND, HWND box) { typeInto(box, file.path); });
        EXPECT_EQ(d->showOpen(nullptr), 1);
        Seen seen = user.wait();
        ASSERT_TRUE(seen.found) << "no Open dialog titled " << title;
        EXPECT_EQ(seen.shownName, "");
    }
    EXPECT_EQ(lower(take(d->fileName())), lower(file.path));
    EXPECT_EQ(d->filterIndex(), 2u);
    EXPECT_EQ(d.record().fileBufferSize, kOpenBufferSize);
    EXPECT_EQ(rt::byteSetLength(d.record().fileBuffer), static_cast<std::int32_t>(kOpenBufferSize));

    // The previous choice is gone once a dialog is cancelled.
    {
        DialogUser user(title, IDCANCEL);
        EXPECT_EQ(d->showOpen(nullptr), 0);
        EXPECT_TRUE(user.wait().found);
    }
    EXPECT_EQ(take(d->fileName()), "");
}

TEST(FileDialogShown, DefaultExtensionCompletesATypedName) {
    std::string stem = tempFolder() + "\\" + uniqueName("fd_ext_");
    TempFile file(stem + ".txt");
    Dialog d;
    std::string title = uniqueTitle("Open with extension");
    d->setup(title.c_str(), "Text|*.txt", 1, nullptr, "txt");
    DialogUser user(title, IDOK, [&](HWND, HWND box) { typeInto(box, stem); });
    EXPECT_EQ(d->showOpen(nullptr), 1);
    ASSERT_TRUE(user.wait().found);
    EXPECT_EQ(lower(take(d->fileName())), lower(file.path));
}

TEST(FileDialogShown, InitialNameFillsTheBufferAndTheBox) {
    Dialog d;
    std::string title = uniqueTitle("Open with a name");
    d->setup(title.c_str(), "Text|*.txt", 1, tempFolder().c_str(), nullptr);
    DialogUser user(title, IDCANCEL);
    EXPECT_EQ(d->showOpen(nullptr, "given.txt"), 0);
    Seen seen = user.wait();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.shownName, "given.txt");
    // The name, then zero bytes up to exactly the buffer size.
    std::string buffer = bytesOf(d.record().fileBuffer);
    ASSERT_EQ(buffer.size(), std::size_t(kOpenBufferSize));
    EXPECT_EQ(buffer.substr(0, 10), std::string("given.txt\0", 10));
    EXPECT_EQ(buffer.find_first_not_of('\0', 9), std::string::npos);
    EXPECT_EQ(take(d->fileName()), "");
}

TEST(FileDialogShown, ANameLongerThanTheBufferIsCutAndStaysTerminated) {
    Dialog d;
    std::string title = uniqueTitle("Save as");
    d->setup(title.c_str(), "Text|*.txt", 1, nullptr, nullptr);
    std::string longName(300, 'n');
    {
        DialogUser user(title, IDCANCEL);
        EXPECT_EQ(d->showSave(nullptr, longName.c_str()), 0);
        Seen seen = user.wait();
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.shownName, longName.substr(0, kSaveBufferSize - 1));
    }
    std::string buffer = bytesOf(d.record().fileBuffer);
    ASSERT_EQ(buffer.size(), std::size_t(kSaveBufferSize));
    EXPECT_EQ(buffer.substr(0, kSaveBufferSize - 1), longName.substr(0, kSaveBufferSize - 1));
    EXPECT_EQ(buffer.back(), '\0');

    // A name exactly as long as the buffer, ending in a double-byte
    // character: the character is dropped whole, not split.
    std::string dbcs = std::string(kSaveBufferSize - 2, 'm') + "\xB0\xA1";
    {
        DialogUser user(title, IDCANCEL);
        EXPECT_EQ(d->showSave(nullptr, dbcs.c_str()), 0);
        ASSERT_TRUE(user.wait().found);
    }
    buffer = bytesOf(d.record().fileBuffer);
    ASSERT_EQ(buffer.size(), std::size_t(kSaveBufferSize));
    EXPECT_EQ(std::string(buffer.c_str()), std::string(kSaveBufferSize - 2, 'm'));
    EXPECT_EQ(buffer[kSaveBufferSize - 2], '\0');
    EXPECT_EQ(buffer[kSaveBufferSize - 1], '\0');
}

TEST(FileDialogShown, SaveTakesATypedName) {
    std::string path = tempFolder() + "\\" + uniqueName("fd_save_") + ".txt";
    Dialog d;
    std::string title = uniqueTitle("Save to");
    d->setup(title.c_str(), "Text|*.txt", 1, nullptr, "txt");
    DialogUser user(title, IDOK, [&](HWND, HWND box) { typeInto(box, path); });
    EXPECT_EQ(d->showSave(nullptr), 1);
    ASSERT_TRUE(user.wait().found);
    EXPECT_EQ(lower(take(d->fileName())), lower(path));
    EXPECT_EQ(rt::byteSetLength(d.record().fileBuffer), static_cast<std::int32_t>(kSaveBufferSize));
}

void chooseSeveral(const std::string& folder, const std::string& typed, const std::string& want) {
    Dialog d;
    std::string title = uniqueTitle("Open several");
    d->setup(title.c_str(), "Text|*.txt", 1, folder.c_str(), nullptr,
             OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    DialogUser user(title, IDOK, [&](HWND, HWND box) { typeInto(box, typed); });
    EXPECT_EQ(d->showOpen(nullptr), 1);
    ASSERT_TRUE(user.wait().found);
    EXPECT_EQ(lower(take(d->fileName())), lower(want));
}

TEST(FileDialogShown, MultipleSelectionListsEveryPath) {
    std::string folder = tempFolder();
    std::string a = uniqueName("fd_multi_a_") + ".txt";
    std::string b = uniqueName("fd_multi_b_") + ".txt";
    TempFile fa(folder + "\\" + a), fb(folder + "\\" + b);
    chooseSeveral(folder, "\"" + a + "\" \"" + b + "\"",
                  folder + "\\" + a + "\r\n" + folder + "\\" + b + "\r\n");
    // A single file in this mode: its path and CR LF.
    chooseSeveral(folder, fa.path, fa.path + "\r\n");
}

TEST(FileDialogShown, MultipleSelectionInTheRootOfADrive) {
    std::string a = uniqueName("fd_root_a_") + ".txt";
    std::string b = uniqueName("fd_root_b_") + ".txt";
    TempFile fa("C:\\" + a), fb("C:\\" + b);
    chooseSeveral("C:\\", "\"" + a + "\" \"" + b + "\"", "C:\\" + a + "\r\nC:\\" + b + "\r\n");
}

// What a second use of the same object did while its Open dialog was up.
struct NestedUse {
    FileDialog* dialog = nullptr;
    HANDLE done = nullptr;
    int shown = -1;
    DWORD took = 0;
    LPOFNHOOKPROC setupResult = nullptr;
    rt::ByteSet bufferBefore = nullptr, bufferAfter = nullptr;
    const char* titleBefore = nullptr;
    const char* titleAfter = nullptr;
};
NestedUse gNested;

// Runs from the first dialog's message loop, as a second click on an import
// button would: shows the same object again and sets it up anew.
VOID CALLBACK useAgain(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    FileDialogSettings* r = gNested.dialog->settings();
    gNested.bufferBefore = r->fileBuffer;
    gNested.titleBefore = r->title;
    DWORD start = GetTickCount();
    gNested.shown = gNested.dialog->showOpen(nullptr);
    gNested.took = GetTickCount() - start;
    gNested.setupResult = gNested.dialog->setup("another title", "All|*.*", 1, nullptr, "log");
    gNested.bufferAfter = r->fileBuffer;
    gNested.titleAfter = r->title;
    SetEvent(gNested.done);
}

// A visible dialog of this process with the title, other than `except`.
HWND otherDialog(const std::string& title, HWND except) {
    struct Search {
        const std::string* title;
        HWND except;
        HWND found;
    } search{&title, except, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (w == s->except || pid != GetCurrentProcessId() || !IsWindowVisible(w) ||
                testsupport::windowText(w) != *s->title)
                return TRUE;
            s->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The record's buffers belong to its dialog while it is up: a second show
// of the same object from that dialog's message loop opens no second dialog
// and replaces nothing, a setup then changes nothing, and the name confirmed
// in the first dialog is the one the object keeps.
TEST(FileDialogShown, NoSecondDialogOfTheSameObjectWhileItsDialogIsUp) {
    TempFile file(tempFolder() + "\\" + uniqueName("fd_nested_") + ".txt");
    Dialog d;
    std::string title = uniqueTitle("导入欲分割的文本内容");
    d->setup(title.c_str(), "文本文件(*.txt)|*.txt", 1, nullptr, "txt");
    gNested = NestedUse{};
    gNested.dialog = d.object;
    gNested.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    std::thread user([&] {
        HWND first = testsupport::waitForWindow(title, "#32770", 15000, GetCurrentProcessId());
        if (!first) return;
        if (WaitForSingleObject(gNested.done, 3000) != WAIT_OBJECT_0) {
            // A second dialog is up: cancelled, so that the test can end.
            if (HWND second = otherDialog(title, first))
                PostMessageA(second, WM_COMMAND, IDCANCEL, 0);
            WaitForSingleObject(gNested.done, 10000);
            Sleep(300);
            if (!IsWindow(first)) first = otherDialog(title, nullptr);
        }
        HWND box = nullptr;
        for (int i = 0; i < 100 && first && !(box = fileNameBox(first)); ++i)
            Sleep(20);
        if (box) typeInto(box, file.path);
        if (first) PostMessageA(GetDlgItem(first, IDOK), BM_CLICK, 0, 0);
    });
    SetTimer(nullptr, 0, 50, useAgain);
    EXPECT_EQ(d->showOpen(nullptr), 1);
    user.join();
    CloseHandle(gNested.done);

    EXPECT_EQ(gNested.shown, 0);
    EXPECT_LT(gNested.took, 1000u) << "a second dialog was shown";
    EXPECT_EQ(gNested.bufferAfter, gNested.bufferBefore);
    EXPECT_EQ(gNested.titleAfter, gNested.titleBefore);
    EXPECT_EQ(gNested.setupResult, nullptr);
    EXPECT_EQ(lower(take(d->fileName())), lower(file.path));
    EXPECT_EQ(std::string(rt::orEmpty(d.record().title)), title);
    EXPECT_EQ(std::string(rt::orEmpty(d.record().defaultExtension)), "txt");

    // Once the dialog is gone the object is free again.
    d->setup("again", "All|*.*", 1, nullptr, nullptr);
    EXPECT_EQ(std::string(rt::orEmpty(d.record().title)), "again");
}

} // namespace
