// The control skin engine's library entry: its notify function and the
// applySkin command that switches the engine on with a colour scheme (1 to 3)
// or off (any other number).
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/values.h"

namespace skin {

// Event 1 keeps the first value as the service callback and answers 0; every
// other event answers -1 and does nothing (the end of the process does not
// switch the engine off).
std::uintptr_t skinNotify(std::uintptr_t event, std::uintptr_t first, std::uintptr_t second);

// applySkin(scheme: integer) -> integer. Stores the scheme; 1 to 3 switches
// the engine off and on again and answers 1; any other number switches it off
// and answers what switching off answered.
void applySkin(rt::ValueBlock* result, std::uintptr_t count, rt::ValueBlock* arguments);

// on = 1 attaches the thread's controls and installs the creation hook
// (answers 1, or 0 when the hook could not be installed); on = 0 detaches
// every record and removes the hook (answers what removing it answered, 0
// when there was no hook); anything else answers 0.
std::int32_t setSkinActive(std::int32_t on);

// State for the painters and for inspection.
std::int32_t schemeNumber();
bool skinActive(); // the creation hook is installed
std::uintptr_t serviceCallback();
// Windows the engine draws now (records let go of while another procedure
// sat above the engine's are not counted).
std::size_t liveRecordCount();

} // namespace skin
