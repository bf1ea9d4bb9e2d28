#include "app/application.h"

#include <windows.h>

#include <cfloat>

#include "app/split_core.h"
#include "runtime/platform.h"
#include "runtime/process.h"
#include "runtime/values.h"

namespace app {

namespace {

void applicationCleanup() {
    releaseLines();
}

[[noreturn]] void mainSequence() {
    _fpreset(); // default FPU state: exceptions masked, round to nearest
    createLines();
    rt::setExitHook(rt::kAppCleanupHook, applicationCleanup);
    rt::endProcess(0);
}

} // namespace

int runEntry() {
    platform::heapAlloc(0, false) ? void() : void(); // caches the process heap
    rt::recordReturnPoint();
    mainSequence();
}

} // namespace app
