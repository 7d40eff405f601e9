// mirvane logging in to a remote machine: the real dulm runs in namespaces
// of the test's own (DaemonSandbox) against the emulator, and the console's
// tmux pane enters them with nsenter. No address outside loopback is used.
#include <crypt.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "daemon_sandbox.h"
#include "mirvane_session.h"

namespace tui::testing {
namespace {

std::string hashOf(const char* password)
{
    crypt_data data{};
    return crypt_r(password, "$6$mirvanetest$", &data);
}

class mirvaneRemoteTest : public mirvaneSession {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(mount());
        box = std::make_unique<DaemonSandbox>();
        box->hosts = "127.0.0.1 localhost raidhost.example.com\n127.0.1.1 raidhost\n";
        box->shadow = "root:*:19000:0:99999:7:::\nadmin:" + hashOf("secret") + ":19000::::::\n";
        box->procRoot = sim->root();
        ASSERT_TRUE(box->start());
        ASSERT_EQ(box->foregroundExit(), 0) << box->standardError();
        ASSERT_TRUE(box->waitForRecord("Startup.")) << box->standardError();
    }
    void TearDown() override
    {
        tmux.reset();
        box.reset();  // the service lets go of the emulator before it is unmounted
        mirvaneSession::TearDown();
    }
    // The console in the sandbox's network and mount namespaces.
    void startConsole()
    {
        commandPrefix = "nsenter -t " + std::to_string(box->namespaceHolder()) + " -n -m --";
        ASSERT_NO_FATAL_FAILURE(launch());
    }
    // The remote interface and the machine's name.
    void askFor(const std::string& machine)
    {
        ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(tmux->waitFor("Name/Address:")) << tmux->capture();
        tmux->sendKeys({"-l " + tmuxSession::quote(machine), "Enter"});
    }
    // The login dialog filled in; its title is checked first.
    void login(const std::string& title, const std::string& user, const std::string& password)
    {
        ASSERT_TRUE(tmux->waitFor(title)) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("Name:")) << tmux->capture();
        tmux->sendKeys({"-l " + user, "Enter"});
        ASSERT_TRUE(tmux->waitFor("Password:")) << tmux->capture();
        tmux->sendKeys("-l " + password);
        ASSERT_TRUE(tmux->waitFor("Password: " + std::string(password.size(), '*'))) << tmux->capture();
        EXPECT_FALSE(shows(password));
        tmux->sendKeys("Enter");
    }
    // Answers a question that must come.
    void answer(const std::string& question, const char* key)
    {
        ASSERT_TRUE(tmux->waitFor(question, 15000)) << tmux->capture();
        tmux->sendKeys(key);
    }
    void quit()
    {
        answer("Do you really want to quit ? (Y/N)", "y");
        ASSERT_TRUE(tmux->waitExit()) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("[exit 0]")) << tmux->capture();
    }

    std::unique_ptr<DaemonSandbox> box;
};

TEST_F(mirvaneRemoteTest, AGoodLoginReachesTheRemoteControllers)
{
    startConsole();
    askFor("raidhost.example.com");
    login(" raidhost login ", "admin", "secret");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ", 15000)) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" 0   KZM8530RZ")) << tmux->capture();
    EXPECT_TRUE(box->waitForRecord("User admin logged in from 127.0.0.1.")) << box->standardError();
    tmux->sendKeys("Enter");
    // The machine name is cut so that the status line fills the 80 columns.
    ASSERT_TRUE(tmux->waitFor("[PCI 2/1]: KZM8530RZ on raid.., RAM: 64 MB SDRAM/ECC")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    tmux->sendKeys("Escape");
    quit();
}

TEST_F(mirvaneRemoteTest, AWrongPasswordEndsWithTheQuitQuestion)
{
    startConsole();
    askFor("127.0.0.1");
    login(" 127.0.0.1 login ", "admin", "wrong");
    answer("Login failed.", "n");
    answer("Remote connection failed.", "n");
    answer("Could not connect to remote computer or", "x");
    quit();
}

TEST_F(mirvaneRemoteTest, AnUnknownMachineIsNotFound)
{
    startConsole();
    askFor("nohost.invalid");
    answer("No machines found!", "y");
    ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
    tmux->sendKeys("Escape");
    quit();
}

// Without a service: a network of the pane's own, where nothing listens.
class mirvaneNoServiceTest : public mirvaneSession {};

TEST_F(mirvaneNoServiceTest, TheConnectionFails)
{
    commandPrefix = "unshare -n --";
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor("Name/Address:")) << tmux->capture();
    tmux->sendKeys({"-l 127.0.0.1", "Enter"});
    ASSERT_TRUE(tmux->waitFor(" 127.0.0.1 login ")) << tmux->capture();
    tmux->sendKeys({"-l admin", "Enter"});
    ASSERT_TRUE(tmux->waitFor("Password:")) << tmux->capture();
    tmux->sendKeys({"-l secret", "Enter"});
    ASSERT_TRUE(tmux->waitFor("Login failed.", 15000)) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(tmux->waitFor("Remote connection failed.")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(tmux->waitFor("Could not connect to remote computer or")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("Do you really want to quit ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("[exit 0]")) << tmux->capture();
}

}  // namespace
}  // namespace tui::testing
