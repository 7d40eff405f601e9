// The console session's looks at the screen against a pane that never comes
// to rest: a look that cannot wait for a settled screen fails the test
// instead of judging what it happens to capture.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

// A pane whose program writes a new line every 20 ms and never waits for
// input, so the fence after keys never passes.
class restlessScreenTest : public mirvaneSession {
protected:
    void SetUp() override
    {
        tmux = std::make_unique<tmuxSession>("sh -c " +
                                             tmuxSession::quote("while :; do date +%N; sleep 0.02; done"));
        ASSERT_TRUE(tmux->started());
        ASSERT_TRUE(kzmtest::waitUntil([&] { return tmux->capture().find_first_of("0123456789") != std::string::npos; }))
            << "the pane's program writing\n" << tmux->capture();
    }
};

TEST_F(restlessScreenTest, LooksAtAScreenThatNeverRestsFailTheTest)
{
    bool seen = true;
    EXPECT_NONFATAL_FAILURE(seen = shows("no such text"), "the screen did not come to rest before looking for");
    EXPECT_FALSE(seen);
    std::string screen = "unset";
    EXPECT_NONFATAL_FAILURE(screen = settledScreen(*tmux, false, 1000), "the screen did not come to rest within 1000 ms");
    EXPECT_EQ(screen, "");
}

}  // namespace
}  // namespace tui::testing
