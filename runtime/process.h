// Process-wide frame state: exit hooks, the library notify table and the one
// path by which the process ends.
#pragma once

#include <cstdint>

namespace rt {

using ExitHook = void (*)();
// A command library's notify function (event, first, second) -> status.
using NotifyFunction = std::uintptr_t (*)(std::uintptr_t, std::uintptr_t, std::uintptr_t);

constexpr int kAppCleanupHook = 1;
constexpr int kOpenFilesHook = 2;
constexpr int kSpareHook = 3;

void setExitHook(int slot, ExitHook hook); // slot 1..3; null clears it
ExitHook exitHook(int slot);
void setFinalHook(ExitHook hook);

// The linked command libraries, in link order; at most kMaxLibraries.
constexpr int kMaxLibraries = 4;
void setLibraryNotifyTable(const NotifyFunction* functions, int count);
// Event 1 to every library, with the service callback as first argument.
void notifyLibrariesOfStart(std::uintptr_t serviceCallback);

// Marks that the entry function is running its main sequence: from now on
// ending the process returns the code through the C runtime's normal exit
// instead of calling ExitProcess directly.
void recordReturnPoint();
bool hasReturnPoint();

// Runs exit hooks 1-3, notifies the libraries with event 6, runs the final
// hook, then ends the process with the code. Never returns.
[[noreturn]] void endProcess(std::uint32_t exitCode);

} // namespace rt
