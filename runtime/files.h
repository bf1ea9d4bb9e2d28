// File commands of the runtime: open, read text and close work on handles
// kept in a process-wide list (closed by an exit hook at the end); write
// file creates, writes and closes in one call. Failures are results: no
// command shows anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>

#include "runtime/platform.h"
#include "runtime/values.h"

namespace rt {

// Open modes: omitted or any other value read and write, existing file.
constexpr std::int32_t kOpenRead = 1;            // read, must exist
constexpr std::int32_t kOpenWrite = 2;           // write, must exist
constexpr std::int32_t kOpenReadWrite = 3;       // read and write, must exist
constexpr std::int32_t kOpenCreate = 4;          // write, created or truncated
constexpr std::int32_t kOpenAppend = 5;          // write, created when missing
constexpr std::int32_t kOpenReadWriteAlways = 6; // read and write, created when missing

// Share modes: omitted, 1 or any other value let others read and write.
constexpr std::int32_t kShareAll = 1;
constexpr std::int32_t kShareDenyRead = 2;  // others may write only
constexpr std::int32_t kShareDenyWrite = 3; // others may read only
constexpr std::int32_t kShareNone = 4;

// The handle is the address of the file's record; 0 when the open failed.
std::intptr_t openFile(const char* name, std::optional<std::int32_t> mode = std::nullopt,
                       std::optional<std::int32_t> share = std::nullopt);

// Reads from the current position (to the end when count is omitted) and
// returns the bytes before the first zero byte or 0x1A as a fresh text, the
// position left at that stop byte. An empty read is a one-byte "" text;
// null for an unknown handle, a count of 0 or less, or a failed read (the
// position then at the end of the file).
char* readText(std::intptr_t handle, std::optional<std::int32_t> count = std::nullopt);

// Reads up to count raw bytes from the current position into buffer (no
// stop bytes, no terminator). False for an unknown handle or a failed read;
// *got holds the bytes read, 0 at the end of the file.
bool readBytes(std::intptr_t handle, void* buffer, std::uint32_t count, std::uint32_t* got);

// Bytes from the current position to the end of the file, to size buffers
// by; 0 for an unknown handle or a size that cannot be told.
std::uint64_t bytesLeft(std::intptr_t handle);
// Moves to a position counted from the start; false for an unknown handle or
// a refused move.
bool setFilePosition(std::intptr_t handle, std::uint64_t position);
// Which file the handle reads (false for an unknown handle).
bool fileIdentity(std::intptr_t handle, platform::FileIdentity* identity);

// Unknown and null handles are ignored, so closing twice is harmless.
void closeFile(std::intptr_t handle);

// Owns a handle of open file: closed when the owner goes, so a file kept
// open from one operation to the next is closed on every path.
class OpenFile {
  public:
    OpenFile() = default;
    explicit OpenFile(std::intptr_t handle) : handle_(handle) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    OpenFile(OpenFile&& o) noexcept : handle_(o.release()) {}
    OpenFile& operator=(OpenFile&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ~OpenFile() { reset(); }

    std::intptr_t get() const { return handle_; }
    explicit operator bool() const { return handle_ != 0; }
    std::intptr_t release() { return std::exchange(handle_, 0); }
    void reset(std::intptr_t handle = 0) {
        if (handle != handle_) closeFile(std::exchange(handle_, handle));
    }

  private:
    std::intptr_t handle_ = 0;
};

// Exit hook 2: closes every file still open.
void closeAllFiles();

// Number of files in the open-file list.
std::size_t openFileCount();

// Writes one file in pieces, the way write file writes its byte sets: the
// file is created or truncated without sharing, and a refused or short
// write makes the whole file a failure (later writes are skipped).
class FileWriter {
  public:
    FileWriter() = default;
    explicit FileWriter(const char* name) { open(name); }
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    ~FileWriter() { close(); }

    // Closes a file still open first. False when the file cannot be created.
    bool open(const char* name);
    bool write(const void* bytes, std::size_t n);
    // Takes back all bytes from `size` on; the next write follows them.
    bool truncate(std::uint64_t size);
    // True when the file was created, every byte written and the close
    // succeeded.
    bool close();
    bool ok() const { return ok_; }

  private:
    platform::FileHandle file_ = nullptr;
    bool ok_ = false;
};

// Creates or truncates the file and writes the byte sets in order (null and
// empty ones write nothing). True only when every byte was written: a
// refused or short write is a failure and ends the writing.
bool writeFile(const char* name, const ByteSetHeader* const* parts, std::size_t count);
inline bool writeFile(const char* name, std::initializer_list<const ByteSetHeader*> parts = {}) {
    return writeFile(name, parts.begin(), parts.size());
}

} // namespace rt
