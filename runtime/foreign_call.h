// Calls of functions outside the program whose calling convention is not
// known: application event handlers, library commands and notify functions.
// On 32-bit x86, whether the callee pops its own arguments or leaves them,
// the stack is put back; any other stack pointer after the call is internal
// error 6. Other targets have a single convention.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace rt {

// Calls fn with the word-sized arguments in order (at most 7); returns the
// callee's EDX:EAX on 32-bit x86, its return register elsewhere.
std::uint64_t callForeign(const void* fn, const std::uintptr_t* args, int count);

inline std::uintptr_t callForeignWord(const void* fn, std::initializer_list<std::uintptr_t> args) {
    return static_cast<std::uintptr_t>(
        callForeign(fn, args.begin(), static_cast<int>(args.size())));
}

} // namespace rt
