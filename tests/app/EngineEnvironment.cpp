// The main window cannot be built without the time client engine: test programs that build it load the
// engine first, from the folder the build puts it in, as the program does at its start.
#include "timeclient/netclock.h"

#include <gtest/gtest.h>

namespace {

class TEngineEnvironment final : public testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(LoadEngine(QUORVEL_ENGINE_FOLDER "/qorvix")) << QUORVEL_ENGINE_FOLDER; }
    void TearDown() override { UnloadEngine(); }
};

[[maybe_unused]] testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new TEngineEnvironment);

} // namespace
