// The framework in a real terminal: a small program run in tmux.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

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
    EXPECT_NE(colours.find("\x1b[40m"), std::string::npos) << "shadow on black";
    const auto hello = tmuxSession::renditionAt(colours, "Hello, frames");  // 0x4F
    ASSERT_TRUE(hello.found) << colours;
    EXPECT_TRUE(hello.bold) << "bright foreground";
    EXPECT_FALSE(hello.reverse);
    EXPECT_EQ(hello.fg, 37);
    EXPECT_EQ(hello.bg, 41);
    const auto ascii = tmuxSession::renditionAt(colours, "ascii ");  // 0x70
    EXPECT_FALSE(ascii.bold);
    EXPECT_FALSE(ascii.reverse) << "colour terminals show the colours";
    EXPECT_EQ(ascii.fg, 30);
    EXPECT_EQ(ascii.bg, 47);
    // The cell is read back once the rest is on the terminal: its line comes last.
    EXPECT_TRUE(s.waitFor("cell H 4F")) << "the bright bit reads back\n" << s.capture();
}

TEST(terminalTest, WithoutColoursLightGreyBackgroundsShowReversedAndBrightStaysBold)
{
    tmuxSession s("TERM=vt100 " + demo + " menu");
    ASSERT_TRUE(s.waitFor("└───Esc───┘"));
    std::string colours = s.capture(true);
    const auto selected = tmuxSession::renditionAt(colours, "pen file");  // 0x70
    ASSERT_TRUE(selected.found) << colours;
    EXPECT_TRUE(selected.reverse) << colours;
    const auto other = tmuxSession::renditionAt(colours, "Edit file");  // 0x1F
    EXPECT_FALSE(other.reverse);
    EXPECT_TRUE(other.bold);
    s.sendKeys("Down");
    ASSERT_TRUE(s.waitFor("│Edit file│"));
    std::string pane;
    ASSERT_TRUE(s.waitStill(pane)) << pane;  // the text was there before: wait for the redraw
    colours = s.capture(true);
    EXPECT_TRUE(tmuxSession::renditionAt(colours, "dit file").reverse) << colours;
    EXPECT_FALSE(tmuxSession::renditionAt(colours, "pen file").reverse) << colours;

    tmuxSession f("TERM=vt100 " + demo + " frames");
    ASSERT_TRUE(f.waitFor("Press q to quit"));
    colours = f.capture(true);
    const auto hello = tmuxSession::renditionAt(colours, "Hello, frames");  // 0x4F
    EXPECT_TRUE(hello.bold);
    EXPECT_FALSE(hello.reverse);
    EXPECT_TRUE(tmuxSession::renditionAt(colours, "ascii ").reverse);  // 0x70
    EXPECT_TRUE(f.waitFor("cell H 4F")) << "the bright bit reads back from bold\n" << f.capture();
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

TEST(terminalTest, KeypadKeysMeanWhatTheyShowOnEveryTerminalType)
{
    const struct {
        const char* keys;
        const char* shown;
    } cases[] = {
        {"KPEnter", "key 13 "}, {"KP7", "key 55 "}, {"KP0", "key 48 "}, {"KP*", "key 42 "},
        {"KP-", "key 45 "},     {"KP+", "key 43 "}, {"KP.", "key 46 "}, {"KP/", "key 47 "},
        {"KP1", "key 49 "},     {"Enter", "key 13 "},
    };
    for (const char* term : {"tmux-256color", "screen", "xterm", "vt100"}) {
        SCOPED_TRACE(term);
        tmuxSession s(std::string("TERM=") + term + " " + demo + " frames");
        ASSERT_TRUE(s.waitFor("Press q to quit"));
        for (const auto& c : cases) {
            s.sendKeys(c.keys);
            const bool shown = s.waitFor(c.shown, 3000);
            EXPECT_TRUE(shown) << c.keys << "\n" << s.capture();
            if (!shown)
                break;  // the rest would only wait out their time too
        }
    }
}

TEST(terminalTest, TimerSignalsWhileWaitingForAKeyAreNotALostKeyboard)
{
    tmuxSession s(demo + " frames ticks");
    ASSERT_TRUE(s.waitFor("Press q to quit"));
    // Keys x and y by turns, each read and shown with the signals counted
    // so far, until more than 8 signals have broken the key waits.
    int ticks = 0;
    std::string text;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int n = 0; ticks <= 8 && std::chrono::steady_clock::now() < end; ++n) {
        const bool x = n % 2 == 0;
        const std::string shown = x ? "key 120 ticks " : "key 121 ticks ";
        s.sendKeys(x ? "x" : "y");
        ASSERT_TRUE(s.waitFor(shown)) << s.capture();
        text = s.capture();
        ticks = std::atoi(text.c_str() + text.find(shown) + shown.size());
    }
    EXPECT_GT(ticks, 8) << text;
    s.sendKeys("q");
    ASSERT_TRUE(s.waitFor("[exit 0]")) << s.capture();
}

