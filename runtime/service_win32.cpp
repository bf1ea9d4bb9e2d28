#include "runtime/service.h"

#include <windows.h>

#include <cstring>

#include "runtime/foreign_call.h"
#include "runtime/memory.h"
#include "runtime/text.h"

namespace rt {

namespace {

// The runtime's two path buffers, filled on request.
char gDirectory[kPathBufferSize];
char gFileName[kPathBufferSize];

// The last backslash of a code-page text, stepping over double-byte
// characters: a trail byte may have the value of a backslash.
const char* lastBackslash(const char* text) {
    const char* found = nullptr;
    for (const char* p = text; *p; p += characterSize(p))
        if (*p == '\\') found = p;
    return found;
}

void copyBounded(char* target, const char* source, std::size_t size) {
    std::size_t n = std::strlen(source);
    if (n >= size) n = size - 1;
    std::memcpy(target, source, n);
    target[n] = '\0';
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) { // a quit slipped in between: leave it for the owner's loop
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

[[noreturn]] void runtimeError(const char* message) {
    char text[1024];
    wsprintfA(text, "Ostrelin RunTime Error:\r\n\r\n%s", orEmpty(message));
    MessageBoxA(nullptr, text, "ERROR", MB_ICONERROR);
    endProcess(0);
}

std::uintptr_t unsupported(std::uintptr_t request) {
    char text[256];
    wsprintfA(text, "不支持系统功能函数%d. 请将此信息反馈给作者", static_cast<int>(request));
    MessageBoxA(nullptr, text, "ostrelin", MB_ICONERROR);
    return 0;
}

template <class T> std::uintptr_t word(T* p) {
    return reinterpret_cast<std::uintptr_t>(p);
}
template <class T> T* pointer(std::uintptr_t w) {
    return reinterpret_cast<T*>(w);
}

} // namespace

std::int32_t valueToInt(const ValueBlock* value) {
    if (!value) return 0;
    double real;
    switch (value->tag) {
    case kTagFloat:
        real = value->asFloat();
        break;
    case kTagDouble:
        real = value->asDouble();
        break;
    default:
        return value->asInt(); // long integers and the rest: the low 32 bits
    }
    // Out of range and NaN give the processor's "integer indefinite" instead
    // of an undefined conversion.
    if (!(real > -2147483649.0 && real < 2147483648.0)) return INT32_MIN;
    return static_cast<std::int32_t>(real); // truncates toward zero
}

const char* argumentsAfterProgramName(const char* commandLine) {
    if (!commandLine) return kEmptyText;
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p) {
            ++p;
            if (*p == ' ') ++p;
        }
    } else {
        while (*p && *p != ' ')
            ++p;
        if (*p) ++p;
    }
    return p;
}

std::uintptr_t programPathRequest(std::uintptr_t request, std::uintptr_t selector,
                                  char* callerBuffer, const char* programPath) {
    if (request == kRequestPathIntoBuffer && selector != kSelectDirectory &&
        selector != kSelectDirectoryToo && selector != kSelectFileName)
        return 0;
    if (!programPath) {
        if (request != kRequestPathIntoBuffer) return 0;
        gDirectory[0] = gFileName[0] = '\0';
    } else {
        copyBounded(gDirectory, programPath, kPathBufferSize);
        const char* slash = lastBackslash(gDirectory);
        std::size_t cut = slash ? static_cast<std::size_t>(slash - gDirectory) : 0;
        if (request == kRequestProgramDirectory) {
            gDirectory[cut] = '\0';
            return word(gDirectory);
        }
        copyBounded(gFileName, slash ? slash + 1 : gDirectory, kPathBufferSize);
        gDirectory[slash ? cut + 1 : 0] = '\0';
        if (request == kRequestProgramFileName) return word(gFileName);
    }
    char* selected = selector == kSelectFileName ? gFileName : gDirectory;
    if (callerBuffer) copyBounded(callerBuffer, selected, kPathBufferSize);
    return word(selected);
}

std::uintptr_t RT_STDCALL runtimeService(std::uintptr_t request, std::uintptr_t first,
                                         std::uintptr_t second) {
    switch (request) {
    case kRequestConstantOne:
        return 1;
    case kRequestConstantFour:
        return 4;
    case kRequestConstantThree:
        return 3;
    case kRequestPathIntoBuffer:
    case kRequestProgramDirectory:
    case kRequestProgramFileName: {
        char path[kPathBufferSize];
        DWORD n = GetModuleFileNameA(nullptr, path, kPathBufferSize);
        // A path cut short at the buffer's end is no path at all.
        bool ok = n > 0 && n < kPathBufferSize;
        return programPathRequest(request, first, pointer<char>(second), ok ? path : nullptr);
    }
    case kRequestValueToInt:
        return static_cast<std::uintptr_t>(
            static_cast<std::intptr_t>(valueToInt(pointer<const ValueBlock>(first))));
    case kRequestArguments:
        return word(argumentsAfterProgramName(GetCommandLineA()));
    case kRequestPumpMessages:
        pumpMessages();
        return 0;
    case kRequestReleaseArray:
        switch (static_cast<std::uint32_t>(first)) {
        case kTagText:
        case kTagByteSet:
        case kTagLogical:
        case kTagDateTime:
        case kTagSubroutine:
        case kTagByte:
        case kTagShort:
        case kTagInt:
        case kTagLong:
        case kTagFloat:
        case kTagDouble:
            releaseArray(pointer<ArrayHeader>(second), static_cast<std::uint32_t>(first));
            break;
        default:
            break;
        }
        return 0;
    case kRequestAllocate:
        return word(allocate(first));
    case kRequestFree:
        free(pointer<void>(first));
        return 0;
    case kRequestReallocate:
        return word(reallocate(pointer<void>(first), second));
    case kRequestRuntimeError:
        runtimeError(pointer<const char>(first));
    case kRequestEndProcess:
        endProcess(static_cast<std::uint32_t>(first));
    case kRequestWindowCount:
        return 0;
    case kRequestWindowAt:
        return 0;
    default:
        return unsupported(request);
    }
}

ValueBlock callLibraryCommand(const void* command, const ValueBlock* arguments,
                              std::int32_t count) {
    ValueBlock result = ValueBlock::none();
    if (!command) return result;
    const std::uintptr_t words[] = {word(&result),
                                    static_cast<std::uintptr_t>(static_cast<std::uint32_t>(count)),
                                    word(arguments)};
    callForeign(command, words, 3);
    return result;
}

} // namespace rt
