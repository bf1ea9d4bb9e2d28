// The protocol between the runtime and its command libraries: the service
// callback through which a library asks the runtime for services, the call of
// a library command with value blocks, and the start of the libraries that
// the application put in the library table. The runtime knows the protocol,
// not the libraries. Windows only.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "runtime/process.h"
#include "runtime/values.h"

// The service callback uses the Win32 standard calling convention; on 64-bit
// there is only one convention.
#if defined(__i386__)
#define RT_STDCALL __attribute__((stdcall))
#else
#define RT_STDCALL
#endif

namespace rt {

// Request codes of the service callback.
enum ServiceRequest : std::uint32_t {
    kRequestConstantOne = 1004,
    kRequestConstantFour = 1005,
    kRequestPathIntoBuffer = 1006,
    kRequestValueToInt = 2001,
    kRequestArguments = 2002,
    kRequestProgramDirectory = 2003,
    kRequestProgramFileName = 2004,
    kRequestPumpMessages = 2018,
    kRequestReleaseArray = 2023,
    kRequestAllocate = 2024,
    kRequestFree = 2025,
    kRequestReallocate = 2026,
    kRequestRuntimeError = 2027,
    kRequestEndProcess = 2028,
    kRequestConstantThree = 2030,
    kRequestWindowCount = 2032,
    kRequestWindowAt = 2033,
};

// Selectors of request 1006.
constexpr std::uintptr_t kSelectDirectory = 1;
constexpr std::uintptr_t kSelectDirectoryToo = 2001;
constexpr std::uintptr_t kSelectFileName = 2002;

// The runtime's path buffers are MAX_PATH bytes.
constexpr std::uint32_t kPathBufferSize = 260;

// (request, first, second) -> result; what a library receives at event 1.
using ServiceCallback = std::uintptr_t(RT_STDCALL*)(std::uintptr_t request, std::uintptr_t first,
                                                    std::uintptr_t second);
std::uintptr_t RT_STDCALL runtimeService(std::uintptr_t request, std::uintptr_t first,
                                         std::uintptr_t second);

// The path requests (1006, 2003, 2004) worked out on a given program path; the
// callback passes the module's path, or null when it could not be read.
std::uintptr_t programPathRequest(std::uintptr_t request, std::uintptr_t selector,
                                  char* callerBuffer, const char* programPath);
// Request 2002 on a given command line: the address inside it of the text
// after the program name.
const char* argumentsAfterProgramName(const char* commandLine);
// Request 2001: the integer value of the value block.
std::int32_t valueToInt(const ValueBlock* value);

// A library command: result block, argument count, first argument block.
using LibraryCommand = void (*)(ValueBlock* result, std::uintptr_t count, ValueBlock* arguments);

// Clears a result block, calls the command with its address, the count and
// the arguments (stack-checked), and hands back the block: the value and the
// tag the command wrote. A text or byte set result belongs to the caller.
ValueBlock callLibraryCommand(const void* command, const ValueBlock* arguments, std::int32_t count);
inline ValueBlock callLibraryCommand(const void* command,
                                     std::initializer_list<ValueBlock> arguments) {
    return callLibraryCommand(command, arguments.begin(),
                              static_cast<std::int32_t>(arguments.size()));
}

// Entry step 2: event 1 with the service callback to each library of the
// table the application filled (setLibraryNotifyTable).
inline void startCommandLibraries() {
    notifyLibrariesOfStart(reinterpret_cast<std::uintptr_t>(&runtimeService));
}

} // namespace rt
