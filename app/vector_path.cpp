#include "app/vector_path.h"

#if defined(__i386__)
#include <cpuid.h>
#endif

namespace app {

namespace {

bool processorHasSse2() {
#if defined(__x86_64__)
    return true;
#elif defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (d & bit_SSE2) != 0;
#else
    return false;
#endif
}

bool forcedWordPath = false;

} // namespace

bool vectorPath() {
    static const bool hasSse2 = processorHasSse2();
    return hasSse2 && !forcedWordPath;
}

void forceWordPath(bool on) {
    forcedWordPath = on;
}

} // namespace app
