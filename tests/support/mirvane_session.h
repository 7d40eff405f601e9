// mirvane in tmux against a mounted emulator, run in a scratch directory of
// its own, with the steps the screen tests share: to the controller list,
// into a controller's menus, waiting for texts to go, reading the
// requests the emulator served.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim_mount.h"
#include "tmux_session.h"
#include "wait_until.h"

namespace tui::testing {

// Line y of a captured pane.
inline std::string paneLine(const std::string& pane, int y)
{
    size_t from = 0;
    for (int i = 0; i < y && from != std::string::npos; ++i) {
        from = pane.find('\n', from);
        if (from != std::string::npos)
            ++from;
    }
    return from == std::string::npos ? "" : pane.substr(from, pane.find('\n', from) - from);
}

class mirvaneSession : public ::testing::Test {
protected:
    void TearDown() override
    {
        tmux.reset();
        sim.reset();
        if (!dir.empty()) {
            // The console may still be ending, and writing, when its server goes.
            std::error_code ec;
            const bool removed = kzmtest::waitUntil([&] {
                std::filesystem::remove_all(dir, ec);
                return !std::filesystem::exists(dir, ec);
            });
            EXPECT_TRUE(removed) << "the scratch directory " << dir << " could not be removed: " << ec.message();
        }
        dir.clear();
    }
    // Makes the scratch directory and mounts the scenario with the controls run.
    void mount(const std::string& scenario = "")
    {
        TearDown();  // a test may start the console more than once
        char tmpl[] = "/tmp/kzm_mirvane_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        sim = std::make_unique<SimMount>(scenario);
        ASSERT_TRUE(sim->ok());
        for (const std::string& line : controls)
            ASSERT_TRUE(sim->control(line)) << line;
    }
    // Starts mirvane with the arguments in the scratch directory, after the
    // words of `commandPrefix`, on the mounted emulator.
    void launch(const std::string& args = "")
    {
        const std::string inDir = "cd " + tmuxSession::quote(dir) + " && exec " + tmuxSession::quote(MIRVANE_PATH) +
                                  " " + args;
        tmux = std::make_unique<tmuxSession>(commandPrefix + " env KZMH_PROC_ROOT=" + tmuxSession::quote(sim->root()) +
                                             " sh -c " + tmuxSession::quote(inDir));
        ASSERT_TRUE(tmux->started());
    }
    // Mounts the scenario, runs the controls, and starts mirvane with the
    // arguments in the scratch directory.
    void start(const std::string& args = "", const std::string& scenario = "")
    {
        ASSERT_NO_FATAL_FAILURE(mount(scenario));
        ASSERT_NO_FATAL_FAILURE(launch(args));
    }
    // From the interface menu to the controller list.
    void toList()
    {
        ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
        // The title shows before the list's lines and hints: a test reads
        // the whole list once it is drawn.
        std::string pane;
        ASSERT_TRUE(tmux->waitStill(pane, redrawMs)) << "the controller list did not come to rest\n" << pane;
    }
    // Bound of a wait over a read of the whole configuration: a request or
    // more per drive, hundreds in the largest scenarios, slow on a loaded
    // machine under the sanitizers (13 s for 200 disks at a load of 24).
    static constexpr int configurationReadMs = 60000;
    // Bound of a wait for what keys do (a redraw, a request or a box that
    // goes), on a loaded machine under the sanitizers.
    static constexpr int redrawMs = 20000;
    // Opens the main menu of the controller on line `entry` of the list.
    void toMainMenu(int entry = 0)
    {
        toList();
        tmux->repeatKey("Down", entry);
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Setup ", configurationReadMs)) << tmux->capture();
    }
    // From the start to the first controller's Advanced Setup menu.
    void toAdvancedSetup()
    {
        toList();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Express Setup ", configurationReadMs)) << tmux->capture();
        tmux->sendKeys("4");
        ASSERT_TRUE(tmux->waitFor(" Advanced Setup ")) << tmux->capture();
    }
    // From the controller list: the controller on `line` opened (in Express
    // or Advanced Setup, as the console chooses) and its Configure Controller menu.
    void toConfigureMenu(int line = 0)
    {
        tmux->repeatKey("Down", line);
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitForAny({" Express Setup ", " Advanced Setup "}, configurationReadMs))
            << tmux->capture();
        if (shows("─ Express Setup ─")) {  // the title, not the F4 hint
            tmux->sendKeys("4");
            ASSERT_TRUE(tmux->waitFor("─ Advanced Setup ─")) << tmux->capture();
        }
        tmux->sendKeys("c");
        ASSERT_TRUE(tmux->waitFor(" Configure Controller ")) << tmux->capture();
    }
    // From the start to the first controller's " Select Host Drive ", through
    // Express Setup or, with `advanced`, through Advanced Setup.
    void toHostDriveList(bool advanced)
    {
        if (advanced) {
            ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
            tmux->sendKeys("Down Down Down Down Enter");
        } else {
            ASSERT_NO_FATAL_FAILURE(toMainMenu());
            tmux->sendKeys("Enter");
        }
    }
    // Whether the pane shows the text once the console has drawn what the
    // keys so far caused (the screen settled): a redraw still under way
    // neither hides a text nor leaves one behind. A screen that does not come
    // to rest within the bound fails the test: what it shows then proves
    // nothing either way.
    bool shows(const std::string& text)
    {
        std::string pane;
        if (!tmux->waitStill(pane, redrawMs)) {
            ADD_FAILURE() << "the screen did not come to rest before looking for \"" << text << "\"\n" << pane;
            return false;
        }
        return pane.find(text) != std::string::npos;
    }
    // Waits until the text is gone.
    [[nodiscard]] bool waitGone(const std::string& text) { return tmux->waitGone(text, redrawMs); }
    // The pane line that shows `text` now ("" when none does).
    std::string lineWith(const std::string& text)
    {
        const std::string pane = tmux->capture();
        const size_t at = pane.find(text);
        if (at == std::string::npos)
            return "";
        const size_t begin = pane.rfind('\n', at) + 1;
        return pane.substr(begin, pane.find('\n', at) - begin);
    }
    // Waits until the pane line that shows `text` also shows `part`.
    [[nodiscard]] bool waitLine(const std::string& text, const std::string& part)
    {
        return kzmtest::waitUntil([&] { return lineWith(text).find(part) != std::string::npos; }, redrawMs);
    }
    // Waits until pane row y starts with the text; whether it came to.
    [[nodiscard]] bool rowStarts(int y, const std::string& start)
    {
        return kzmtest::waitUntil([&] { return paneLine(tmux->capture(), y).rfind(start, 0) == 0; }, redrawMs);
    }
    // Waits until pane row y shows the text; the row as last read.
    [[nodiscard]] std::string waitRow(int y, const std::string& text)
    {
        std::string row;
        // The caller checks the row it gets, which names what did not come.
        static_cast<void>(kzmtest::waitUntil(
            [&] { return (row = paneLine(tmux->capture(), y)).find(text) != std::string::npos; }, redrawMs));
        return row;
    }
    // The fence after keys: the screen once the console has read them all and
    // drawn what they did (fails the test when it does not come to rest).
    std::string stillPane()
    {
        std::string pane;
        EXPECT_TRUE(tmux->waitStill(pane, redrawMs)) << pane;
        return pane;
    }
    // Waits (up to `boundMs`) for the text, then closes its box with a key.
    void dismiss(const std::string& text, const std::string& key = "x", int boundMs = kzmtest::waitBound)
    {
        ASSERT_TRUE(tmux->waitFor(text, boundMs)) << text << "\n" << tmux->capture();
        tmux->sendKeys(key);
        ASSERT_TRUE(waitGone(text)) << text << "\n" << tmux->capture();
    }
    // Replaces the text of the input field that is up.
    void typeInput(const std::string& text)
    {
        std::vector<std::string> keys{"End", "-N 70 BSpace"};
        if (!text.empty())
            keys.push_back("-l " + tmuxSession::quote(text));
        keys.push_back("Enter");
        tmux->sendKeys(keys);
    }
    // Whether one of the record's hexadecimal words reads `text`: its request
    // code ("0x4A07"), IOCTL key ("0x0000002B"), target or status.
    static bool carries(const SimRecord& r, const std::string& text)
    {
        return r.key == text || r.code == text || r.target == text || r.status == text;
    }
    // The log lines of the emulator that carry an IOCTL key (or request code).
    int countKey(const std::string& key) const
    {
        int n = 0;
        for (const SimRecord& r : sim->records())
            n += carries(r, key);
        return n;
    }
    // The IOCTL commands (opcode 5) with the key that the emulator served.
    int ioctlCount(const std::string& key) const
    {
        int n = 0;
        for (const SimRecord& r : sim->records())
            n += r.service == 9 && r.opcode == 5 && r.key == key;
        return n;
    }
    // The IOCTL keys (or request codes) of the log in order, those of the list only.
    std::vector<std::string> keysInOrder(const std::vector<std::string>& wanted) const
    {
        std::vector<std::string> keys;
        for (const SimRecord& r : sim->records())
            for (const std::string& key : wanted)
                if (carries(r, key))
                    keys.push_back(key);
        return keys;
    }
    // Waits until the log holds `count` requests with the key.
    [[nodiscard]] bool waitKeyCount(const std::string& key, int count) const
    {
        return sim->waitForKeyCount(key, count, redrawMs);
    }
    // ESC back to the controller list, the quit question answered Y.
    void quitFromList()
    {
        tmux->sendKeys("Escape");
        ASSERT_TRUE(tmux->waitFor("Do you really want to quit ? (Y/N)")) << tmux->capture();
        tmux->sendKeys("y");
        ASSERT_TRUE(tmux->waitExit()) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("[exit 0]")) << tmux->capture();
    }

    std::vector<std::string> controls;
    std::string commandPrefix;  // words before the console's command line (a namespace to enter)
    std::string dir;
    std::unique_ptr<SimMount> sim;
    std::unique_ptr<tmuxSession> tmux;
};

}  // namespace tui::testing
