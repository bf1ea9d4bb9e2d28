// The application's frame: global objects, main sequence and clean-up.
#pragma once

namespace app {

// The entry steps (heap, library notification, return point) and the main
// sequence; returns the exit code.
int runEntry();

} // namespace app
