// POSIX stand-in of the platform layer, linked only into the native test
// build so that the runtime tests run under AddressSanitizer and
// UndefinedBehaviorSanitizer.
#include "runtime/platform.h"
#include "runtime/heap_cap.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <malloc.h>

#include <cerrno>
#include <cstdint>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/text.h"
#include "tests/native/platform_posix.h"

extern "C" const char __executable_start;
extern "C" const char _end;

namespace platform {

namespace posix {
void releaseHeld();
int messageBoxCount;
MessageBoxCall lastMessageBox;
int nextAnswer = 1;
long writeLimit = -1;
int failAllocationAfter;
bool untrustedIdentities;
int failCloseAfter;
std::string holdAfterClose;

void reset() {
    messageBoxCount = 0;
    lastMessageBox = {};
    nextAnswer = 1;
    writeLimit = -1;
    failAllocationAfter = 0;
    untrustedIdentities = false;
    failCloseAfter = 0;
    holdAfterClose.clear();
    releaseHeld();
    setHeapLimit(0);
    setReadHook(nullptr);
    setFileDelay(0);
}
} // namespace posix

namespace {
bool allocationFails() {
    if (posix::failAllocationAfter <= 0) return false;
    return --posix::failAllocationAfter == 0;
}

platform::HeapCap gCap;
ReadHook gReadHook;
std::uint32_t gFileDelay;

int fdOf(FileHandle file) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(file)) - 1;
}

// Windows' sharing, kept as Windows keeps it: an open is refused when it
// asks for access that an open handle of the same file does not share, or
// shares less than such a handle has; a file that is open cannot be
// deleted (nothing here shares deleting).
struct OpenRecord {
    int fd;
    dev_t device;
    ino_t inode;
    std::uint32_t access, share;
};
std::vector<OpenRecord> gOpen;
std::vector<FileHandle> gHeld; // opened by holdAfterClose

bool conflicts(const OpenRecord& a, std::uint32_t access, std::uint32_t share) {
    auto refused = [](std::uint32_t access, std::uint32_t share) {
        return ((access & kGenericRead) && !(share & kShareRead)) ||
               ((access & kGenericWrite) && !(share & kShareWrite));
    };
    return refused(access, a.share) || refused(a.access, share);
}

bool isOpen(const struct stat& st) {
    for (const OpenRecord& r : gOpen)
        if (r.device == st.st_dev && r.inode == st.st_ino) return true;
    return false;
}
} // namespace

void cacheProcessHeap() {}

void setHeapLimit(std::size_t bytes) {
    gCap.set(bytes);
}

void* heapAlloc(std::size_t size, bool zeroFill) {
    if (allocationFails()) return nullptr;
    // malloc(0) may give null; the Windows heap hands out a valid block.
    std::size_t n = size ? size : 1;
    if (!gCap.allows(n)) return nullptr;
    void* block = zeroFill ? std::calloc(1, n) : std::malloc(n);
    if (block && gCap.on()) gCap.replaced(0, malloc_usable_size(block));
    return block;
}

void* heapRealloc(void* block, std::size_t size) {
    if (allocationFails()) return nullptr;
    const std::size_t old = gCap.on() && block ? malloc_usable_size(block) : 0;
    if (!gCap.allows(size ? size : 1, old)) return nullptr;
    void* moved = std::realloc(block, size ? size : 1);
    if (moved && gCap.on()) gCap.replaced(old, malloc_usable_size(moved));
    return moved;
}

void heapFree(void* block) {
    if (block && gCap.on()) gCap.replaced(malloc_usable_size(block), 0);
    std::free(block);
}

bool isReadable(const void*, std::size_t) {
    return true;
}

// A read into fresh memory maps its pages in the kernel, cheaper than
// touching them first (a quarter of the read's time, measured).
void prepareForRead(void*, std::size_t) {}

void imageRange(const std::uint8_t** first, const std::uint8_t** last) {
    *first = reinterpret_cast<const std::uint8_t*>(&__executable_start);
    *last = reinterpret_cast<const std::uint8_t*>(&_end);
}

