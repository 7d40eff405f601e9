// Save Information: the "-SAVEINFO" run as a process (the file, the exit
// status, a bad controller number, a file that cannot be created) and the
// console's dialog in tmux (the report view, M3010, the file name, M3027
// keeping an existing file, a write error, a report longer than the view).
#include "mirvane_session.h"
#include "program_run.h"
#include "screen_waits.h"
#include "text_file.h"

#include <fstream>
#include <string>
#include <vector>

namespace {

using tui::testing::mirvaneSession;
using tui::testing::paneLine;

const std::string mirvane = MIRVANE_PATH;

// True when one of the lines begins with `prefix`.
bool HasLine(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (const std::string& l : lines)
        if (l.rfind(prefix, 0) == 0)
            return true;
    return false;
}

struct RunCase {
    std::string arg;
    std::string file;  // written into the working directory; empty: none
    std::string type;  // the controller's type line in it
    std::string err;
    int code;
};

}  // namespace

class SaveInformationRunTest : public mirvaneSession {};

// mirvane -SAVEINFO in a scratch working directory against the built-in
// emulator scenario (controller 0 "new", controller 1 "old").
TEST_F(SaveInformationRunTest, TheRunWritesTheReportOfTheChosenController)
{
    SimMount sim;
    ASSERT_TRUE(sim.ok());
    char tmpl[] = "/tmp/kzm_saveinfo_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    const RunCase cases[] = {
        {"-SAVEINFO", "saveinfo.txt", "Type:             KZM8530RZ", "", 0},
        {"-saveinfo1", "saveinf1.txt", "Type:             KZM6117RD", "", 0},
        {"/SaveInfo1:Report.TXT", "Report.TXT", "Type:             KZM6117RD", "", 0},
        {"-SAVEINFOXYZ", "saveinfo.txt", "Type:             KZM8530RZ", "", 0},
        {"-SAVEINFO0:sub/x.txt", "", "", "Error while creating sub/x.txt.\n", 1},
        {"-SAVEINFO2", "", "", "Invalid controller number.\n", 1},
    };
    for (const RunCase& k : cases) {
        SCOPED_TRACE(k.arg);
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        const ProgramResult r = RunProgram({"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", dir, mirvane, k.arg},
                                           {"KZMH_PROC_ROOT=" + sim.root()});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, k.err);
        EXPECT_EQ(r.exitCode, k.code);
        size_t files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
            ++files;
        if (k.file.empty()) {
            EXPECT_EQ(files, 0u);
            continue;
        }
        EXPECT_EQ(files, 1u);
        const std::vector<std::string> lines = ReadLines(dir + "/" + k.file);
        ASSERT_GT(lines.size(), 20u);
        EXPECT_NE(lines[0].find("Mirvane"), std::string::npos) << lines[0];  // the version line as title
        EXPECT_TRUE(HasLine(lines, k.type)) << ReadAll(dir + "/" + k.file);
        EXPECT_TRUE(HasLine(lines, "                    Screen service messages / Async. events"));
    }
}

class SaveInformationDialogTest : public mirvaneSession {
protected:
    // Bound of a wait for the report of 200 disks (its view, its file): a
    // request or more per disk, each a round trip to the emulator that a
    // loaded machine makes slow (20 s for the view at a load of 24).
    static constexpr int longReportMs = 120000;
    // From the first controller's main menu into " View Information ".
    void openView(int boundMs = redrawMs)
    {
        tmux->sendKeys("s");
        ASSERT_TRUE(tmux->waitFor(" View Information ", boundMs)) << tmux->capture();
    }
    // ESC out of the view to M3010, answered with `key`.
    void leaveView(const std::string& key)
    {
        tmux->sendKeys("Escape");
        dismiss("Do you want to save the information file ? (Y/N)", key);
    }
    // The file name input: replaced by `name` unless it is empty (Enter on the offered name).
    void enterName(const std::string& name)
    {
        ASSERT_TRUE(tmux->waitFor("File: raidsave.txt")) << tmux->capture();
        if (name.empty())
            tmux->sendKeys("Enter");
        else
            typeInput(name);
    }
};

