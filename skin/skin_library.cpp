#include "skin/skin_library.h"

namespace skin {

namespace {
std::int32_t gScheme = 1;
std::uintptr_t gService;
// Whether the engine is switched on. Attaching to the thread's controls (the
// window enumeration, the creation hook and the subclassing) is not built
// yet, so switching on records the state and attaches nothing.
bool gActive;
} // namespace

std::uintptr_t skinNotify(std::uintptr_t event, std::uintptr_t first, std::uintptr_t) {
    if (event != 1) return static_cast<std::uintptr_t>(-1);
    gService = first;
    return 0;
}

std::int32_t setSkinActive(std::int32_t on) {
    if (on == 1) {
        gActive = true;
        return 1;
    }
    if (on != 0 || !gActive) return 0;
    gActive = false;
    return 1; // what a successful unhook answers
}

void applySkin(rt::ValueBlock* result, std::uintptr_t count, rt::ValueBlock* arguments) {
    std::int32_t scheme = count >= 1 ? arguments[0].asInt() : 0;
    gScheme = scheme;
    std::int32_t answer = setSkinActive(0);
    if (scheme >= 1 && scheme <= 3) answer = setSkinActive(1);
    *result = rt::ValueBlock::ofInt(answer);
}

std::int32_t schemeNumber() {
    return gScheme;
}
bool skinActive() {
    return gActive;
}
std::uintptr_t serviceCallback() {
    return gService;
}

} // namespace skin
