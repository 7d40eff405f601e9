// The scope objects of the console's brackets: each closes its bracket once,
// whichever way the scope is left, early release included; closing the disk
// change bracket leaves the controller's error word alone.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "closing_scope.h"
#include "controller.h"
#include "drive_maintenance.h"

namespace {

// The ways out of a scope that holds one bracket.
enum class WayOut { end, earlyReturn, exception, releaseThenEnd, releaseTwice, movedAway };

struct Case {
    const char* name;
    WayOut way;
};

// Runs a scope with an open bracket that counts its closes; returns the count.
int CloseCount(WayOut way)
{
    int closes = 0;
    auto run = [&]() -> int {
        ClosingScope bracket([&closes] { ++closes; });
        switch (way) {
        case WayOut::end:
            break;
        case WayOut::earlyReturn:
            return 1;
        case WayOut::exception:
            throw std::runtime_error("step failed");
        case WayOut::releaseThenEnd:
            bracket.release();
            EXPECT_EQ(closes, 1) << "release closes at once";
            EXPECT_FALSE(bracket);
            break;
        case WayOut::releaseTwice:
            bracket.release();
            bracket.release();
            break;
        case WayOut::movedAway: {
            ClosingScope taken = std::move(bracket);
            EXPECT_FALSE(bracket);
            EXPECT_TRUE(taken);
            EXPECT_EQ(closes, 0) << "moving does not close";
            break;
        }
        }
        return 0;
    };
    try {
        run();
    } catch (const std::runtime_error&) {
    }
    return closes;
}

class ClosingScopeWayOutTest : public testing::TestWithParam<Case> {};

TEST_P(ClosingScopeWayOutTest, ClosesExactlyOnce)
{
    EXPECT_EQ(CloseCount(GetParam().way), 1);
}

INSTANTIATE_TEST_SUITE_P(WaysOut, ClosingScopeWayOutTest,
                         testing::Values(Case{"end", WayOut::end}, Case{"earlyReturn", WayOut::earlyReturn},
                                         Case{"exception", WayOut::exception},
                                         Case{"releaseThenEnd", WayOut::releaseThenEnd},
                                         Case{"releaseTwice", WayOut::releaseTwice},
                                         Case{"movedAway", WayOut::movedAway}),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(ClosingScopeTest, RefusedBracketIsEmptyAndClosesNothing)
{
    ClosingScope refused;
    EXPECT_FALSE(refused);
    refused.release();
}

TEST(ClosingScopeTest, NestedBracketsCloseInnerFirst)
{
    std::string log;
    {
        const ClosingScope wait([&log] { log += "close wait;"; });
        ClosingScope access([&log] { log += "leave access;"; });
        log += "step;";
    }
    EXPECT_EQ(log, "step;leave access;close wait;");
}

TEST(ClosingScopeTest, AssigningClosesTheHeldBracketFirst)
{
    std::string log;
    {
        ClosingScope held([&log] { log += "first;"; });
        held = ClosingScope([&log] { log += "second;"; });
        EXPECT_EQ(log, "first;");
    }
    EXPECT_EQ(log, "first;second;");
}

// Closing the disk change bracket leaves the controller's error word as the
// work inside the bracket left it, for the screen to show after the close.
// This controller's firmware has no bracket: its close fails at once with
// the firmware-version code.
TEST(DiskChangeScopeTest, ClosingKeepsTheErrorOfTheWork)
{
    CController controller;
    {
        const ClosingScope change = DiskChangeScope(controller);
        controller.error = 0x01000004;
    }
    EXPECT_EQ(controller.error, 0x01000004u);
}

}  // namespace