TEST_F(SaveInformationDialogTest, TheViewShowsTheReportAndTheAnswersDecideTheFile)
{
    start();
    toMainMenu();
    openView();
    const std::string pane = stillPane();
    EXPECT_NE(pane.find("Controller Information"), std::string::npos) << pane;
    // The view takes the background's width less 4 (76): its frame, moved left
    // by one so that it fits, runs from column 2 to the screen's last.
    const std::string top = paneLine(pane, 8);
    EXPECT_EQ(top.rfind("░░┌", 0), 0u) << pane;
    EXPECT_EQ(top.size() - top.rfind("┐"), std::string("┐").size()) << pane;
    // No: nothing is written.
    leaveView("n");
    EXPECT_FALSE(std::filesystem::exists(dir + "/raidsave.txt"));
    EXPECT_TRUE(tmux->waitFor(" Setup "));

    // Yes with the offered name writes raidsave.txt.
    openView();
    leaveView("y");
    enterName("");
    ASSERT_TRUE(kzmtest::waitUntil([&] { return std::filesystem::exists(dir + "/raidsave.txt"); }, redrawMs));
    // The file is whole once the console is back to waiting for keys.
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
    const std::vector<std::string> lines = ReadLines(dir + "/raidsave.txt");
    EXPECT_TRUE(HasLine(lines, "Type:             KZM8530RZ"));

    // An existing file: No to M3027 keeps it as it was.
    std::ofstream(dir + "/raidsave.txt") << "kept\n";
    openView();
    leaveView("y");
    enterName("");
    dismiss("File already exists !", "n");
    EXPECT_EQ(ReadAll(dir + "/raidsave.txt"), "kept\n");
    // Yes overwrites it.
    openView();
    leaveView("y");
    enterName("");
    dismiss("File already exists !", "y");
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
    EXPECT_TRUE(HasLine(ReadLines(dir + "/raidsave.txt"), "Type:             KZM8530RZ"));

    // A file in a directory that does not exist: the error is shown.
    openView();
    leaveView("y");
    enterName("nodir/report.txt");
    dismiss("Error: Unable to open file !");
    EXPECT_FALSE(std::filesystem::exists(dir + "/nodir"));
    EXPECT_TRUE(tmux->waitFor(" Setup "));
}

// 200 disks and 256 messages: more lines than the view holds.
std::string LongReportScenario()
{
    std::string channels;
    for (int c = 0; c < 4; ++c) {
        std::string devices;
        for (int t = 0; t < 10; ++t)
            for (int l = 0; l < 5; ++l)
                devices += (devices.empty() ? "" : ", ") + std::string(R"({"target": )") + std::to_string(t) +
                           R"(, "lun": )" + std::to_string(l) + "}";
        channels += (channels.empty() ? "" : ", ") + std::string(R"({"kind": 2, "ownId": 15, "devices": [)") +
                    devices + "]}";
    }
    return R"({"controllers": [{"entry": 0, "profile": "new", "channels": [)" + channels + "]}]}";
}

TEST_F(SaveInformationDialogTest, TheViewHoldsTheFirst3000LinesAndTheFileAll)
{
    std::string messages;
    for (int i = 0; i < 256; ++i)
        messages += (i ? "\n" : "") + std::string("logmsg 0 1 long report message ") + std::to_string(i) + " end";
    controls = {messages};
    start("", LongReportScenario());
    ASSERT_NO_FATAL_FAILURE(toMainMenu());
    ASSERT_NO_FATAL_FAILURE(openView(longReportMs));
    leaveView("y");
    enterName("");
    ASSERT_TRUE(tmux->waitFor("Please wait")) << tmux->capture();
    ASSERT_TRUE(tmux->waitGone("Please wait", longReportMs)) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Setup ")) << "back in the controller's menu\n" << tmux->capture();
    const std::vector<std::string> lines = ReadLines(dir + "/raidsave.txt");
    ASSERT_GT(lines.size(), 3001u);
    // Line 3000 and the one after it are message lines, each of its own text.
    const size_t last = lines[2999].find("long report message ");
    const size_t next = lines[3000].find("long report message ");
    ASSERT_NE(last, std::string::npos) << lines[2999];
    ASSERT_NE(next, std::string::npos) << lines[3000];
    EXPECT_EQ(lines.back().substr(lines.back().find("long report")), "long report message 255 end");

    // The view's last line is line 3000 of the file.
    ASSERT_NO_FATAL_FAILURE(openView(longReportMs));
    const std::string shown = lines[2999].substr(last);
    const std::string after = lines[3000].substr(next);
    for (int i = 0; i < 300 && tmux->capture().find(shown) == std::string::npos; ++i)
        tmux->sendKeys("NPage");
    ASSERT_TRUE(tmux->waitFor(shown)) << shown << "\n" << tmux->capture();
    tmux->sendKeys("NPage Down");
    const std::string pane = stillPane();
    EXPECT_NE(pane.find(shown), std::string::npos) << shown << "\n" << pane;
    EXPECT_EQ(pane.find(after), std::string::npos) << pane;
    leaveView("n");
}
