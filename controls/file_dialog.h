// FileDialog: the system's Open and Save As dialogs. All settings live in one
// record that mirrors OPENFILENAMEA field by field, with runtime texts and
// byte sets in place of raw strings; the system structure is built from it
// on every call and its results copied back.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "runtime/values.h"

// 88 bytes on 32-bit: the three trailing members (reserved pointer, reserved
// word, extended flags) included.
constexpr std::uint32_t kOpenFileNameSize = sizeof(OPENFILENAMEA);
static_assert(kOpenFileNameSize == 13 * sizeof(void*) + 36 + (sizeof(void*) == 8 ? 12 : 0),
              "OPENFILENAMEA: 13 pointers, 8 DWORDs and 2 WORDs (88 bytes on 32-bit)");
static_assert(offsetof(OPENFILENAMEA, FlagsEx) + 4 == kOpenFileNameSize,
              "extended flags are the structure's last member");

constexpr std::uint32_t kOpenBufferSize = 65535;
constexpr std::uint32_t kSaveBufferSize = 260;
constexpr std::uint32_t kFileTitleSize = 260;

// The settings record: 23 one-word fields in the order of OPENFILENAMEA.
struct FileDialogSettings {
    std::uintptr_t structSize;
    HWND owner;
    HINSTANCE instance;
    rt::ByteSet filter; // owned: pairs of NUL-terminated texts, then a NUL
    char* customFilter; // owned
    std::uintptr_t customFilterSize;
    std::uintptr_t filterIndex; // from 1
    rt::ByteSet fileBuffer;     // owned
    std::uintptr_t fileBufferSize;
    char* fileTitle; // owned
    std::uintptr_t fileTitleSize;
    char* initialFolder; // owned
    char* title;         // owned
    std::uintptr_t flags;
    std::uintptr_t fileNameOffset; // a 16-bit value
    std::uintptr_t extensionOffset;
    char* defaultExtension; // owned
    LPARAM customData;
    LPOFNHOOKPROC hook;
    char* templateName; // owned
    void* reservedPointer;
    std::uintptr_t reservedWord;
    std::uintptr_t extendedFlags;
};
static_assert(sizeof(FileDialogSettings) == 23 * sizeof(void*),
              "the settings record: 23 one-word fields (92 bytes on 32-bit)");
static_assert(offsetof(FileDialogSettings, flags) == 13 * sizeof(void*) &&
                  offsetof(FileDialogSettings, extendedFlags) == 22 * sizeof(void*),
              "flags are field 14, extended flags field 23");

class FileDialog {
  public:
    FileDialog() = default;

    // --- operations, in table order ----------------------------------------
    // Frees every owned text and byte set and the record; the caller frees the
    // object.
    virtual void release();
    // A new object with a deep copy of the record.
    virtual FileDialog* clone();
    // Flags default to OFN_EXPLORER; a hook adds OFN_ENABLEHOOK. "|" in the
    // filter separates description and pattern. Returns the hook (null: none).
    // While this record's dialog is up nothing changes and null is returned.
    virtual LPOFNHOOKPROC setup(const char* title, const char* filter, std::uint32_t filterIndex,
                                const char* initialFolder, const char* defaultExtension,
                                std::optional<std::uint32_t> flags = {},
                                std::optional<LPOFNHOOKPROC> hook = {});
    // 1 when the user confirmed a choice, else 0. While this record's dialog
    // is already up (a call from its own message loop) no second one is
    // shown: 0, and the record is left to the dialog that uses it.
    virtual int showOpen(HWND owner, std::optional<const char*> initialName = {});
    virtual int showSave(HWND owner, std::optional<const char*> initialName = {});
    // A new text: the chosen path, or with OFN_ALLOWMULTISELECT every chosen
    // path followed by CR LF; empty when nothing was chosen.
    virtual char* fileName();
    virtual std::uint32_t filterIndex();

    FileDialogSettings* settings() const { return settings_; }

  private:
    friend FileDialog* newFileDialog(HINSTANCE);
    int show(HWND owner, std::optional<const char*> initialName, std::uint32_t bufferSize,
             bool save);

    FileDialogSettings* settings_ = nullptr; // owned
};
static_assert(sizeof(FileDialog) == 2 * sizeof(void*),
              "a file dialog object: the class table and the settings record");

// A new object in a zero-filled heap block: structure size, the module
// instance given and OFN_EXPLORER set, everything else zero. End it with
// release() and then rt::free().
FileDialog* newFileDialog(HINSTANCE moduleInstance);

// The filter in the system's form: "|" becomes NUL, two NULs are appended.
rt::ByteSet systemFilter(const char* filter);