FileHandle openFile(const char* name, std::uint32_t access, std::uint32_t share,
                    std::uint32_t disposition) {
    int flags = 0;
    bool read = access & kGenericRead, write = access & kGenericWrite;
    flags = read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    struct stat before {};
    if (::stat(name ? name : "", &before) == 0)
        for (const OpenRecord& r : gOpen)
            if (r.device == before.st_dev && r.inode == before.st_ino &&
                conflicts(r, access, share))
                return nullptr; // a sharing violation
    if (disposition == kCreateAlways) flags |= O_CREAT | O_TRUNC;
    if (disposition == kOpenAlways) flags |= O_CREAT;
    int fd = ::open(name ? name : "", flags | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) { // Windows refuses folders
        ::close(fd);
        return nullptr;
    }
    gOpen.push_back({fd, st.st_dev, st.st_ino, access, share});
    return reinterpret_cast<FileHandle>(static_cast<std::intptr_t>(fd) + 1);
}

bool readFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* transferred) {
    if (gFileDelay) ::usleep(gFileDelay * 1000);
    std::uint32_t done = 0;
    bool ok = true;
    while (done < count) {
        ssize_t n = ::read(fdOf(file), static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        done += static_cast<std::uint32_t>(n);
    }
    *transferred = done;
    if (gReadHook) gReadHook(file);
    return ok;
}

bool writeFile(FileHandle file, const void* buffer, std::uint32_t count,
               std::uint32_t* transferred) {
    if (gFileDelay) ::usleep(gFileDelay * 1000);
    std::uint32_t want = count;
    if (posix::writeLimit >= 0 && want > static_cast<std::uint32_t>(posix::writeLimit))
        want = static_cast<std::uint32_t>(posix::writeLimit);
    std::uint32_t done = 0;
    while (done < want) {
        ssize_t n = ::write(fdOf(file), static_cast<const char*>(buffer) + done, want - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *transferred = done;
            return false;
        }
        done += static_cast<std::uint32_t>(n);
    }
    *transferred = done;
    return true;
}

std::uint64_t seekFile(FileHandle file, std::int64_t offset, std::uint32_t origin) {
    int whence = origin == kSeekBegin ? SEEK_SET : origin == kSeekCurrent ? SEEK_CUR : SEEK_END;
    off_t at = ::lseek(fdOf(file), static_cast<off_t>(offset), whence);
    return at < 0 ? kInvalidPosition : static_cast<std::uint64_t>(at);
}

bool fileSize(FileHandle file, std::uint64_t* size) {
    struct stat st {};
    if (fstat(fdOf(file), &st) != 0) return false;
    *size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool truncateFile(FileHandle file, std::uint64_t size) {
    return ::ftruncate(fdOf(file), static_cast<off_t>(size)) == 0 &&
           ::lseek(fdOf(file), static_cast<off_t>(size), SEEK_SET) >= 0;
}

bool closeFile(FileHandle file) {
    for (auto r = gOpen.begin(); r != gOpen.end(); ++r)
        if (r->fd == fdOf(file)) {
            gOpen.erase(r);
            break;
        }
    struct stat was {
    }, held{};
    const bool known = fstat(fdOf(file), &was) == 0;
    bool closed = ::close(fdOf(file)) == 0;
    if (posix::failCloseAfter > 0 && --posix::failCloseAfter == 0) closed = false;
    if (known && !posix::holdAfterClose.empty() &&
        ::stat(posix::holdAfterClose.c_str(), &held) == 0 && held.st_dev == was.st_dev &&
        held.st_ino == was.st_ino)
        if (FileHandle again = openFile(posix::holdAfterClose.c_str(), kGenericRead,
                                        kShareRead | kShareWrite, kOpenExisting))
            gHeld.push_back(again);
    return closed;
}

void posix::releaseHeld() {
    std::vector<FileHandle> held;
    held.swap(gHeld);
    for (FileHandle file : held)
        closeFile(file);
}

bool deleteFile(const char* name) {
    struct stat st {};
    if (::stat(name, &st) != 0 || S_ISDIR(st.st_mode) || isOpen(st)) return false;
    return ::unlink(name) == 0;
}

// As MoveFileEx replaces: never a folder, never a file that is open (no
// handle here shares deleting), nor one that is open itself.
bool replaceFile(const char* from, const char* to) {
    struct stat source {
    }, target{};
    if (::stat(from, &source) != 0 || S_ISDIR(source.st_mode) || isOpen(source)) return false;
    if (::stat(to, &target) == 0 && (S_ISDIR(target.st_mode) || isOpen(target))) return false;
    return ::rename(from, to) == 0;
}

namespace {
FileIdentity identityOf(const struct stat& st) {
    FileIdentity identity;
    identity.volume = static_cast<std::uint64_t>(st.st_dev);
    identity.low = static_cast<std::uint64_t>(st.st_ino);
    identity.trusted = !posix::untrustedIdentities;
    return identity;
}
} // namespace

bool fileIdentity(FileHandle file, FileIdentity* identity) {
    struct stat st {};
    if (fstat(fdOf(file), &st) != 0) return false;
    *identity = identityOf(st);
    return true;
}

bool fileIdentityOf(const char* name, FileIdentity* identity) {
    struct stat st {};
    if (::stat(name, &st) != 0) return false;
    *identity = identityOf(st);
    return true;
}

// Windows' view of names: full against the working folder, letters alike
// in either case (only single-byte ones: a two-byte character has none).
bool fullFileName(const char* name, char* out, std::uint32_t size) {
    std::string full = name ? name : "";
    if (full.empty()) return false;
    if (full[0] != '/') {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd)) return false;
        full = std::string(cwd) + "/" + full;
    }
    if (full.size() >= size) return false;
    std::memcpy(out, full.c_str(), full.size() + 1);
    return true;
}

