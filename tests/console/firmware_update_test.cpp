// The firmware update's version rules on controller objects set up by hand
// (every rule, also those the firmware gate cannot reach), and the download
// estimate.
#include <gtest/gtest.h>

#include <byte_order.h>

#include <string>
#include <vector>

#include "console_state.h"
#include "controller.h"
#include "firmware_progress.h"
#include "firmware_update.h"

namespace {

// A controller with the values the rules read.
struct Board {
    uint32_t version = 0x20000C;  // 24-bit firmware version (x.32.12)
    int level = 30;
    uint32_t ramMb = 64;
    uint32_t typeWord = 0x28;
    uint32_t revision = 0xA1;
    uint8_t cluster = 0;
};

CController Make(const Board& b)
{
    CController c;
    wire::put32(c.boardInfo, BOARD_INFO_FW_VERSION, 0x02000000 | b.version);
    wire::put32(c.boardInfo, BOARD_INFO_CACHE_SIZE, b.ramMb << 20);
    wire::put32(c.boardInfo, BOARD_INFO_TYPE_WORD, b.typeWord);
    wire::put32(c.boardInfo, BOARD_INFO_FW_REVISION, b.revision);
    c.boardDetails[BOARD_DETAILS_CLUSTER] = b.cluster;
    c.info.firmwareLevelWord = static_cast<uint16_t>(0x200 | b.level);
    return c;
}

std::vector<std::string> Refusals(const Board& b, uint32_t imageVersion)
{
    uint8_t header[FW_HEADER_SIZE] = {};
    wire::put32(header, FWH_VERSION, 0x02000000 | imageVersion);
    std::vector<std::string> keys;
    for (const FirmwareRuleRefusal& r : FirmwareVersionRefusals(Make(b), header))
        keys.push_back(std::string(r.message) + (r.error ? "e" : "i"));
    return keys;
}

TEST(FirmwareVersionRules, EachRuleThatAppliesIsListedInOrder)
{
    struct Case {
        const char* name;
        Board board;
        uint32_t image;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"nothing applies", {}, 0x220001, {}},
        {"less than 8 MB for x.24 on", {.ramMb = 4}, 0x180000, {"M4030i"}},
        {"x.23 needs no 8 MB", {.ramMb = 4}, 0x17FFFF, {}},
        {"downgrade to x.32", {.version = 0x210000}, 0x20FFFF, {"M4055e"}},
        {"old board to x.31", {.typeWord = 0x24}, 0x1F0000, {"M4056e"}},
        {"old board to x.30", {.typeWord = 0x24}, 0x1EFFFF, {}},
        {"cluster below level 30", {.version = 0x1C0000, .level = 29, .revision = 0x4A, .cluster = 0x0D},
         0x1D0000, {"M4059e"}},
        {"cluster bits incomplete", {.version = 0x1C0000, .level = 29, .revision = 0x4A, .cluster = 0x0C}, 0x1D0000,
         {}},
        {"x.33 needs revision 0x4A", {.version = 0x1E0000, .revision = 0x49}, 0x1F0000, {"M4060e"}},
        {"revision 0x4A suffices", {.version = 0x1E0000, .revision = 0x4A}, 0x1F0000, {}},
        {"two rules", {.ramMb = 4, .typeWord = 0x24}, 0x220001, {"M4030i", "M4056e"}},
        {"rule 5 only alone", {.version = 0x1E0000, .ramMb = 4, .revision = 0x30}, 0x1F0000, {"M4030i"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Refusals(c.board, c.image), c.expected) << c.name;
}

TEST(FirmwareVersionRules, RpUpgradeAndAdministratorModeLiftTheirRules)
{
    ConsoleOptions saved = Options();
    Options().rpupgrade = 1;
    EXPECT_TRUE(Refusals({.typeWord = 0x24}, 0x1F0000).empty());
    Options() = saved;
    Options().administrator = 1;
    EXPECT_TRUE(Refusals({.version = 0x1E0000, .revision = 0x30}, 0x1F0000).empty());
    Options() = saved;
}

TEST(DownloadEstimate, IsElapsedTimesHundredByPercentAndNoneAtZero)
{
    EXPECT_EQ(DownloadEstimate(6, 3), 200);
    EXPECT_EQ(DownloadEstimate(5, 0), -1);
    EXPECT_EQ(DownloadEstimate(0, 50), 0);
    EXPECT_EQ(DownloadEstimate(100000, 1), 10000000);
}

TEST(DownloadEstimate, SecondsCountAcrossMidnight)
{
    const tui::dateTime before(2026, 12, 31, 23, 59, 58);
    const tui::dateTime after(2027, 1, 1, 0, 0, 4);
    EXPECT_EQ(SecondsBetween(before, after), 6);
}

}  // namespace
