// The tool's resources as built into textsplit.exe: dialog template 1000,
// icon group 129 with its six images, the manifest and the version record.
// Read from the 64-bit build beside this program and, when it has been built,
// from the 32-bit product too.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

std::string buildFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.rfind('\\'));
}

// The executables to check: the 64-bit one must exist, the product may.
std::vector<std::string> executables() {
    std::string here = buildFolder();
    std::vector<std::string> found{here + "\\textsplit.exe"};
    std::string product = here.substr(0, here.rfind('\\')) + "\\win32\\textsplit.exe";
    if (GetFileAttributesA(product.c_str()) != INVALID_FILE_ATTRIBUTES) found.push_back(product);
    return found;
}

struct Module {
    HMODULE handle;
    explicit Module(const std::string& path)
        : handle(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Module() {
        if (handle) FreeLibrary(handle);
    }
};

struct Resource {
    const std::uint8_t* data = nullptr;
    DWORD size = 0;
};

Resource find(HMODULE module, LPCSTR type, int id) {
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!info) return {};
    HGLOBAL loaded = LoadResource(module, info);
    return {static_cast<const std::uint8_t*>(LockResource(loaded)), SizeofResource(module, info)};
}

// Reads a dialog template field by field.
class TemplateReader {
  public:
    explicit TemplateReader(const std::uint8_t* p) : p_(p) {}
    template <class T> T read() {
        T v;
        std::memcpy(&v, p_, sizeof v);
        p_ += sizeof v;
        return v;
    }
    // A name or ordinal: "#n" for an ordinal, the UTF-16 text otherwise.
    std::wstring nameOrOrdinal() {
        WORD first = read<WORD>();
        if (first == 0xFFFF) return L"#" + std::to_wstring(read<WORD>());
        std::wstring s;
        for (WORD c = first; c; c = read<WORD>())
            s += static_cast<wchar_t>(c);
        return s;
    }
    void alignTo4(const std::uint8_t* base) {
        while ((p_ - base) % 4)
            ++p_;
    }
    const std::uint8_t* at() const { return p_; }
    void skip(std::size_t n) { p_ += n; }

  private:
    const std::uint8_t* p_;
};

struct Item {
    DWORD exStyle, style;
    short x, y, cx, cy;
    DWORD id;
    std::wstring cls, text;
};

// Class names may be stored as the predefined ordinals.
std::wstring className(const std::wstring& stored) {
    if (stored == L"#128") return L"button";
    if (stored == L"#129") return L"edit";
    if (stored == L"#130") return L"static";
    std::wstring lower;
    for (wchar_t c : stored)
        lower += static_cast<wchar_t>(towlower(c));
    return lower;
}

TEST(ToolResources, DialogTemplate1000) {
    for (const std::string& exe : executables()) {
        SCOPED_TRACE(exe);
        Module m(exe);
        ASSERT_NE(m.handle, nullptr);
        Resource r = find(m.handle, MAKEINTRESOURCEA(5), 1000); // RT_DIALOG
        ASSERT_NE(r.data, nullptr);
        TemplateReader t(r.data);
        ASSERT_EQ(t.read<WORD>(), 1);      // extended template
        ASSERT_EQ(t.read<WORD>(), 0xFFFF); // signature
        t.read<DWORD>();                   // help id
        EXPECT_EQ(t.read<DWORD>(), 0u);    // extended style
        EXPECT_EQ(t.read<DWORD>(), static_cast<DWORD>(WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                                      WS_MINIMIZEBOX | DS_CENTER | DS_SETFONT));
        WORD count = t.read<WORD>();
        EXPECT_EQ(count, 5);
        short box[4];
        for (short& v : box)
            v = t.read<short>();
        EXPECT_EQ(std::vector<short>(box, box + 4), (std::vector<short>{10, 10, 136, 79}));
        EXPECT_EQ(t.nameOrOrdinal(), L""); // no menu
        EXPECT_EQ(t.nameOrOrdinal(), L""); // the system dialog class
        EXPECT_EQ(t.nameOrOrdinal(), L"文本分割");
        EXPECT_EQ(t.read<WORD>(), 8); // points
        t.read<WORD>();               // weight
        t.read<BYTE>();               // italic
        t.read<BYTE>();               // character set
        EXPECT_EQ(t.nameOrOrdinal(), L"MS Sans Serif");

        std::vector<Item> items;
        for (WORD i = 0; i < count; ++i) {
            t.alignTo4(r.data);
            Item item;
            t.read<DWORD>(); // help id
            item.exStyle = t.read<DWORD>();
            item.style = t.read<DWORD>();
            item.x = t.read<short>();
            item.y = t.read<short>();
            item.cx = t.read<short>();
            item.cy = t.read<short>();
            item.id = t.read<DWORD>();
            item.cls = className(t.nameOrOrdinal());
            item.text = t.nameOrOrdinal();
            t.skip(t.read<WORD>()); // creation data
            items.push_back(item);
        }
        ASSERT_EQ(items.size(), 5u);
        struct Want {
            DWORD id;
            const wchar_t* cls;
            DWORD style, exStyle;
            short x, y, cx, cy;
            const wchar_t* text;
        } want[] = {
            {1001, L"static", WS_CHILD | WS_VISIBLE, 0, 15, 15, 40, 9, L"欲分割数："},
            {1002, L"edit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER | ES_CENTER,
             WS_EX_CLIENTEDGE, 57, 12, 52, 12, L""},
            {1003, L"button", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 12, 54, 48, 15, L"导入文本"},
            {1004, L"button", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 72, 54, 48, 15, L"导出分割"},
            {1005, L"static", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 0, 9, 36, 114, 9,
             nullptr},
        };
        for (std::size_t i = 0; i < 5; ++i) {
            SCOPED_TRACE(want[i].id);
            EXPECT_EQ(items[i].id, want[i].id);
            EXPECT_EQ(items[i].cls, want[i].cls);
            EXPECT_EQ(items[i].style, want[i].style);
            EXPECT_EQ(items[i].exStyle, want[i].exStyle);
            EXPECT_EQ((std::vector<short>{items[i].x, items[i].y, items[i].cx, items[i].cy}),
                      (std::vector<short>{want[i].x, want[i].y, want[i].cx, want[i].cy}));
            if (want[i].text) {
                EXPECT_EQ(items[i].text, want[i].text);
            }
        }
        EXPECT_FALSE(items[4].text.empty()); // the message line carries a line of text
    }
}

