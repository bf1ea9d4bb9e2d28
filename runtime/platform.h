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
// Called before a file is read into fresh memory: maps its pages where a
// read into unmapped pages costs more than mapping them first (Windows, as
// measured under Wine: half as much again); elsewhere nothing.
void prepareForRead(void* buffer, std::size_t size);
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
// Cuts the file to `size` bytes and moves there.
bool truncateFile(FileHandle file, std::uint64_t size);
// False when the system reports a failure at the close (a write it had
// delayed, on a network share, may fail only there).
bool closeFile(FileHandle file);
bool deleteFile(const char* name);
// Gives the file `from` the name `to`, replacing a file of that name (not a
// folder, not a file open without sharing its deletion).
bool replaceFile(const char* from, const char* to);

// Which file a handle or a name is, whatever path led to it: two names of
// one file (another spelling, a link) have the same identity. Some file
// systems give no index, or one that is not unique (only their 128-bit
// identity is): such an identity is not trusted, and only the names of two
// files can tell whether they are one.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t low = 0, high = 0; // the index; high only in a 128-bit identity
    bool wide = false;               // the 128-bit identity
    bool trusted = false;
    // Whether both are known to be one file (false: different, or unknown).
    bool sameAs(const FileIdentity& o) const {
        return trusted && o.trusted && wide == o.wide && volume == o.volume && low == o.low &&
               high == o.high;
    }
    bool comparableWith(const FileIdentity& o) const {
        return trusted && o.trusted && wide == o.wide;
    }
};
bool fileIdentity(FileHandle file, FileIdentity* identity);
// Without opening the file for reading or writing: false when it is missing.
bool fileIdentityOf(const char* name, FileIdentity* identity);

// The full name of a file (made full against the working folder, in its
// long form where the file exists); false when it cannot be made.
bool fullFileName(const char* name, char* out, std::uint32_t size);
// Whether two full names name one file as the file system compares names
// (ignoring case the way Windows does).
bool sameFileName(const char* a, const char* b);

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
