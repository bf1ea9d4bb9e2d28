#include "runtime/process.h"

#include <cstdlib>

#include "runtime/foreign_call.h"
#include "runtime/platform.h"

namespace rt {

namespace {
ExitHook gExitHooks[3];
ExitHook gFinalHook;
NotifyFunction gLibraries[kMaxLibraries];
int gLibraryCount;
bool gReturnPoint;
} // namespace

void setExitHook(int slot, ExitHook hook) {
    if (slot >= 1 && slot <= 3) gExitHooks[slot - 1] = hook;
}

ExitHook exitHook(int slot) { return slot >= 1 && slot <= 3 ? gExitHooks[slot - 1] : nullptr; }

void setFinalHook(ExitHook hook) { gFinalHook = hook; }

void setLibraryNotifyTable(const NotifyFunction* functions, int count) {
    gLibraryCount = 0;
    for (int i = 0; i < count && i < kMaxLibraries && functions[i]; ++i)
        gLibraries[gLibraryCount++] = functions[i];
}

void notifyLibrariesOfStart(std::uintptr_t serviceCallback) {
    for (int i = 0; i < gLibraryCount; ++i)
        callForeignWord(reinterpret_cast<const void*>(gLibraries[i]), {1, serviceCallback, 0});
}

void recordReturnPoint() { gReturnPoint = true; }
bool hasReturnPoint() { return gReturnPoint; }

void endProcess(std::uint32_t exitCode) {
    for (ExitHook& hook : gExitHooks)
        if (ExitHook h = hook) h();
    for (int i = 0; i < gLibraryCount; ++i)
        callForeignWord(reinterpret_cast<const void*>(gLibraries[i]), {6, 0, 0});
    if (gFinalHook) gFinalHook();
    // Window procedures run inside Windows' own frames, which neither an
    // exception nor a longjmp may cross: the entry function's return is
    // reproduced by the C runtime's normal exit with the same code.
    if (gReturnPoint) std::exit(static_cast<int>(exitCode));
    platform::exitProcess(exitCode);
}

} // namespace rt
