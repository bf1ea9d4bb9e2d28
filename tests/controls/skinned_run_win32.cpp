// With TEXTSPLIT_SKIN set to a scheme number, the whole run has the skin
// engine switched on first, as the tool has it: every control the tests
// create or bind is then subclassed by the engine below the window library.
#include <gtest/gtest.h>

#include <cstdlib>

#include "runtime/service.h"
#include "skin/skin_library.h"

namespace {

class SkinnedRun : public ::testing::Environment {
  public:
    void SetUp() override {
        const char* scheme = std::getenv("TEXTSPLIT_SKIN");
        if (!scheme || !*scheme) return;
        rt::ValueBlock answer =
            rt::callLibraryCommand(reinterpret_cast<const void*>(&skin::applySkin),
                                   {rt::ValueBlock::ofInt(std::atoi(scheme))});
        ASSERT_EQ(answer.asInt(), 1) << "the skin engine did not switch on";
    }
};

const auto* const kSkinnedRun = ::testing::AddGlobalTestEnvironment(new SkinnedRun);

} // namespace
