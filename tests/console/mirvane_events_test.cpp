// The event list viewer of mirvane in tmux against the emulator's event
// store: the list's columns and the Time column rule, the detail box, the
// F8 deletion and the F2 save with its header, appending and clearing.
#include <sstream>

#include "mirvane_session.h"
#include "text_file.h"

namespace tui::testing {
namespace {

std::string padded(const std::string& s, size_t width)
{
    std::string p = s;
    p.resize(width, ' ');
    return p;
}

const std::string text45 = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHI";

class mirvaneEventsTest : public mirvaneSession {
protected:
    // Starts, opens the first controller and its event list.
    void openEvents(const std::string& args = "")
    {
        start(args);
        toMainMenu();
        openList();
    }
    void openList()
    {
        tmux->sendKeys("e");
        ASSERT_TRUE(tmux->waitFor(" Controller Events ")) << tmux->capture();
        stillPane();  // the title shows before the events read are listed
    }
    // The list's row r (with header line 0 at y + 1).
    std::string listRow(int r, int events)
    {
        const int y = std::max(3, (25 / 2 - std::max(1, events)) - 2);
        return paneLine(tmux->capture(), y + 2 + r);
    }
    // Closes the list and the menu and quits.
    void leave()
    {
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone(" Controller Events ")) << tmux->capture();
        tmux->sendKeys("Escape");
        ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
        quitFromList();
    }
};

TEST_F(mirvaneEventsTest, ColumnsFitTheWidthAndEachEventShowsItsDetails)
{
    controls = {"event 0 1 9 5 2 none cache text",
                "event 0 1 3 6 2 none raw text",
                "event 0 1 11 7 2 none screen text",
                "event 1 1 5 8 0 none service five text",
                "event 0 2 4 0 1 none driver text",
                "event 0 3 0 0 1 none test text",
                "event 0 4 0 0 0 none sync text",
                "event 0 1 9 9 2 none " + text45,
                "event 0 1 9 10 2 none " + std::string(120, 'A')};
    openEvents();
    const std::string pane = stillPane();
    EXPECT_NE(pane.find("│Ctr Time                     Cnt Evt Text" + std::string(35, ' ') + "│"), std::string::npos)
        << pane;
    // 37 columns of fixed fields, 39 for the text: 35 characters and "...".
    const std::string row1 = listRow(1, 9);
    EXPECT_NE(row1.find("  1   9 " + text45.substr(0, 35) + "... │"), std::string::npos) << pane;
    EXPECT_NE(row1.find("│  0 "), std::string::npos) << row1;
    const std::string row5 = listRow(5, 9);
    EXPECT_NE(row5.find("│  1 "), std::string::npos) << row5;
    EXPECT_NE(row5.find("   1   8 service five text"), std::string::npos) << row5;

    struct Detail {
        int row;
        const char* severity;
        const char* type;
        const char* origin;  // null: no origin line
        const char* text;
    };
    const Detail details[] = {
        {8, "information", "asynchronous", "Controller (cache service)", "Adapter 0, cache text"},
        {7, "information", "asynchronous", "Controller (raw service)", "Adapter 0, raw text"},
        {6, "information", "asynchronous", "Controller (screen service)", "Adapter 0, screen text"},
        {5, "critical", "asynchronous", "Controller (service 5)", "Adapter 1, service five text"},
        {4, "warning", "driver", nullptr, "Adapter 0, driver text"},
        {3, "warning", "test", nullptr, "Adapter 0, test text"},
        {2, "critical", "synchronous", nullptr, "Adapter 0, sync text"},
    };
    int information = -1;
    int critical = -1;
    for (const Detail& d : details) {
        tmux->sendKeys("Home");
        tmux->repeatKey("Down", d.row);
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("Text:")) << d.text << "\n" << tmux->capture();
        const std::string box = stillPane();
        EXPECT_NE(box.find("│Time    : "), std::string::npos) << box;
        EXPECT_NE(box.find(std::string("│Severity: ") + d.severity), std::string::npos) << box;
        EXPECT_NE(box.find(std::string("│Type    : ") + d.type), std::string::npos) << box;
        if (d.origin)
            EXPECT_NE(box.find(std::string("│Origin  : ") + d.origin), std::string::npos) << box;
        else
            EXPECT_EQ(box.find("Origin"), std::string::npos) << box;
        EXPECT_NE(box.find(std::string("│") + d.text), std::string::npos) << box;
        const int bg = tmuxSession::renditionAt(tmux->capture(true), "Severity: ").bg;
        (std::string(d.severity) == "critical" ? critical : information) = bg;
        tmux->sendKeys("x");
        ASSERT_TRUE(waitGone("Text:")) << tmux->capture();
    }
    EXPECT_NE(critical, information) << "a critical event's box is in error colours";

