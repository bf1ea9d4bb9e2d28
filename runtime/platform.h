// The small platform layer under the runtime core and the splitting core.
// The Windows build implements it over KERNEL32/USER32 (platform_win32.cpp);
// the native test build links a POSIX stand-in instead, so the same runtime
// code runs under the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// --- heap ---------------------------------------------------------------
// Looks the process heap up once (start-up); every operation does it itself
// when still needed.
void cacheProcessHeap();
void* heapAlloc(std::size_t size, bool zeroFill); // null on failure
void* heapRealloc(void* block, std::size_t size); // keeps contents; null on failure
void heapFree(void* block);
bool isReadable(const void* p, std::size_t size);
// Test seam: from now on the heap hands out at most this many bytes more
// than it takes back (0 lifts the cap); a request past it fails as when
// memory runs out. Only heapAlloc, heapRealloc and heapFree count.
void setHeapLimit(std::size_t bytes);
// First and last byte of the program's own loaded image.
void imageRange(const std::uint8_t** first, const std::uint8_t** last);

// --- files (access, share and disposition use the Win32 values) ---------
constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kShareRead = 1;
constexpr std::uint32_t kShareWrite = 2;
constexpr std::uint32_t kCreateAlways = 2;
constexpr std::uint32_t kOpenExisting = 3;
constexpr std::uint32_t kOpenAlways = 4;
constexpr std::uint32_t kSeekBegin = 0;
constexpr std::uint32_t kSeekCurrent = 1;
constexpr std::uint32_t kSeekEnd = 2;
// Positions and sizes are 64-bit: files of 4 GB and more are read whole.
constexpr std::uint64_t kInvalidPosition = ~std::uint64_t{0};

using FileHandle = void*; // null when the open failed
FileHandle openFile(const char* name, std::uint32_t access, std::uint32_t share,
                    std::uint32_t disposition);
bool readFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* transferred);
bool writeFile(FileHandle file, const void* buffer, std::uint32_t count,
               std::uint32_t* transferred);
// The new position, kInvalidPosition on failure.
std::uint64_t seekFile(FileHandle file, std::int64_t offset, std::uint32_t origin);
bool fileSize(FileHandle file, std::uint64_t* size);
void closeFile(FileHandle file);
bool deleteFile(const char* name);

// Which file a handle or a name is, whatever path led to it: two names of
// one file (another spelling, a link) have the same identity.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity& o) const { return volume == o.volume && index == o.index; }
};
bool fileIdentity(FileHandle file, FileIdentity* identity);
// Without opening the file for reading or writing: false when it is missing.
bool fileIdentityOf(const char* name, FileIdentity* identity);

// Calls visit with the name (without the folder) of each file in the folder
// that the pattern ("*" any run of characters) matches, until it answers
// false.
using NameVisitor = bool (*)(const char* name, void* context);
void listFiles(const char* folder, const char* pattern, NameVisitor visit, void* context);

// Test seams. The hook runs after every readFile (a test grows the file
// there); the delay slows every read and write by that many milliseconds,
// so that a small file takes as long as a large one.
using ReadHook = void (*)(FileHandle file);
void setReadHook(ReadHook hook);
void setFileDelay(std::uint32_t milliseconds);

// --- user and process ---------------------------------------------------
int messageBox(void* owner, const char* text, const char* caption, std::uint32_t style);
// The program's full path; returns its length, 0 on failure.
std::uint32_t modulePath(char* buffer, std::uint32_t size);
const char* commandLine();
// Full-width forms to half-width (Simplified Chinese rules). Returns the
// length written, 0 on failure.
int mapHalfWidth(const char* source, int length, char* target, int targetSize);
[[noreturn]] void exitProcess(std::uint32_t code);

} // namespace platform
