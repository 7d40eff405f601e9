// The dialog toolkit in a real terminal: the demo program run in tmux.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tmux_session.h"

namespace tui::testing {
namespace {

const std::string demo = tmuxSession::quote(DIALOG_DEMO_PATH);

// Line y of a captured pane.
std::string paneLine(const std::string& pane, int y)
{
    size_t from = 0;
    for (int i = 0; i < y && from != std::string::npos; ++i)
        from = pane.find('\n', from) + 1;
    return from == std::string::npos ? "" : pane.substr(from, pane.find('\n', from) - from);
}

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

TEST(dialogDemoTest, CatalogTextsArePrintedAsTheirBytes)
{
    FILE* p = popen((demo + " catalog M1035").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_EQ(out, "Temperature sensor %2d ........ (%d \xF8" "C / %d \xF8" "F  %s)\n");
}

TEST(dialogDemoTest, MessageBoxIsCentred)
{
    tmuxSession s(demo + " message M5042");
    ASSERT_TRUE(s.started());
    ASSERT_TRUE(s.waitFor("Press any key.")) << s.capture();
    const std::string pane = s.capture();
    // Three lines, the longest 52 wide: text from (14, 11), frame from (13, 10).
    EXPECT_EQ(paneLine(pane, 10).substr(0, 13 * 3 + 3), repeat("░", 13) + "┌") << pane;
    EXPECT_EQ(paneLine(pane, 12).find("│Possibly there is another setup application running.│"), 13u * 3) << pane;
    EXPECT_EQ(paneLine(pane, 11).find("│         Could not enter Maintenance Mode.          │"), 13u * 3) << pane;
    s.sendKeys("x");
    ASSERT_TRUE(s.waitFor("[exit 0]")) << s.capture();
}

TEST(dialogDemoTest, ErrorCodeShowsTheStatusName)
{
    tmuxSession s(demo + " error 01000006");
    ASSERT_TRUE(s.waitFor("0x0006 (REASSIGN FAILURE) !")) << s.capture();
    EXPECT_NE(s.capture().find("Error: Controller returned error code"), std::string::npos);
    s.sendKeys("Enter");
    ASSERT_TRUE(s.waitFor("[exit 0]")) << s.capture();
}

TEST(dialogDemoTest, WaitBoxIsThereAndThenGone)
{
    // The demo keeps its wait box up until the test opens and closes the FIFO.
    char dir[] = "/tmp/kzm-demo-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string fifo = std::string(dir) + "/go";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    tmuxSession s(demo + " wait M2000 " + tmuxSession::quote(fifo));
    ASSERT_TRUE(s.waitFor("Processing input/command. Please wait...")) << s.capture();
    // Opened once the demo reads it (before that, a writer's open fails).
    int go = -1;
    ASSERT_TRUE(kzmtest::waitUntil([&] { return (go = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) >= 0; }));
    close(go);
    unlink(fifo.c_str());
    rmdir(dir);
    EXPECT_TRUE(s.waitGone("Processing")) << s.capture();
    EXPECT_EQ(s.capture().find("[exit"), std::string::npos) << "the bare screen waits for a key";
    s.sendKeys("x");
    ASSERT_TRUE(s.waitFor("[exit 0]")) << s.capture();
}

TEST(dialogDemoTest, QuestionWhileTheWaitBoxIsUp)
{
    tmuxSession s(demo + " waitask M3000");
    ASSERT_TRUE(s.waitFor("Do you really want to quit ? (Y/N)")) << s.capture();
    EXPECT_EQ(s.capture().find("Processing"), std::string::npos) << s.capture();
    s.sendKeys("y");
    ASSERT_TRUE(s.waitFor("Processing input/command. Please wait...")) << s.capture();
    EXPECT_EQ(s.capture().find("quit ?"), std::string::npos);
    s.sendKeys("x");
    ASSERT_TRUE(s.waitFor("answer 1")) << s.capture();
    ASSERT_TRUE(s.waitFor("[exit 0]")) << s.capture();
}

TEST(dialogDemoTest, YesAndNoKeys)
{
    const struct {
        const char* keys;
        const char* answer;
    } cases[] = {{"q z", "answer 1"}, {"Enter N", "answer 0"}, {"Escape", "answer 0"}, {"Y", "answer 1"}};
    for (const auto& c : cases) {
        tmuxSession s(demo + " ask M3000");
        ASSERT_TRUE(s.waitFor("(Y/N)")) << s.capture();
        s.sendKeys(c.keys);
        EXPECT_TRUE(s.waitFor(c.answer)) << c.keys << "\n" << s.capture();
        EXPECT_TRUE(s.waitFor("[exit 0]")) << s.capture();
    }
}

TEST(dialogDemoTest, ProgressTexts)
{
    tmuxSession s(demo + " progress 37 3725 -1");
    ASSERT_TRUE(s.waitFor("Press ESC to quit")) << s.capture();
    const std::string pane = s.capture();
    EXPECT_NE(paneLine(pane, 8).find("─ Progress Information ─"), std::string::npos) << pane;
    EXPECT_NE(paneLine(pane, 9).find("│" + repeat("█", 18) + "▌" + std::string(31, ' ') + " |  37 %│"),
              std::string::npos)
        << pane;
    EXPECT_NE(paneLine(pane, 10).find("│Elapsed Time: 01:02:05    Estimated Time:" + std::string(17, ' ') + "│"),
              std::string::npos)
        << pane;
    s.sendKeys("Escape");
    ASSERT_TRUE(s.waitFor("[exit 0]")) << s.capture();
}

TEST(dialogDemoTest, MaskedInputAndTheCursorInTheField)
{
    tmuxSession s(demo + " input '*'");
    ASSERT_TRUE(s.waitFor(" Remote Machine ")) << s.capture();
    // The cursor is placed once the box is drawn: read it when the demo waits for a key.
    std::string pane;
    ASSERT_TRUE(s.waitStill(pane)) << pane;
    // The box at (15, 10): the field starts after "Name/Address: " at column 31.
    EXPECT_EQ(s.display("#{cursor_x},#{cursor_y} #{cursor_flag}"), "31,11 1\n");
    s.sendKeys("-l secret");
    ASSERT_TRUE(s.waitFor("Name/Address: ******")) << s.capture();
    EXPECT_EQ(s.capture().find("secret"), std::string::npos);
    ASSERT_TRUE(s.waitStill(pane)) << pane;
    EXPECT_EQ(s.display("#{cursor_x},#{cursor_y}"), "37,11\n");
    s.sendKeys("Enter");
    ASSERT_TRUE(s.waitFor("text [secret] key 13")) << s.capture();
}

TEST(dialogDemoTest, EscapeF1ClearsTheField)
{
    tmuxSession s(demo + " input");
    ASSERT_TRUE(s.waitFor(" Remote Machine ")) << s.capture();
    s.sendKeys("-l abc");
    ASSERT_TRUE(s.waitFor("Name/Address: abc")) << s.capture();
    s.sendKeys("Escape F1");
    ASSERT_TRUE(s.waitFor("Name/Address:  ")) << s.capture();
    EXPECT_EQ(s.capture().find("abc"), std::string::npos) << s.capture();
    std::string pane;
    ASSERT_TRUE(s.waitStill(pane)) << pane;
    EXPECT_EQ(s.display("#{cursor_x}"), "31\n");
    s.sendKeys("-l x");
    s.sendKeys("Enter");
    ASSERT_TRUE(s.waitFor("text [x] key 13")) << s.capture();
}

TEST(dialogDemoTest, EscapeLeavesTheInputEmpty)
{
    tmuxSession s(demo + " input");
    ASSERT_TRUE(s.waitFor(" Remote Machine ")) << s.capture();
    s.sendKeys("-l abc");
    ASSERT_TRUE(s.waitFor("Name/Address: abc")) << s.capture();
    s.sendKeys("Escape");
    ASSERT_TRUE(s.waitFor("text [] key 27")) << s.capture();
}

}  // namespace
}  // namespace tui::testing