    // A text without blanks is not broken at 50 (the box is cut at the screen).
    tmux->sendKeys("Home Enter");
    ASSERT_TRUE(tmux->waitFor("Text:")) << tmux->capture();
    const std::string box = stillPane();
    EXPECT_NE(box.find("│Adapter 0,"), std::string::npos) << box;
    EXPECT_NE(box.find("│" + std::string(70, 'A')), std::string::npos) << box;
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("Text:")) << tmux->capture();
    leave();
}

// The first event's second time stamp 0 hides the Time column everywhere
// (list, detail box, file) unless administrator mode is on.
TEST_F(mirvaneEventsTest, TimeColumnFollowsTheFirstEventsSecondStamp)
{
    struct Case {
        const char* args;
        bool shown;
    };
    for (const Case c : {Case{"", false}, Case{"-QUENTRAX", true}}) {
        SCOPED_TRACE(c.args);
        controls = {"event 0 1 9 5 2 none first", "eventtime 1000000000 0", "event 0 1 9 6 2 none " + text45};
        openEvents(c.args);
        std::string pane = stillPane();
        const std::string header = c.shown ? "│Ctr Time                     Cnt Evt Text" : "│Ctr Cnt Evt Text";
        EXPECT_NE(pane.find(header + "   "), std::string::npos) << pane;
        // Without the time the text has 64 columns: 45 characters fit.
        EXPECT_EQ(pane.find(text45) != std::string::npos, !c.shown) << pane;
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("Text:")) << tmux->capture();
        EXPECT_EQ(shows("Time    : "), c.shown) << tmux->capture();
        tmux->sendKeys("x");
        ASSERT_TRUE(waitGone("Text:")) << tmux->capture();
        tmux->sendKeys("F2");
        ASSERT_TRUE(tmux->waitFor("File: raidevent.log")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("*** no events since last boot up")) << tmux->capture();
        const std::vector<std::string> lines = ReadLines(dir + "/raidevent.log");
        ASSERT_EQ(lines.size(), 7u);
        if (c.shown) {
            EXPECT_EQ(lines[4], "Ctr " + padded("Time", 25) + "Cnt Evt " + padded("Text", 256));
            EXPECT_EQ(lines[5].size(), 4u + 25u + 8u + 5u);
        } else {
            EXPECT_EQ(lines[4], "Ctr Cnt Evt " + padded("Text", 256));
            EXPECT_EQ(lines[5], "  0   1   5 first");
            EXPECT_EQ(lines[6], "  0   1   6 " + text45);
        }
        leave();
        TearDown();
        controls.clear();
    }
}

TEST_F(mirvaneEventsTest, SaveWritesTheHeaderThenAppendsAndClearsTheEvents)
{
    controls = {"event 0 1 9 5 2 none first", "event 1 1 9 6 2 none second"};
    openEvents();
    tmux->sendKeys("F2");
    ASSERT_TRUE(tmux->waitFor("File: raidevent.log")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("*** no events since last boot up / last event clearing ***")) << tmux->capture();
    std::vector<std::string> lines = ReadLines(dir + "/raidevent.log");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Tarvo RAID Controller event log");
    EXPECT_EQ(lines[1].substr(0, 6), "Time: ");
    EXPECT_EQ(lines[1].size(), 6u + 24u) << lines[1];
    EXPECT_EQ(lines[2], "KZM8530RZ on Local_Sys, [PCI 2/1], RAM 64 MB SDRAM/ECC, FW: 2.33.12-R0A1");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "Ctr " + padded("Time", 25) + "Cnt Evt " + padded("Text", 256));
    // The event read first comes first; the time is 24 characters and a blank.
    EXPECT_EQ(lines[5].substr(0, 4), "  0 ");
    EXPECT_EQ(lines[5].substr(4 + 24), "   1   5 first");
    EXPECT_EQ(lines[6].substr(0, 4), "  1 ");
    EXPECT_EQ(lines[6].substr(4 + 24), "   1   6 second");

    // A second save appends without a header.
    ASSERT_TRUE(sim->control("event 0 1 9 7 2 none third"));
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Controller Events ")) << tmux->capture();
    openList();
    ASSERT_TRUE(tmux->waitFor("third")) << tmux->capture();
    tmux->sendKeys("F2");
    ASSERT_TRUE(tmux->waitFor("File: raidevent.log")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("*** no events since last boot up")) << tmux->capture();
    lines = ReadLines(dir + "/raidevent.log");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[7].substr(4 + 24), "   1   7 third");
    leave();
}

