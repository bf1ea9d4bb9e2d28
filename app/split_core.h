// The splitting core: import a text file as the line array, export the lines
// in numbered groups. No user interface here.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace app {

// The application's line array (one dimension of texts).
void createLines();
void releaseLines();
rt::Array lines();

} // namespace app