INT_PTR CALLBACK quietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

TEST(ToolResources, TheTemplateMakesTheToolsDialog) {
    Module m(executables().front());
    Resource r = find(m.handle, MAKEINTRESOURCEA(5), 1000);
    ASSERT_NE(r.data, nullptr);
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEA>(r.data), nullptr,
                                             quietDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "文本分割"); // in the code page of the process
    for (int id : {1001, 1002, 1003, 1004, 1005})
        EXPECT_NE(GetDlgItem(dialog, id), nullptr) << id;
    HWND edit = GetDlgItem(dialog, 1002);
    EXPECT_TRUE(GetWindowLongA(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & ES_NUMBER);
    char label[64] = {};
    GetDlgItemTextA(dialog, 1003, label, sizeof label);
    EXPECT_STREQ(label, "导入文本");
    DestroyWindow(dialog);
}

#pragma pack(push, 2)
struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupEntry) == 14, "an icon group entry is 14 bytes");

TEST(ToolResources, IconGroup129HasSixImages) {
    for (const std::string& exe : executables()) {
        SCOPED_TRACE(exe);
        Module m(exe);
        ASSERT_NE(m.handle, nullptr);
        Resource group = find(m.handle, MAKEINTRESOURCEA(14), 129); // RT_GROUP_ICON
        ASSERT_NE(group.data, nullptr);
        WORD header[3];
        std::memcpy(header, group.data, sizeof header);
        EXPECT_EQ(header[1], 1); // icons, not cursors
        ASSERT_EQ(header[2], 6);
        ASSERT_GE(group.size, 6 + 6 * sizeof(GroupEntry));

        std::set<int> sizes;
        for (int i = 0; i < 6; ++i) {
            GroupEntry e;
            std::memcpy(&e, group.data + 6 + i * sizeof(GroupEntry), sizeof e);
            int edge = e.width ? e.width : 256;
            SCOPED_TRACE(edge);
            sizes.insert(edge);
            EXPECT_EQ(e.bitCount, 32);
            Resource image = find(m.handle, MAKEINTRESOURCEA(3), e.id); // RT_ICON
            ASSERT_NE(image.data, nullptr);
            EXPECT_EQ(image.size, e.bytes);
            HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data), image.size, TRUE,
                                                  0x00030000, edge, edge, 0);
            ASSERT_NE(icon, nullptr);
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP bitmap = {};
            GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
            EXPECT_EQ(bitmap.bmWidth, edge);
            if (info.hbmColor) DeleteObject(info.hbmColor);
            if (info.hbmMask) DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
        EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48, 64, 256}));
        // The system picks the matching image for a requested size.
        int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group.data), TRUE, 32, 32, 0);
        Resource chosen = find(m.handle, MAKEINTRESOURCEA(3), id);
        ASSERT_NE(chosen.data, nullptr);
        BITMAPINFOHEADER bih;
        std::memcpy(&bih, chosen.data, sizeof bih);
        EXPECT_EQ(bih.biWidth, 32);
    }
}

bool contains(const Resource& r, const void* bytes, std::size_t n) {
    const auto* first = r.data;
    const auto* last = r.data + r.size;
    return std::search(first, last, static_cast<const std::uint8_t*>(bytes),
                       static_cast<const std::uint8_t*>(bytes) + n) != last;
}

TEST(ToolResources, ManifestAndVersion) {
    for (const std::string& exe : executables()) {
        SCOPED_TRACE(exe);
        Module m(exe);
        ASSERT_NE(m.handle, nullptr);
        Resource manifest = find(m.handle, MAKEINTRESOURCEA(24), 1); // RT_MANIFEST
        ASSERT_NE(manifest.data, nullptr);
        std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);
        EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);
        for (const char* os : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a",  // Windows 7
                               "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",  // 8
                               "1f676c76-80e1-4239-95bb-83d0f6d0da78",  // 8.1
                               "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) // 10 and 11
            EXPECT_NE(text.find(os), std::string::npos) << os;

        Resource version = find(m.handle, MAKEINTRESOURCEA(16), 1); // RT_VERSION
        ASSERT_NE(version.data, nullptr);
        const DWORD signature = 0xFEEF04BD;
        ASSERT_TRUE(contains(version, &signature, sizeof signature));
        EXPECT_TRUE(contains(version, L"FileDescription", 15 * sizeof(wchar_t)));
        EXPECT_TRUE(contains(version, L"文本分割", 4 * sizeof(wchar_t)));
    }
}

} // namespace
