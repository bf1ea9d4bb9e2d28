#include "controls/file_dialog.h"

#include <cstring>
#include <new>
#include <string>

#include "runtime/text.h"

namespace {

// Empty texts are stored as absent, so the system uses its own defaults (a
// blank title would otherwise replace "Open").
char* ownCopy(const char* text) {
    return rt::textLength(text) ? rt::copyText(text) : nullptr;
}

void replaceText(char** field, const char* text) {
    char* old = *field;
    *field = ownCopy(text);
    rt::free(old);
}

void replaceByteSet(rt::ByteSet* field, rt::ByteSet value) {
    rt::ByteSet old = *field;
    *field = value;
    rt::free(old);
}

rt::ByteSet copyByteSet(const rt::ByteSetHeader* b) {
    return b ? rt::newByteSet(rt::byteSetData(b), b->length) : nullptr;
}

char* dataOf(rt::ByteSet b) {
    return b ? reinterpret_cast<char*>(rt::byteSetData(b)) : nullptr;
}

// Bytes of text that fit in limit without cutting a double-byte character.
std::uint32_t fittingLength(const char* text, std::uint32_t limit) {
    std::uint32_t n = 0;
    while (text[n]) {
        auto step = static_cast<std::uint32_t>(rt::characterSize(text + n));
        if (n + step > limit) break;
        n += step;
    }
    return n;
}

std::uint32_t boundedLength(const std::uint8_t* p, std::uint32_t limit) {
    std::uint32_t n = 0;
    while (n < limit && p[n])
        ++n;
    return n;
}

// Whether the text's last character is a backslash (not a trail byte that
// has a backslash's value).
bool endsInBackslash(const std::string& text) {
    bool last = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        last = text[i] == '\\';
        if (rt::characterSize(text.c_str(), i, text.size()) == 2) {
            ++i;
            last = false;
        }
    }
    return last;
}

// After a call: a text field the system pointed elsewhere takes a copy of
// what it points to.
void takeBack(char** field, const char* fromSystem) {
    if (fromSystem == *field) return;
    char* old = *field;
    *field = IS_INTRESOURCE(fromSystem) ? const_cast<char*>(fromSystem) : ownCopy(fromSystem);
    rt::free(old);
}

// Records whose dialog is up, innermost first. The system reads and writes
// their texts and buffers until it returns, so a call from the dialog's own
// message loop (a second click) must not replace them.
struct ShownRecord {
    const FileDialogSettings* record;
    ShownRecord* outer;
};
ShownRecord* gShown;

bool dialogUp(const FileDialogSettings* record) {
    for (const ShownRecord* s = gShown; s; s = s->outer)
        if (s->record == record) return true;
    return false;
}

// The record is marked as shown for the lifetime of this object.
class Showing {
  public:
    explicit Showing(const FileDialogSettings* record) : shown_{record, gShown} {
        gShown = &shown_;
    }
    ~Showing() { gShown = shown_.outer; }
    Showing(const Showing&) = delete;
    Showing& operator=(const Showing&) = delete;

  private:
    ShownRecord shown_;
};

} // namespace

rt::ByteSet systemFilter(const char* filter) {
    std::uint32_t n = rt::textLength(filter);
    rt::ByteSet b = rt::newByteSet(nullptr, static_cast<std::int32_t>(n + 2));
    std::uint8_t* data = rt::byteSetData(b);
    // A trail byte may have the value of "|": double-byte characters are
    // copied whole.
    for (std::uint32_t i = 0; i < n; ++i) {
        data[i] = filter[i] == '|' ? 0 : static_cast<std::uint8_t>(filter[i]);
        if (rt::characterSize(filter, i, n) == 2) {
            ++i;
            data[i] = static_cast<std::uint8_t>(filter[i]);
        }
    }
    return b;
}

FileDialog* newFileDialog(HINSTANCE moduleInstance) {
    auto* dialog = new (rt::allocate(sizeof(FileDialog))) FileDialog();
    auto* record = static_cast<FileDialogSettings*>(rt::allocate(sizeof(FileDialogSettings)));
    record->structSize = kOpenFileNameSize;
    record->instance = moduleInstance;
    record->flags = OFN_EXPLORER;
    dialog->settings_ = record;
    return dialog;
}