bool sameFileName(const char* a, const char* b) {
    auto fold = [](const char* p) {
        std::string s;
        for (std::size_t n; *p; p += n) {
            n = rt::characterSize(p);
            const auto c = static_cast<unsigned char>(*p);
            if (n == 1 && c >= 'a' && c <= 'z')
                s += static_cast<char>(c - 'a' + 'A');
            else
                s.append(p, n); // a two-byte character has no case here
        }
        return s;
    };
    return fold(a) == fold(b);
}

// Names keep Windows' view here: "dir/out\文本1.txt" is the file
// "out\文本1.txt" of the directory "dir", so the files of the folder
// "dir/out" are the entries of "dir" that start with "out\".
void listFiles(const char* folder, const char* pattern, NameVisitor visit, void* context) {
    std::string path = std::string(folder) + "\\" + pattern;
    std::size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string match = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t prefix = match.rfind('\\') + 1; // the folder's part of each entry
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        if (fnmatch(match.c_str(), entry->d_name, FNM_NOESCAPE | FNM_CASEFOLD) != 0) continue;
        struct stat st {};
        if (::stat((directory + "/" + entry->d_name).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
            continue;
        if (!visit(entry->d_name + prefix, context)) break;
    }
    ::closedir(dir);
}

void setReadHook(ReadHook hook) {
    gReadHook = hook;
}

void setFileDelay(std::uint32_t milliseconds) {
    gFileDelay = milliseconds;
}

int messageBox(void*, const char* text, const char* caption, std::uint32_t style) {
    ++posix::messageBoxCount;
    posix::lastMessageBox = {text ? text : "", caption ? caption : "", style, gCap.room()};
    std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
    return posix::nextAnswer;
}

std::uint32_t modulePath(char* buffer, std::uint32_t size) {
    ssize_t n = ::readlink("/proc/self/exe", buffer, size ? size - 1 : 0);
    if (n <= 0) return 0;
    buffer[n] = 0;
    return static_cast<std::uint32_t>(n);
}

const char* commandLine() {
    static char line[PATH_MAX + 16];
    std::snprintf(line, sizeof line, "\"%s\"", "/proc/self/exe");
    return line;
}

// The code page 936 forms that LCMAP_HALFWIDTH maps: the full-width ASCII
// block 0xA3 0xA1..0xFE and the ideographic space 0xA1 0xA1.
int mapHalfWidth(const char* source, int length, char* target, int targetSize) {
    if (length < 0) length = static_cast<int>(std::strlen(source)) + 1;
    int out = 0;
    for (int i = 0; i < length; ++i) {
        auto c = static_cast<unsigned char>(source[i]);
        char mapped[2];
        int n = 1;
        mapped[0] = static_cast<char>(c);
        if (c >= 0x80 && i + 1 < length) {
            auto t = static_cast<unsigned char>(source[i + 1]);
            if (c == 0xA3 && t >= 0xA1 && t <= 0xFE)
                mapped[0] = static_cast<char>(t - 0x80);
            else if (c == 0xA1 && t == 0xA1)
                mapped[0] = ' ';
            else {
                mapped[1] = static_cast<char>(t);
                n = 2;
            }
            ++i;
        }
        if (out + n > targetSize) return 0;
        std::memcpy(target + out, mapped, static_cast<std::size_t>(n));
        out += n;
    }
    return out;
}

void exitProcess(std::uint32_t code) {
    std::fflush(nullptr);
    _exit(static_cast<int>(code));
}

} // namespace platform
