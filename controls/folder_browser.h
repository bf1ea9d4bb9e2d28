// The folder browser: a command library beside the runtime with one command,
// browseForFolder, which shows the shell's Browse For Folder dialog and returns
// the chosen folder's path. It reaches the runtime only through the service
// callback it is handed at process start.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace folderbrowser {

// Notify function: event 1 keeps the first value as the service callback and
// answers 0; every other event answers -1.
std::uintptr_t notify(std::uintptr_t event, std::uintptr_t first, std::uintptr_t second);

// browseForFolder(title, include files: optional logical) -> text. The result
// is a fresh block from the runtime's allocator (request 2024), or the empty
// text (value 0) when the user cancelled or the choice has no file-system path.
void browseForFolder(rt::ValueBlock* result, std::uintptr_t count, rt::ValueBlock* arguments);

} // namespace folderbrowser
