#include "runtime/files.h"

#include <cstring>

#include "runtime/platform.h"
#include "runtime/process.h"

namespace rt {

namespace {

constexpr std::int32_t kWin32FileKind = 1;

// Records live on the standard allocator, not the runtime heap: the exit
// hook frees them after the application's own clean-up.
struct FileRecord {
    std::int32_t kind;
    platform::FileHandle handle;
    FileRecord* next;
};

FileRecord* gOpenFiles; // newest first

// Only addresses found in the list are ever dereferenced.
FileRecord* findRecord(std::intptr_t handle) {
    if (!handle) return nullptr;
    for (FileRecord* r = gOpenFiles; r; r = r->next)
        if (reinterpret_cast<std::intptr_t>(r) == handle) return r;
    return nullptr;
}

void accessFor(std::optional<std::int32_t> mode, std::uint32_t* access,
               std::uint32_t* disposition) {
    using namespace platform;
    *access = kGenericRead | kGenericWrite;
    *disposition = kOpenExisting;
    switch (mode.value_or(0)) {
    case kOpenRead:
        *access = kGenericRead;
        break;
    case kOpenWrite:
        *access = kGenericWrite;
        break;
    case kOpenCreate:
        *access = kGenericWrite;
        *disposition = kCreateAlways;
        break;
    case kOpenAppend:
        *access = kGenericWrite;
        *disposition = kOpenAlways;
        break;
    case kOpenReadWriteAlways:
        *disposition = kOpenAlways;
        break;
    default:
        break; // omitted, 3 and unknown modes: read and write, existing
    }
}

std::uint32_t sharingFor(std::optional<std::int32_t> share) {
    using namespace platform;
    switch (share.value_or(kShareAll)) {
    case kShareDenyRead:
        return kShareWrite;
    case kShareDenyWrite:
        return kShareRead;
    case kShareNone:
        return 0;
    default:
        return kShareRead | kShareWrite;
    }
}

char* failRead(platform::FileHandle file) {
    platform::seekFile(file, 0, platform::kSeekEnd);
    return nullptr;
}

} // namespace

std::intptr_t openFile(const char* name, std::optional<std::int32_t> mode,
                       std::optional<std::int32_t> share) {
    std::uint32_t access = 0, disposition = 0;
    accessFor(mode, &access, &disposition);
    platform::FileHandle file =
        platform::openFile(orEmpty(name), access, sharingFor(share), disposition);
    if (!file) return 0;
    auto* record = new FileRecord{kWin32FileKind, file, gOpenFiles};
    if (!gOpenFiles) setExitHook(kOpenFilesHook, closeAllFiles);
    gOpenFiles = record;
    return reinterpret_cast<std::intptr_t>(record);
}

char* readText(std::intptr_t handle, std::optional<std::int32_t> count) {
    FileRecord* record = findRecord(handle);
    if (!record) return nullptr;
    if (count && *count <= 0) return nullptr;
    platform::FileHandle file = record->handle;

    const std::uint64_t start = platform::seekFile(file, 0, platform::kSeekCurrent);
    if (start == platform::kInvalidPosition) return failRead(file);
    // What is left of the file bounds the read, so a large count asks for no
    // more memory than the file can fill. The size is taken whole: a file of
    // 4 GB or more is not read as its size modulo 4 GB.
    std::uint64_t size = 0;
    const bool sized = platform::fileSize(file, &size);
    std::uint64_t want = sized && size > start ? size - start : 0;
    if (count) {
        auto asked = static_cast<std::uint32_t>(*count);
        if (!sized || asked < want) want = asked;
    } else if (!sized) {
        return failRead(file);
    }
    // One text holds at most what one read can give; a longer rest of the
    // file cannot be one text.
    if (want >= 0xFFFFFFFFu || want >= ~std::size_t{0}) outOfMemory();

    // The bytes land directly in the text's own heap block (one copy of the
    // file in memory, not two); the block is cut to the text afterwards.
    auto* text = static_cast<char*>(platform::heapAlloc(static_cast<std::size_t>(want) + 1, false));
    if (!text) outOfMemory();
    std::uint32_t got = 0;
    if (!platform::readFile(file, text, static_cast<std::uint32_t>(want), &got)) {
        platform::heapFree(text);
        return failRead(file);
    }
    if (got > want) got = want;
    std::uint32_t length = got;
    if (const void* zero = std::memchr(text, 0, length))
        length = static_cast<std::uint32_t>(static_cast<const char*>(zero) - text);
    if (const void* eof = std::memchr(text, 0x1A, length))
        length = static_cast<std::uint32_t>(static_cast<const char*>(eof) - text);
    text[length] = 0;
    if (length < got) {
        // The next read starts at the stop byte, not after it.
        platform::seekFile(file, static_cast<std::int64_t>(start + length), platform::kSeekBegin);
        if (length + 1 < want) {
            if (void* smaller = reallocate(text, std::size_t{length} + 1))
                text = static_cast<char*>(smaller);
        }
    }
    return text;
}

void closeFile(std::intptr_t handle) {
    if (!handle) return;
    for (FileRecord** link = &gOpenFiles; *link; link = &(*link)->next) {
        if (reinterpret_cast<std::intptr_t>(*link) != handle) continue;
        FileRecord* record = *link;
        *link = record->next;
        if (!gOpenFiles) setExitHook(kOpenFilesHook, nullptr);
        platform::closeFile(record->handle);
        delete record;
        return;
    }
}

void closeAllFiles() {
    FileRecord* list = gOpenFiles;
    gOpenFiles = nullptr;
    setExitHook(kOpenFilesHook, nullptr);
    while (list) {
        FileRecord* next = list->next;
        platform::closeFile(list->handle);
        delete list;
        list = next;
    }
}

std::size_t openFileCount() {
    std::size_t n = 0;
    for (FileRecord* r = gOpenFiles; r; r = r->next)
        ++n;
    return n;
}

bool readBytes(std::intptr_t handle, void* buffer, std::uint32_t count, std::uint32_t* got) {
    *got = 0;
    FileRecord* record = findRecord(handle);
    if (!record) return false;
    std::uint32_t done = 0;
    bool ok = platform::readFile(record->handle, buffer, count, &done);
    *got = done > count ? count : done;
    return ok;
}

std::uint64_t bytesLeft(std::intptr_t handle) {
    FileRecord* record = findRecord(handle);
    if (!record) return 0;
    std::uint64_t at = platform::seekFile(record->handle, 0, platform::kSeekCurrent);
    std::uint64_t size = 0;
    if (at == platform::kInvalidPosition || !platform::fileSize(record->handle, &size) || size < at)
        return 0;
    return size - at;
}

bool setFilePosition(std::intptr_t handle, std::uint64_t position) {
    FileRecord* record = findRecord(handle);
    return record && platform::seekFile(record->handle, static_cast<std::int64_t>(position),
                                        platform::kSeekBegin) == position;
}

bool fileIdentity(std::intptr_t handle, platform::FileIdentity* identity) {
    FileRecord* record = findRecord(handle);
    return record && platform::fileIdentity(record->handle, identity);
}

bool FileWriter::open(const char* name) {
    close();
    file_ = platform::openFile(orEmpty(name), platform::kGenericWrite, 0, platform::kCreateAlways);
    ok_ = file_ != nullptr;
    return ok_;
}

bool FileWriter::write(const void* bytes, std::size_t n) {
    auto* at = static_cast<const std::uint8_t*>(bytes);
    while (ok_ && n > 0) {
        auto want = static_cast<std::uint32_t>(n < 0x40000000u ? n : 0x40000000u);
        std::uint32_t done = 0;
        // A full disk may accept part of the bytes and still report success:
        // a file that does not hold all of them was not written.
        ok_ = platform::writeFile(file_, at, want, &done) && done == want;
        at += want;
        n -= want;
    }
    return ok_;
}

bool FileWriter::truncate(std::uint64_t size) {
    ok_ = ok_ && platform::truncateFile(file_, size);
    return ok_;
}

bool FileWriter::close() {
    // A write the system delayed (a network share) may fail only here.
    bool written = ok_;
    if (file_ && !platform::closeFile(file_)) written = false;
    file_ = nullptr;
    ok_ = false;
    return written;
}

bool writeFile(const char* name, const ByteSetHeader* const* parts, std::size_t count) {
    FileWriter file(name);
    for (std::size_t i = 0; i < count && file.ok(); ++i) {
        std::int32_t length = byteSetLength(parts[i]);
        if (length > 0) file.write(byteSetData(parts[i]), std::size_t(length));
    }
    return file.close();
}

} // namespace rt
