// The framework in a real terminal: a small program run in tmux.
#include <gtest/gtest.h>

#include "tmux_session.h"

namespace tui::testing {
namespace {

const std::string demo = tmuxSession::quote(TUI_DEMO_PATH);

TEST(terminalTest, FramesShadowsAndColoursReachTheTerminal)
{
    tmuxSession s(demo + " frames");
    ASSERT_TRUE(s.started());
    ASSERT_TRUE(s.waitFor("Press q to quit"));
    std::string text = s.capture();
    EXPECT_NE(text.find("╔══════"), std::string::npos) << text;
    EXPECT_NE(text.find("══ Demo ══"), std::string::npos) << text;
    EXPECT_NE(text.find("║  ┌──────────────────┐"), std::string::npos) << text;
    EXPECT_NE(text.find("│ Hello, frames    │"), std::string::npos) << text;
    EXPECT_NE(text.find("│ ░▒▓█↑↓"), std::string::npos) << text;
    EXPECT_NE(text.find("+----------+"), std::string::npos) << text;
    EXPECT_NE(text.find("|ascii     |"), std::string::npos) << text;

    std::string colours = s.capture(true);
    EXPECT_NE(colours.find("44m"), std::string::npos) << "blue background";
    EXPECT_NE(colours.find("41m"), std::string::npos) << "red background";
    EXPECT_NE(colours.find("1m"), std::string::npos) << "bright foreground";
    EXPECT_NE(colours.find("\x1b[40m"), std::string::npos) << "shadow on black";
}

TEST(terminalTest, RealKeySequencesArriveAsKeyCodes)
{
    tmuxSession s(demo + " frames");
    ASSERT_TRUE(s.waitFor("Press q to quit"));
    const struct {
        const char* keys;
        const char* shown;
    } cases[] = {
        {"Down", "key 258"}, {"Home", "key 262"}, {"End", "key 360"},  {"PPage", "key 339"},
        {"NPage", "key 338"}, {"DC", "key 328"},  {"IC", "key 329"},   {"BSpace", "key 263"},
        {"F1", "key 265"},   {"Enter", "key 13"}, {"Escape", "key 27"}, {"Escape Up", "key 515"},
        {"-l x", "key 120"},
    };
    for (const auto& c : cases) {
        s.sendKeys(c.keys);
        EXPECT_TRUE(s.waitFor(c.shown, 3000)) << c.keys << "\n" << s.capture();
    }
}

TEST(terminalTest, TerminalIsRestoredAtExit)
{
    tmuxSession s(demo + " frames");
    ASSERT_TRUE(s.waitFor("Press q to quit"));
    EXPECT_EQ(s.display("#{alternate_on} #{cursor_flag}"), "1 0\n");
    s.sendKeys("q");
    ASSERT_TRUE(s.waitFor("[exit 0]")) << s.capture();
    std::string text = s.capture();
    EXPECT_NE(text.find("frames done"), std::string::npos);
    EXPECT_EQ(text.find("Hello"), std::string::npos) << text;
    EXPECT_EQ(s.display("#{alternate_on} #{cursor_flag}"), "0 1\n");
}

TEST(terminalTest, LostKeyboardEndsTheProgramWithOne)
{
    tmuxSession s(demo + " frames < /dev/null");
    ASSERT_TRUE(s.waitFor("[exit 1]")) << s.capture();
    EXPECT_EQ(s.display("#{alternate_on}"), "0\n");
}

TEST(terminalTest, MenuAndListFollowRealKeySequences)
{
    tmuxSession s(demo + " menu");
    ASSERT_TRUE(s.waitFor("└───Esc───┘"));
    std::string text = s.capture();
    EXPECT_NE(text.find("┌──Menu───┐"), std::string::npos) << text;
    EXPECT_NE(text.find("│Open file│"), std::string::npos) << text;
    EXPECT_NE(text.find("│─────────│"), std::string::npos) << text;

    s.sendKeys("Down Down Enter");  // the separator is skipped: Save
    ASSERT_TRUE(s.waitFor("log: menu 3")) << s.capture();
    ASSERT_TRUE(s.waitFor("│item 09     │"));
    EXPECT_NE(s.capture().find("│Lines       │"), std::string::npos);
    EXPECT_NE(s.capture().find("└↓───────────┘"), std::string::npos) << s.capture();

    s.sendKeys("NPage NPage");
    ASSERT_TRUE(s.waitFor("│item 24     │")) << s.capture();
    text = s.capture();
    EXPECT_EQ(text.find("item 14"), std::string::npos) << text;
    EXPECT_NE(text.find("┌↑───List────┐"), std::string::npos) << text;
    EXPECT_NE(text.find("└────────────┘"), std::string::npos) << text;

    s.sendKeys("PPage");
    ASSERT_TRUE(s.waitFor("│item 05     │")) << s.capture();
    EXPECT_EQ(s.capture().find("item 15"), std::string::npos);

    s.sendKeys("Home End Escape Left");  // ESC Left: the last line
    ASSERT_TRUE(s.waitFor("│item 24     │")) << s.capture();
    s.sendKeys("Up Enter");
    ASSERT_TRUE(s.waitFor("log: menu 3 list 23")) << s.capture();

    s.sendKeys("x");  // hot key of Exit
    ASSERT_TRUE(s.waitFor("log: menu 3 list 23 menu 4")) << s.capture();
    ASSERT_TRUE(s.waitFor("│item 00     │"));
    s.sendKeys("Escape");
    ASSERT_TRUE(s.waitFor("list -1")) << s.capture();
    s.sendKeys("Escape");
    ASSERT_TRUE(s.waitFor("[exit 0]")) << s.capture();
    EXPECT_NE(s.capture().find("log: menu 3 list 23 menu 4 list -1 menu -1"), std::string::npos);
}

}  // namespace
}  // namespace tui::testing
