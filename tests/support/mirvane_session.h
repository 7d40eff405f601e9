// mirvane in tmux against a mounted emulator, run in a scratch directory of
// its own, with the steps the screen tests share: to the controller list,
// into the first controller's Express Setup menu, waiting for texts to go.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim_mount.h"
#include "tmux_session.h"

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
        if (!dir.empty())
            std::filesystem::remove_all(dir);
        dir.clear();
    }
    // Mounts the scenario, runs the controls, and starts mirvane with the
    // arguments in the scratch directory.
    void start(const std::string& args = "", const std::string& scenario = "")
    {
        TearDown();  // a test may start the console more than once
        char tmpl[] = "/tmp/kzm_mirvane_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        sim = std::make_unique<SimMount>(scenario);
        ASSERT_TRUE(sim->ok());
        for (const std::string& line : controls)
            ASSERT_TRUE(sim->control(line)) << line;
        const std::string inDir = "cd " + tmuxSession::quote(dir) + " && exec " + tmuxSession::quote(MIRVANE_PATH) +
                                  " " + args;
        tmux = std::make_unique<tmuxSession>("KZMH_PROC_ROOT=" + tmuxSession::quote(sim->root()) + " sh -c " +
                                             tmuxSession::quote(inDir));
        ASSERT_TRUE(tmux->started());
    }
    // From the interface menu to the controller list.
    void toList()
    {
        ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    }
    // Bound of a wait over a read of the whole configuration: a request or
    // more per drive, hundreds in the largest scenarios, slow on a loaded
    // machine under the sanitizers.
    static constexpr int configurationReadMs = 30000;
    // Opens the first controller's main menu.
    void toMainMenu()
    {
        toList();
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
    // Whether the pane shows the text now.
    bool shows(const std::string& text) { return tmux->capture().find(text) != std::string::npos; }
    // Waits until the text is gone.
    bool waitGone(const std::string& text)
    {
        for (int i = 0; i < 250; ++i) {
            if (tmux->capture().find(text) == std::string::npos)
                return true;
            tmux->waitFor("\x01never", 20);
        }
        return false;
    }
    // Waits for the text, then closes its box with a key.
    void dismiss(const std::string& text, const std::string& key = "x")
    {
        ASSERT_TRUE(tmux->waitFor(text)) << text << "\n" << tmux->capture();
        tmux->sendKeys(key);
        ASSERT_TRUE(waitGone(text)) << text << "\n" << tmux->capture();
    }
    // Replaces the text of the input field that is up.
    void typeInput(const std::string& text)
    {
        tmux->sendKeys("End");
        for (int i = 0; i < 70; ++i)
            tmux->sendKeys("BSpace");
        if (!text.empty())
            tmux->sendKeys("-l " + tmuxSession::quote(text));
        tmux->sendKeys("Enter");
    }
    // The log lines of the emulator that carry an IOCTL key.
    int countKey(const std::string& key) const
    {
        int n = 0;
        for (const std::string& line : sim->log())
            if (line.find("\t" + key + "\t") != std::string::npos)
                ++n;
        return n;
    }
    // The IOCTL commands (opcode 5) with the key that the emulator served.
    int ioctlCount(const std::string& key) const
    {
        int n = 0;
        for (const std::string& line : sim->log())
            if (line.find("\t9\t5\t" + key + "\t") != std::string::npos)
                ++n;
        return n;
    }
    // The IOCTL keys of the log in order, those of the list only.
    std::vector<std::string> keysInOrder(const std::vector<std::string>& wanted) const
    {
        std::vector<std::string> keys;
        for (const std::string& line : sim->log())
            for (const std::string& key : wanted)
                if (line.find("\t" + key + "\t") != std::string::npos)
                    keys.push_back(key);
        return keys;
    }
    // ESC back to the controller list, the quit question answered Y.
    void quitFromList()
    {
        tmux->sendKeys("Escape");
        ASSERT_TRUE(tmux->waitFor("Do you really want to quit ? (Y/N)")) << tmux->capture();
        tmux->sendKeys("y");
        ASSERT_TRUE(tmux->waitFor("[exit 0]")) << tmux->capture();
    }

    std::vector<std::string> controls;
    std::string dir;
    std::unique_ptr<SimMount> sim;
    std::unique_ptr<tmuxSession> tmux;
};

}  // namespace tui::testing
