#include "app/tool_open.h"

#include <cstring>

#include "app/test_seams.h"
#include "app/tool_close.h"
#include "app/tool_dialog.h"
#include "runtime/service.h"
#include "runtime/text.h"

namespace app {

namespace {

rt::TextValue gStartPath; // named on the command line, imported once the dialog is up
constexpr UINT_PTR kStartTimer = 0x5453;
// How often a name that found the tool busy is tried again.
constexpr UINT kStartRetry = 200;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFile(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The end of the first name of a text without quotes: several files dropped
// on the program's icon come as names quoted only when they have blanks,
// while a shortcut may name one path with blanks and no quotes. The shortest
// run of words that names a file is the first name; else the whole text.
// (A blank is never a trail byte of a double-byte character.)
const char* firstNameEnd(const char* from, const char* to) {
    for (const char* at = from + 1; at < to; ++at) {
        if (!isBlank(*at) || isBlank(at[-1])) continue;
        rt::TextValue words(rt::newText(from, std::uint32_t(at - from)));
        if (isFile(words.get())) return at;
    }
    return to;
}

// A name that reached the tool besides its Open dialog.
void importNamed(const char* path) {
    if (*path && !isFolder(path)) importPath(path);
}

void CALLBACK importStartPath(HWND dialog, UINT, UINT_PTR id, DWORD) {
    // Work, or one of the tool's dialogs or boxes (the Open dialog may be up
    // already): tried again until the tool is free, forgotten only when it
    // closes.
    if (toolBusy() && !toolClosing()) {
        SetTimer(dialog, id, kStartRetry, importStartPath);
        return;
    }
    KillTimer(dialog, id);
    rt::TextValue path(gStartPath.release());
    importNamed(path.c_str());
}

} // namespace

char* pathFromArguments(const char* arguments) {
    const char* from = rt::orEmpty(arguments);
    while (isBlank(*from))
        ++from;
    const char* to = from + std::strlen(from);
    if (*from == '"') {
        ++from;
        const char* quote = std::strchr(from, '"');
        to = quote ? quote : to;
    } else {
        while (to > from && isBlank(to[-1]))
            --to;
        to = firstNameEnd(from, to);
    }
    rt::TextValue named(rt::newText(from, std::uint32_t(to - from)));
    if (named.empty()) return named.release();
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(named.get(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return named.release();
    return rt::copyText(full);
}

void acceptFilesFor(HWND dialog) {
    tool().dialog->setFileDropHandler(win::handlerOf(&filesDropped));
    tool().dialog->acceptFiles(true);
    startDropSeam(dialog);
    gStartPath.reset(pathFromArguments(rt::argumentsAfterProgramName(GetCommandLineA())));
    if (!gStartPath.empty()) SetTimer(dialog, kStartTimer, startPathDelay(), importStartPath);
}

std::intptr_t filesDropped(const char* names) {
    if (toolBusy()) return 0;
    const char* text = rt::orEmpty(names);
    const char* end = std::strstr(text, "\r\n");
    rt::TextValue first(rt::newText(text, std::uint32_t(end ? end - text : std::strlen(text))));
    importNamed(first.c_str());
    return 0;
}

} // namespace app