TEST(terminalTest, AResizeRedrawsTheWholeScreenAtTheNewSize)
{
    tmuxSession s(demo + " frames");
    ASSERT_TRUE(s.waitFor("Press q to quit"));
    auto bottom = [](int columns) {
        std::string line = "╚";
        for (int i = 2; i < columns; ++i)
            line += "═";
        return line + "╝";
    };
    const struct {
        int columns, rows;
    } sizes[] = {{60, 20}, {100, 30}, {80, 25}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.columns);
        s.resize(size.columns, size.rows);
        ASSERT_TRUE(s.waitFor("\n" + bottom(size.columns) + "\n")) << s.capture();
        const std::string text = s.capture();
        std::vector<std::string> rows;
        for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            rows.push_back(text.substr(at, end - at));
        ASSERT_EQ(rows.size(), static_cast<size_t>(size.rows)) << text;
        EXPECT_NE(rows[0].find(" Demo "), std::string::npos) << text;
        EXPECT_EQ(rows[0].rfind("╗"), rows[0].size() - std::string("╗").size()) << text;
        EXPECT_EQ(rows[size.rows - 2].find("║ Press q to quit"), 0u) << text;
        EXPECT_EQ(rows[size.rows - 1], bottom(size.columns)) << text;
        EXPECT_NE(text.find("│ Hello, frames    │"), std::string::npos) << text;
    }
    s.sendKeys("x");
    ASSERT_TRUE(s.waitFor("key 120 ")) << s.capture();
    EXPECT_EQ(s.capture().find("key 410"), std::string::npos) << "a resize is not a key";
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
    ASSERT_TRUE(s.waitStill(text)) << text;  // the list's frame and marks drawn too
    EXPECT_NE(text.find("│Lines       │"), std::string::npos) << text;
    EXPECT_NE(text.find("└↓───────────┘"), std::string::npos) << text;

    s.sendKeys("NPage NPage");
    ASSERT_TRUE(s.waitFor("│item 24     │")) << s.capture();
    ASSERT_TRUE(s.waitStill(text)) << text;
    EXPECT_EQ(text.find("item 14"), std::string::npos) << text;
    EXPECT_NE(text.find("┌↑───List────┐"), std::string::npos) << text;
    EXPECT_NE(text.find("└────────────┘"), std::string::npos) << text;

    s.sendKeys("PPage");
    ASSERT_TRUE(s.waitFor("│item 05     │")) << s.capture();
    ASSERT_TRUE(s.waitStill(text)) << text;
    EXPECT_EQ(text.find("item 15"), std::string::npos) << text;

    s.sendKeys("Home End Escape Left");  // ESC Left: the last line
    ASSERT_TRUE(s.waitFor("│item 24     │")) << s.capture();
    s.sendKeys("Up KPEnter");  // keypad Enter chooses as Enter does
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
