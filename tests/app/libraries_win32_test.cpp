// The tool's library table: start-up hands each linked command library the
// runtime's service callback.
#include <gtest/gtest.h>

#include "app/libraries.h"
#include "controls/folder_browser.h"
#include "runtime/service.h"
#include "skin/skin_library.h"

namespace {

std::uintptr_t word(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p);
}

TEST(CommandLibraries, StartHandsEachLibraryTheServiceCallback) {
    skin::skinNotify(1, 0, 0); // forget any callback an earlier test gave
    app::installCommandLibraries();
    rt::startCommandLibraries();
    EXPECT_EQ(skin::serviceCallback(), word(reinterpret_cast<const void*>(&rt::runtimeService)));
    // The folder browser answers only the start event.
    EXPECT_EQ(folderbrowser::notify(6, 0, 0), static_cast<std::uintptr_t>(-1));
    EXPECT_EQ(folderbrowser::notify(2, 0, 0), static_cast<std::uintptr_t>(-1));
    EXPECT_EQ(folderbrowser::notify(1, word(reinterpret_cast<const void*>(&rt::runtimeService)), 0),
              0u);
}

} // namespace
