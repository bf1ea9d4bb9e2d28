#include "runtime/foreign_call.h"

#include "runtime/memory.h"

#if defined(__i386__)
#define FC_STR2(x) #x
#define FC_STR(x) FC_STR2(x)
#define FC_SYMBOL FC_STR(__USER_LABEL_PREFIX__) "runtimeForeignCall"

// uint64 runtimeForeignCall(fn, args, count, int* unbalanced), cdecl.
// Saves ESP in a callee-saved register, pushes the arguments last to first,
// calls, then accepts either balanced outcome: the callee popped them (ESP
// back at the saved value) or left them (ESP lower by exactly 4 * count).
// ESP is restored in every case.
asm(".text\n"
    ".globl " FC_SYMBOL "\n" FC_SYMBOL ":\n"
    "    pushl %ebp\n"
    "    movl %esp, %ebp\n"
    "    pushl %ebx\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    movl 12(%ebp), %esi\n"
    "    movl 16(%ebp), %ecx\n"
    "    movl %esp, %ebx\n"
    "1:  testl %ecx, %ecx\n"
    "    jle 2f\n"
    "    decl %ecx\n"
    "    pushl (%esi,%ecx,4)\n"
    "    jmp 1b\n"
    "2:  movl 8(%ebp), %ecx\n"
    "    call *%ecx\n"
    "    movl 16(%ebp), %ecx\n"
    "    shll $2, %ecx\n"
    "    movl %ebx, %edi\n"
    "    subl %ecx, %edi\n"
    "    xorl %ecx, %ecx\n"
    "    cmpl %esp, %ebx\n"
    "    je 3f\n"
    "    cmpl %esp, %edi\n"
    "    je 3f\n"
    "    movl $1, %ecx\n"
    "3:  movl %ebx, %esp\n"
    "    movl 20(%ebp), %edi\n"
    "    movl %ecx, (%edi)\n"
    "    popl %edi\n"
    "    popl %esi\n"
    "    popl %ebx\n"
    "    popl %ebp\n"
    "    ret\n");

extern "C" std::uint64_t runtimeForeignCall(const void* fn, const std::uintptr_t* args, int count,
                                            int* unbalanced);
#endif

namespace rt {

std::uint64_t callForeign(const void* fn, const std::uintptr_t* args, int count) {
#if defined(__i386__)
    int unbalanced = 0;
    std::uint64_t result = runtimeForeignCall(fn, args, count, &unbalanced);
    if (unbalanced)
        internalError(kStackUnbalanced,
                      static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(fn)));
    return result;
#else
    using W = std::uintptr_t;
    W a[7] = {};
    for (int i = 0; i < count && i < 7; ++i) a[i] = args[i];
    void* f = const_cast<void*>(fn);
    switch (count) {
    case 0: return reinterpret_cast<W (*)()>(f)();
    case 1: return reinterpret_cast<W (*)(W)>(f)(a[0]);
    case 2: return reinterpret_cast<W (*)(W, W)>(f)(a[0], a[1]);
    case 3: return reinterpret_cast<W (*)(W, W, W)>(f)(a[0], a[1], a[2]);
    case 4: return reinterpret_cast<W (*)(W, W, W, W)>(f)(a[0], a[1], a[2], a[3]);
    case 5: return reinterpret_cast<W (*)(W, W, W, W, W)>(f)(a[0], a[1], a[2], a[3], a[4]);
    case 6:
        return reinterpret_cast<W (*)(W, W, W, W, W, W)>(f)(a[0], a[1], a[2], a[3], a[4], a[5]);
    default:
        return reinterpret_cast<W (*)(W, W, W, W, W, W, W)>(f)(a[0], a[1], a[2], a[3], a[4], a[5],
                                                              a[6]);
    }
#endif
}

} // namespace rt