// A file that cannot be opened, or whose writes fail (/dev/full), shows
// M5055 and keeps the controller's events; the name is offered again.
TEST_F(mirvaneEventsTest, AFailedSaveKeepsTheEventsAndTheNameIsOfferedAgain)
{
    for (const char* name : {"missing/x.log", "/dev/full"}) {
        SCOPED_TRACE(name);
        controls = {"event 0 1 9 5 2 none kept event"};
        openEvents();
        tmux->sendKeys("F2");
        ASSERT_TRUE(tmux->waitFor("File: raidevent.log")) << tmux->capture();
        typeInput(name);
        dismiss("Could not open file.");
        EXPECT_TRUE(tmux->waitFor("kept event")) << tmux->capture();
        tmux->sendKeys("F2");
        ASSERT_TRUE(tmux->waitFor(std::string("File: ") + name)) << tmux->capture();
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone("File: ")) << tmux->capture();
        // Leaving and coming back reads the events again: still there.
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone(" Controller Events ")) << tmux->capture();
        openList();
        EXPECT_TRUE(tmux->waitFor("kept event")) << tmux->capture();
        EXPECT_FALSE(std::filesystem::exists(dir + "/raidevent.log"));
        leave();
        TearDown();
    }
}

TEST_F(mirvaneEventsTest, F8DeletesAfterYesAndAnEmptyListIgnoresItsKeys)
{
    controls = {"event 0 1 9 5 2 none doomed event"};
    openEvents();
    tmux->sendKeys("F8");
    dismiss("Do you really want to delete all entries? (Y/N)", "n");
    EXPECT_TRUE(tmux->waitFor("doomed event")) << tmux->capture();
    tmux->sendKeys("F8");
    dismiss("Do you really want to delete all entries? (Y/N)", "y");
    ASSERT_TRUE(tmux->waitFor("*** no events since last boot up / last event clearing ***")) << tmux->capture();
    for (const char* key : {"F2", "F8", "Enter"}) {
        tmux->sendKeys(key);
        const std::string pane = stillPane();
        EXPECT_EQ(pane.find("File:"), std::string::npos) << key << "\n" << pane;
        EXPECT_EQ(pane.find("Do you really"), std::string::npos) << key << "\n" << pane;
        EXPECT_EQ(pane.find("Text:"), std::string::npos) << key << "\n" << pane;
    }
    leave();
}

// 250 events in the store: the 100 read first are listed and saved.
TEST_F(mirvaneEventsTest, AtMostAHundredEventsAreRead)
{
    std::ostringstream many;
    for (int i = 0; i < 250; ++i)
        many << "event 0 1 9 5 2 none event " << (i < 10 ? "00" : i < 100 ? "0" : "") << i << "\n";
    controls = {many.str()};
    openEvents();
    EXPECT_TRUE(tmux->waitFor("event 099")) << tmux->capture();
    tmux->sendKeys("F2");
    ASSERT_TRUE(tmux->waitFor("File: raidevent.log")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("*** no events since last boot up")) << tmux->capture();
    const std::vector<std::string> lines = ReadLines(dir + "/raidevent.log");
    ASSERT_EQ(lines.size(), 105u);
    EXPECT_NE(lines[5].find("event 000"), std::string::npos) << lines[5];
    EXPECT_NE(lines[104].find("event 099"), std::string::npos) << lines[104];
    leave();
}

}  // namespace
}  // namespace tui::testing
