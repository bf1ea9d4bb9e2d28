#include "runtime/platform.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "runtime/heap_cap.h"

namespace platform {

namespace {
HANDLE gHeap;

HANDLE heap() {
    if (!gHeap) gHeap = GetProcessHeap();
    return gHeap;
}

HeapCap gCap;
ReadHook gReadHook;
DWORD gFileDelay;

std::size_t blockSize(void* block) {
    SIZE_T n = HeapSize(heap(), 0, block);
    return n == static_cast<SIZE_T>(-1) ? 0 : n;
}
} // namespace

void cacheProcessHeap() {
    heap();
}

void setHeapLimit(std::size_t bytes) {
    gCap.set(bytes);
}

void* heapAlloc(std::size_t size, bool zeroFill) {
    if (!gCap.allows(size)) return nullptr;
    void* block = HeapAlloc(heap(), zeroFill ? HEAP_ZERO_MEMORY : 0, size);
    if (block && gCap.on()) gCap.replaced(0, blockSize(block));
    return block;
}

void* heapRealloc(void* block, std::size_t size) {
    const std::size_t old = gCap.on() ? blockSize(block) : 0;
    if (!gCap.allows(size, old)) return nullptr;
    void* moved = HeapReAlloc(heap(), 0, block, size);
    if (moved && gCap.on()) gCap.replaced(old, blockSize(moved));
    return moved;
}

void heapFree(void* block) {
    if (block && gCap.on()) gCap.replaced(blockSize(block), 0);
    HeapFree(heap(), 0, block);
}

bool isReadable(const void* p, std::size_t size) {
    return !IsBadReadPtr(p, size);
}

void prepareForRead(void* buffer, std::size_t size) {
    for (std::size_t page = 0; page < size; page += 4096)
        static_cast<volatile char*>(buffer)[page] = 0;
}

void imageRange(const std::uint8_t** first, const std::uint8_t** last) {
    static const std::uint8_t* base;
    static const std::uint8_t* end;
    if (!base) {
        auto* image = reinterpret_cast<const std::uint8_t*>(GetModuleHandleA(nullptr));
        auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
        auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
        end = image + nt->OptionalHeader.SizeOfImage;
        base = image;
    }
    *first = base;
    *last = end;
}

FileHandle openFile(const char* name, std::uint32_t access, std::uint32_t share,
                    std::uint32_t disposition) {
    HANDLE h =
        CreateFileA(name, access, share, nullptr, disposition, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

bool readFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* transferred) {
    if (gFileDelay) Sleep(gFileDelay);
    DWORD done = 0;
    BOOL ok = ReadFile(file, buffer, count, &done, nullptr);
    *transferred = done;
    if (gReadHook) gReadHook(file);
    return ok != FALSE;
}

bool writeFile(FileHandle file, const void* buffer, std::uint32_t count,
               std::uint32_t* transferred) {
    if (gFileDelay) Sleep(gFileDelay);
    DWORD done = 0;
    BOOL ok = WriteFile(file, buffer, count, &done, nullptr);
    *transferred = done;
    return ok != FALSE;
}

std::uint64_t seekFile(FileHandle file, std::int64_t offset, std::uint32_t origin) {
    LARGE_INTEGER distance, at;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(file, distance, &at, origin)) return kInvalidPosition;
    return static_cast<std::uint64_t>(at.QuadPart);
}

bool fileSize(FileHandle file, std::uint64_t* size) {
    LARGE_INTEGER n;
    if (!GetFileSizeEx(file, &n)) return false;
    *size = static_cast<std::uint64_t>(n.QuadPart);
    return true;
}

bool truncateFile(FileHandle file, std::uint64_t size) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

bool closeFile(FileHandle file) {
    return CloseHandle(file) != FALSE;
}

bool deleteFile(const char* name) {
    return DeleteFileA(name) != FALSE;
}

bool replaceFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

namespace {

// The 128-bit identity (Windows 8 and later), declared here because the
// headers offer it only to programs that need Windows 8.
struct FileId128 {
    ULONGLONG volume;
    BYTE id[16];
};
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);

// A 64-bit index identifies a file only where the file system keeps one per
// file: some network redirectors give 0, and ReFS's does not fit in it.
bool indexIsUnique(HANDLE file, std::uint64_t index) {
    if (index == 0 || index == ~std::uint64_t{0}) return false;
    wchar_t system[MAX_PATH + 1] = {};
    if (!GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, nullptr, system,
                                       MAX_PATH + 1))
        return false;
    return lstrcmpiW(system, L"ReFS") != 0;
}

} // namespace

bool fileIdentity(FileHandle file, FileIdentity* identity) {
    FileId128 wide;
    if (GetFileInformationByHandleEx(file, kFileIdInfo, &wide, sizeof wide)) {
        std::uint64_t half[2];
        std::memcpy(half, wide.id, sizeof half);
        *identity = {};
        identity->volume = wide.volume;
        identity->low = half[0];
        identity->high = half[1];
        identity->wide = true;
        identity->trusted = (half[0] | half[1]) != 0;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return false;
    *identity = {};
    identity->volume = info.dwVolumeSerialNumber;
    identity->low = std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
    identity->trusted = indexIsUnique(file, identity->low);
    return true;
}

bool fileIdentityOf(const char* name, FileIdentity* identity) {
    // No access asked and every sharing given: even a file that another
    // program holds without sharing can be told.
    HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = fileIdentity(h, identity);
    CloseHandle(h);
    return ok;
}

bool fullFileName(const char* name, char* out, std::uint32_t size) {
    char full[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(name, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return false;
    // The long form where the file exists: a short name is another spelling.
    DWORD m = GetLongPathNameA(full, out, size);
    if (m > 0 && m < size) return true;
    if (n >= size) return false;
    std::memcpy(out, full, n + 1);
    return true;
}

bool sameFileName(const char* a, const char* b) {
    wchar_t wa[MAX_PATH * 4], wb[MAX_PATH * 4];
    int na = MultiByteToWideChar(CP_ACP, 0, a, -1, wa, MAX_PATH * 4);
    int nb = MultiByteToWideChar(CP_ACP, 0, b, -1, wb, MAX_PATH * 4);
    if (na == 0 || nb == 0) return lstrcmpiA(a, b) == 0; // too long to convert
    return CompareStringOrdinal(wa, -1, wb, -1, TRUE) == CSTR_EQUAL;
}

void listFiles(const char* folder, const char* pattern, NameVisitor visit, void* context) {
    std::string path = std::string(folder) + "\\" + pattern;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(path.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    bool more = true;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        more = visit(entry.cFileName, context);
        // A short name is a name too: writing to it writes the file.
        if (more && entry.cAlternateFileName[0]) more = visit(entry.cAlternateFileName, context);
    } while (more && FindNextFileA(find, &entry));
    FindClose(find);
}

void setReadHook(ReadHook hook) {
    gReadHook = hook;
}

void setFileDelay(std::uint32_t milliseconds) {
    gFileDelay = milliseconds;
}

int messageBox(void* owner, const char* text, const char* caption, std::uint32_t style) {
    return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

std::uint32_t modulePath(char* buffer, std::uint32_t size) {
    return GetModuleFileNameA(nullptr, buffer, size);
}

const char* commandLine() {
    return GetCommandLineA();
}

int mapHalfWidth(const char* source, int length, char* target, int targetSize) {
    return LCMapStringA(2052, LCMAP_HALFWIDTH, source, length, target, targetSize);
}

void exitProcess(std::uint32_t code) {
    ExitProcess(code);
}

} // namespace platform
