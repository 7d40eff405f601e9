// The console's state module and the texts of its start-up screens.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "byte_order.h"
#include "console_screen.h"
#include "console_state.h"
#include "console_texts.h"
#include "controller.h"
#include "controller_access.h"
#include "controller_list.h"
#include "controller_main_menu.h"
#include "dialog_fixture.h"

namespace tui::testing {
namespace {

TEST(consoleTextsTest, TextToIntTakesDigitsOnlyWithinTheIntRange)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {nullptr, -1}, {"", -1},         {"0", 0},          {"007", 7},           {"123", 123},
        {"2147483647", INT_MAX},         {"2147483648", -1}, {"99999999999999999999999", -1},
        {"12a", -1},   {" 1", -1},       {"-1", -1},        {"+1", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextToInt(c.text), c.value) << (c.text ? c.text : "(null)");
}

TEST(consoleTextsTest, UIntToTextWritesPlainDigits)
{
    char buffer[16];
    EXPECT_STREQ(UIntToText(0, buffer), "0");
    EXPECT_STREQ(UIntToText(4294967295u, buffer), "4294967295");
}

TEST(consoleTextsTest, TitleAndVersionLines)
{
    InitProductTexts();
    EXPECT_STREQ(ProgramTitle(), "RAID Mirvane");
    char line[160];
    EXPECT_STREQ(VersionLine(line), "RAID Mirvane  --  Version 2.13 - Nov  6 2002");
    EXPECT_STREQ(ReportVersionLine(line), "RAID Mirvane  --  Version 2.13.01.00 - Nov  6 2002");
}

TEST(consoleTextsTest, ModuleVersionsTextHasTheFiveRecords)
{
    EXPECT_STREQ(ModuleVersionsText(),
                 "RAID Mirvane                                      : 2.13.01.00\n"
                 "abstr Library                                     : 1.47.00.01\n"
                 "kzmlib Library                                    : 2.01.26.00\n"
                 "xport Library                                     : 1.00.00.00\n"
                 "appslib Library                                   : 1.00.00.00");
    EXPECT_EQ(ModuleVersionsText(), ModuleVersionsText()) << "built once";
}

TEST(consoleStateTest, LineModesFollowInOrder)
{
    EXPECT_EQ(NextScreenLines(25), 28);
    EXPECT_EQ(NextScreenLines(28), 43);
    EXPECT_EQ(NextScreenLines(43), 50);
    EXPECT_EQ(NextScreenLines(50), 25);
    EXPECT_EQ(NextScreenLines(30), 25);
    SetScreenLines(43);
    EXPECT_EQ(ScreenLineMode(), 43);
    SetScreenLines(25);
}

// A controller object with the information the texts read, no driver.
CController InformedController()
{
    CController c;
    std::strcpy(c.info.typeName, "KZM8530RZ");
    std::strcpy(c.info.pciText, "[PCI 2/1]");
    std::strcpy(c.info.firmwareText, "2.33.12-R0A1");
    std::strcpy(c.info.driverText, "3.02");
    wire::put32(c.boardInfo, BOARD_INFO_CACHE_SIZE, 64u << 20);
    c.boardInfo[64] = 5;
    c.boardInfo[65] = 2;
    return c;
}

TEST(consoleStatusTextTest, RamTextNamesTypeAndCheck)
{
    CController c = InformedController();
    char text[48];
    EXPECT_STREQ(RamText(c, text, sizeof text), "64 MB SDRAM/ECC");
    c.boardInfo[64] = 3;
    c.boardInfo[65] = 1;
    EXPECT_STREQ(RamText(c, text, sizeof text), "64 MB EDO/P");
    c.boardInfo[64] = 6;
    c.boardInfo[65] = 0;
    EXPECT_STREQ(RamText(c, text, sizeof text), "64 MB ???");
}

TEST(consoleStatusTextTest, MachineNameIsCutToFillTheStatusLine)
{
    const CController c = InformedController();
    char text[512];
    MainMenuStatusText(c, "host", 80, text);
    EXPECT_STREQ(text, "[PCI 2/1]: KZM8530RZ on host, RAM: 64 MB SDRAM/ECC, FW: 2.33.12-R0A1, DR: 3.02");
    MainMenuStatusText(c, "Local_Sys", 80, text);
    EXPECT_STREQ(text, "[PCI 2/1]: KZM8530RZ on Loca.., RAM: 64 MB SDRAM/ECC, FW: 2.33.12-R0A1, DR: 3.02");
    EXPECT_EQ(std::strlen(text), 80u);
    // Too narrow for any of the name: nothing of it, never a negative cut.
    MainMenuStatusText(c, "Local_Sys", 20, text);
    EXPECT_STREQ(text, "[PCI 2/1]: KZM8530RZ on .., RAM: 64 MB SDRAM/ECC, FW: 2.33.12-R0A1, DR: 3.02");
    const std::string longName(300, 'm');
    MainMenuStatusText(c, longName.c_str(), 100, text);
    EXPECT_EQ(std::strlen(text), 100u);
}

TEST(consoleListTest, FeaturesTextInItsOrder)
{
    CController c;
    char text[24];
    FeaturesText(c, text, sizeof text);
    EXPECT_STREQ(text, "");
    c.info.chainingValue = 1;
    c.info.featureByte = 0x01;
    FeaturesText(c, text, sizeof text);
    EXPECT_STREQ(text, "C 0 ");
    c.info.featureByte = 0x33;
    c.info.raid1Value = 1;
    FeaturesText(c, text, sizeof text);
    EXPECT_STREQ(text, "C 0 1 4 5 10 ");
    c.info.chainingValue = 0;
    c.info.featureByte = 0x02;
    c.info.raid0Value = 1;
    c.info.raid1Value = 0;
    FeaturesText(c, text, sizeof text);
    EXPECT_STREQ(text, "0 10 ");
}

class consoleScreenTest : public dialogTest {
protected:
    void TearDown() override
    {
        DestroyScreen();
        dialogTest::TearDown();
    }
};

TEST_F(consoleScreenTest, StatusLineIsCutAndRestored)
{
    InitProductTexts();
    InitFrameStyles();
    root.reset();
    ASSERT_EQ(CreateScreen(), 1);
    EXPECT_EQ(StatusLineWidth(), 80);
    SetStatusLine(0, "first");
    EXPECT_EQ(mem->text(0, 24, 10), "first     ");
    const std::string longText(200, 's');
    SetStatusLine(0, longText.c_str());
    EXPECT_EQ(mem->text(0, 24, 80), std::string(80, 's'));
    SetStatusLine(1, nullptr);
    EXPECT_EQ(mem->text(0, 24, 10), "first     ");
    EXPECT_NE(mem->text(0, 1, 80).find("RAID Mirvane  --  Version 2.13 - Nov  6 2002"), std::string::npos);
}

TEST_F(consoleScreenTest, TooManyRowsCountAsTwentyFive)
{
    InitFrameStyles();
    root.reset();
    useScreen(80, 120);
    ASSERT_EQ(CreateScreen(), 1);
    SetStatusLine(0, "status");
    EXPECT_EQ(mem->text(0, 24, 6), "status");
    EXPECT_EQ(RootHeight(), 25);
}

MenuDef valueMenu = {10, 5, 0, " Value ", nullptr, {{"One", 1}, {"Two", 2}, {"Three", 3}, {nullptr, 0}}};

TEST_F(consoleScreenTest, PickValueStoresAChangedChoice)
{
    int value = 2;
    mem->pushKeys({keyDown, keyEnter});
    EXPECT_EQ(PickValue(&valueMenu, &value), 1);
    EXPECT_EQ(value, 3);
    mem->pushKeys({keyEnter});
    EXPECT_EQ(PickValue(&valueMenu, &value), 0) << "the same value";
    EXPECT_EQ(value, 3);
    mem->pushKeys({keyUp, keyEsc});
    EXPECT_EQ(PickValue(&valueMenu, &value), 0);
    EXPECT_EQ(value, 3);
}

}  // namespace
}  // namespace tui::testing
