// The README's steps for the service, run as written in namespaces of the
// test's own whose /etc is a private copy of the machine's (so the account
// they make never reaches the machine): the account made and given a
// password, the service started, a console logging in with that account,
// and the service stopped while another dulm goes on running.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "daemon_sandbox.h"
#include "mirvane_session.h"

namespace tui::testing {
namespace {

using namespace std::chrono_literals;

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The README's fenced blocks of the kind ("```kind" to "```"), in order.
std::vector<std::string> fencedBlocks(const std::string& text, const std::string& kind)
{
    std::vector<std::string> blocks;
    std::istringstream in(text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!inside && line == "```" + kind) {
            inside = true;
            blocks.emplace_back();
        } else if (inside && line == "```") {
            inside = false;
        } else if (inside) {
            blocks.back() += line + "\n";
        }
    }
    return blocks;
}

// The lines of a database text, without those of the named entry.
std::vector<std::string> entries(const std::string& text, const std::string& without)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line.rfind(without + ":", 0) != 0)
            out.push_back(line);
    return out;
}

// The entries' names with a locked password each, in the form of the
// shadow ("name:*:...") or group shadow ("name:*::") file.
std::string lockedShadow(const std::vector<std::string>& lines, const std::string& rest)
{
    std::string out;
    for (const std::string& line : lines)
        out += line.substr(0, line.find(':')) + ":*" + rest + "\n";
    return out;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    return out;
}

// Replaces every occurrence of `from`.
std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

class ReadmeServiceSteps : public mirvaneSession {
protected:
    void TearDown() override
    {
        tmux.reset();
        box.reset();  // the service lets go of the emulator before it is unmounted
        mirvaneSession::TearDown();
    }
    // The words that run a command in the sandbox's namespaces.
    std::string inside() const
    {
        const std::string holder = std::to_string(box->namespaceHolder());
        return "nsenter -t " + holder + " -m -n -u --pid=/proc/" + holder + "/ns/pid_for_children --";
    }
    // Runs a script with bash in the sandbox; its exit code.
    int runInside(const std::string& name, const std::string& text)
    {
        const std::string script = box->path(name);
        std::ofstream(script) << text;
        const std::string command =
            inside() + " /bin/bash -euo pipefail -x " + script + " >" + box->path(name + ".out") + " 2>&1";
        return exitCodeOf(std::system(command.c_str()));
    }

    std::unique_ptr<DaemonSandbox> box;
};

TEST_F(ReadmeServiceSteps, MakeAnAccountStartLogInAndStopTheServiceStarted)
{
    const std::string readme = readFile(README_PATH);
    const std::string machineUsers = readFile("/etc/passwd");
    const auto steps = fencedBlocks(readme, "sh-service");
    const auto conf = fencedBlocks(readme, "conf");
    ASSERT_GE(steps.size(), 2u) << "the account and start steps, then the stop";
    ASSERT_EQ(conf.size(), 1u);
    ASSERT_NO_FATAL_FAILURE(mount());

    // A fresh Debian system: its own accounts and groups (the group
    // "operator" among them, which must not make the account step fail),
    // but no account "operator", and every password locked.
    const auto users = entries(machineUsers, "operator");
    auto groups = entries(readFile("/etc/group"), "operator");
    groups.push_back("operator:x:37:");
    box = std::make_unique<DaemonSandbox>();
    box->privateEtc = true;
    box->privatePids = true;  // the stop step sees and signals the sandbox's processes only
    box->passwd = joined(users);
    box->group = joined(groups);
    box->shadow = lockedShadow(users, ":19000:0:99999:7:::");
    box->gshadow = lockedShadow(groups, "::");
    box->procRoot = sim->root();
    box->config = conf[0];
    const std::string password = "Quiet-Heron-42";
    box->input = password + "\n" + password + "\n";  // passwd asks twice

    // Another process called dulm, which the stop step must leave alone;
    // then the steps up to the start, as written, with this build's dulm on
    // the path and the emulator's mount in place of /tmp/kzm.
    const std::string bin = box->path("bin"), other = box->path("other");
    ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
    ASSERT_EQ(symlink(DULM_PATH, (bin + "/dulm").c_str()), 0);
    ASSERT_EQ(mkdir(other.c_str(), 0755), 0);
    ASSERT_EQ(symlink("/bin/sleep", (other + "/dulm").c_str()), 0);
    std::string script = other + "/dulm infinity &\necho $! >" + other + "/pid\n" + "export PATH=" + bin +
                         ":$PATH\ncp " + box->path("dulm.conf") + " /etc/dulm.conf\n";
    for (size_t i = 0; i + 1 < steps.size(); ++i)
        script += replaced(steps[i], "/tmp/kzm", sim->root());
    std::ofstream(box->path("start.sh")) << script;
    ASSERT_TRUE(box->startCommand({"/bin/bash", "-euo", "pipefail", "-x", box->path("start.sh")}));
    ASSERT_EQ(box->foregroundExit(30s), 0) << box->standardOutput() << box->standardError();
    ASSERT_TRUE(box->waitForRecord("Startup."));
    int service = 0;
    for (const auto& r : box->records())
        if (r.text == "Startup.")
            service = r.pid;

    // The console logs in with the new account.
    commandPrefix = inside();
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor("Name/Address:")) << tmux->capture();
    tmux->sendKeys({"-l 127.0.0.1", "Enter"});
    ASSERT_TRUE(tmux->waitFor(" 127.0.0.1 login ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("Name:")) << tmux->capture();
    tmux->sendKeys({"-l operator", "Enter"});
    ASSERT_TRUE(tmux->waitFor("Password:")) << tmux->capture();
    tmux->sendKeys({"-l " + password, "Enter"});
    ASSERT_TRUE(tmux->waitFor(" Select Controller ", 15000)) << tmux->capture();
    EXPECT_TRUE(box->waitForRecord("User operator logged in from 127.0.0.1."));
    quitFromList();

    // The stop step ends the service it started, and no other process: the
    // other one is then killed with SIGKILL, which decides how it ends only
    // if the step did not already end it with SIGTERM.
    ASSERT_EQ(runInside("stop.sh", replaced(steps.back(), "/tmp/kzm", sim->root())), 0)
        << readFile(box->path("stop.sh.out"));
    EXPECT_TRUE(box->waitForRecord("Shutdown."));
    runInside("kill.sh", "kill -KILL $(cat " + other + "/pid)\n");  // fails if it has ended already
    ASSERT_GE(box->serviceExit(), 0) << "every process of the sandbox has ended";
    const auto ended = box->reaped();
    const int otherPid = std::stoi(readFile(other + "/pid"));
    ASSERT_EQ(ended.count(service), 1u) << service;
    ASSERT_EQ(ended.count(otherPid), 1u) << otherPid;
    EXPECT_EQ(exitCodeOf(ended.at(service)), 0);
    EXPECT_EQ(exitCodeOf(ended.at(otherPid)), 128 + SIGKILL) << "the stop step ended the other dulm too";

    // The account lives in the sandbox's /etc only.
    EXPECT_EQ(readFile("/etc/passwd"), machineUsers);
}

}  // namespace
}  // namespace tui::testing
