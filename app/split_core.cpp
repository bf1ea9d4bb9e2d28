#include "app/split_core.h"

namespace app {

namespace {
rt::Array gLines;
}

void createLines() { gLines = rt::newEmptyArray(); }

void releaseLines() { rt::releaseArray(std::exchange(gLines, nullptr), rt::kTagText); }

rt::Array lines() { return gLines; }

} // namespace app