void FileDialog::release() {
    FileDialogSettings* r = settings_;
    if (!r) return;
    rt::free(r->filter);
    rt::free(r->customFilter);
    rt::free(r->fileBuffer);
    rt::free(r->fileTitle);
    rt::free(r->initialFolder);
    rt::free(r->title);
    rt::free(r->defaultExtension);
    if (!IS_INTRESOURCE(r->templateName)) rt::free(r->templateName);
    rt::free(r);
    settings_ = nullptr;
}

FileDialog* FileDialog::clone() {
    auto* copy = new (rt::allocate(sizeof(FileDialog))) FileDialog();
    if (!settings_) return copy;
    auto* r = static_cast<FileDialogSettings*>(rt::allocate(sizeof(FileDialogSettings)));
    *r = *settings_;
    r->filter = copyByteSet(settings_->filter);
    r->customFilter = ownCopy(settings_->customFilter);
    r->fileBuffer = copyByteSet(settings_->fileBuffer);
    r->fileTitle = settings_->fileTitle ? rt::copyText(settings_->fileTitle) : nullptr;
    r->initialFolder = ownCopy(settings_->initialFolder);
    r->title = ownCopy(settings_->title);
    r->defaultExtension = ownCopy(settings_->defaultExtension);
    if (!IS_INTRESOURCE(settings_->templateName))
        r->templateName = ownCopy(settings_->templateName);
    copy->settings_ = r;
    return copy;
}

LPOFNHOOKPROC FileDialog::setup(const char* title, const char* filter, std::uint32_t filterIndex,
                                const char* initialFolder, const char* defaultExtension,
                                std::optional<std::uint32_t> flags,
                                std::optional<LPOFNHOOKPROC> hook) {
    FileDialogSettings* r = settings_;
    if (dialogUp(r)) return nullptr;
    LPOFNHOOKPROC hookProc = hook.value_or(nullptr);
    std::uint32_t f = flags.value_or(OFN_EXPLORER);
    if (hookProc) f |= OFN_ENABLEHOOK;
    replaceText(&r->title, title);
    replaceText(&r->initialFolder, initialFolder);
    replaceText(&r->defaultExtension, defaultExtension);
    replaceByteSet(&r->filter, systemFilter(filter));
    r->filterIndex = filterIndex;
    r->flags = f;
    r->hook = hookProc;
    return hookProc;
}

int FileDialog::showOpen(HWND owner, std::optional<const char*> initialName) {
    return show(owner, initialName, kOpenBufferSize, false);
}

int FileDialog::showSave(HWND owner, std::optional<const char*> initialName) {
    return show(owner, initialName, kSaveBufferSize, true);
}

int FileDialog::show(HWND owner, std::optional<const char*> initialName, std::uint32_t bufferSize,
                     bool save) {
    FileDialogSettings* r = settings_;
    if (dialogUp(r)) return 0;
    r->fileNameOffset = 0;

    // The file buffer: the initial name, then zeros up to the buffer size. A
    // name that does not fit is cut at a character boundary so that the
    // buffer always ends in a NUL within its size.
    rt::ByteSet buffer = rt::newByteSet(nullptr, static_cast<std::int32_t>(bufferSize));
    if (initialName && *initialName) {
        const char* name = *initialName;
        std::memcpy(rt::byteSetData(buffer), name, fittingLength(name, bufferSize - 1));
    }
    replaceByteSet(&r->fileBuffer, buffer);
    r->fileBufferSize = bufferSize;
    rt::free(r->fileTitle);
    r->fileTitle = rt::blankText(kFileTitleSize);
    r->fileTitleSize = kFileTitleSize;
    r->owner = owner;

    auto* ofn = static_cast<OPENFILENAMEA*>(rt::allocate(sizeof(OPENFILENAMEA)));
    ofn->lStructSize = static_cast<DWORD>(r->structSize);
    ofn->hwndOwner = r->owner;
    ofn->hInstance = r->instance;
    ofn->lpstrFilter = dataOf(r->filter);
    ofn->lpstrCustomFilter = r->customFilter;
    ofn->nMaxCustFilter = static_cast<DWORD>(r->customFilterSize);
    ofn->nFilterIndex = static_cast<DWORD>(r->filterIndex);
    ofn->lpstrFile = dataOf(r->fileBuffer);
    ofn->nMaxFile = static_cast<DWORD>(r->fileBufferSize);
    ofn->lpstrFileTitle = r->fileTitle;
    ofn->nMaxFileTitle = static_cast<DWORD>(r->fileTitleSize);
    ofn->lpstrInitialDir = r->initialFolder;
    ofn->lpstrTitle = r->title;
    ofn->Flags = static_cast<DWORD>(r->flags);
    ofn->nFileOffset = static_cast<WORD>(r->fileNameOffset);
    ofn->nFileExtension = static_cast<WORD>(r->extensionOffset);
    ofn->lpstrDefExt = r->defaultExtension;
    ofn->lCustData = r->customData;
    ofn->lpfnHook = r->hook;
    ofn->lpTemplateName = r->templateName;
    ofn->pvReserved = r->reservedPointer;
    ofn->dwReserved = static_cast<DWORD>(r->reservedWord);
    ofn->FlagsEx = static_cast<DWORD>(r->extendedFlags);

    BOOL chosen;
    {
        Showing showing(r);
        chosen = save ? GetSaveFileNameA(ofn) : GetOpenFileNameA(ofn);
    }

    r->structSize = ofn->lStructSize;
    r->owner = ofn->hwndOwner;
    r->instance = ofn->hInstance;
    takeBack(&r->customFilter, ofn->lpstrCustomFilter);
    r->customFilterSize = ofn->nMaxCustFilter;
    r->filterIndex = ofn->nFilterIndex;
    r->fileBufferSize = ofn->nMaxFile;
    takeBack(&r->fileTitle, ofn->lpstrFileTitle);
    r->fileTitleSize = ofn->nMaxFileTitle;
    takeBack(&r->initialFolder, ofn->lpstrInitialDir);
    takeBack(&r->title, ofn->lpstrTitle);
    r->flags = ofn->Flags;
    // Nothing was chosen unless the system said so.
    r->fileNameOffset = chosen ? ofn->nFileOffset : 0;
    r->extensionOffset = ofn->nFileExtension;
    takeBack(&r->defaultExtension, ofn->lpstrDefExt);
    r->customData = ofn->lCustData;
    r->hook = ofn->lpfnHook;
    takeBack(&r->templateName, ofn->lpTemplateName);
    r->reservedPointer = ofn->pvReserved;
    r->reservedWord = ofn->dwReserved;
    r->extendedFlags = ofn->FlagsEx;
    rt::free(ofn);
    return chosen ? 1 : 0;
}

char* FileDialog::fileName() {
    const FileDialogSettings* r = settings_;
    std::uint32_t offset = r ? static_cast<WORD>(r->fileNameOffset) : 0;
    if (offset == 0 || !r->fileBuffer) return rt::copyText(rt::kEmptyText);
    const std::uint8_t* data = rt::byteSetData(r->fileBuffer);
    auto size = static_cast<std::uint32_t>(rt::byteSetLength(r->fileBuffer));
    if (!(r->flags & OFN_ALLOWMULTISELECT))
        return rt::newText(reinterpret_cast<const char*>(data), boundedLength(data, size));

    std::uint32_t folderBytes = offset < size ? offset : size;
    std::string folder(reinterpret_cast<const char*>(data), boundedLength(data, folderBytes));
    if (!endsInBackslash(folder)) folder += '\\';
    std::string list;
    for (std::uint32_t p = offset; p < size;) {
        std::uint32_t n = boundedLength(data + p, size - p);
        if (n == 0) break;
        list += folder;
        list.append(reinterpret_cast<const char*>(data + p), n);
        list += "\r\n";
        p += n + 1;
    }
    return rt::newText(list.data(), static_cast<std::uint32_t>(list.size()));
}

std::uint32_t FileDialog::filterIndex() {
    return settings_ ? static_cast<std::uint32_t>(settings_->filterIndex) : 0;
}
