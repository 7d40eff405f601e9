// Event watching of the real detached dulm: events injected into the
// emulator, the system-log records, and the external command, a script that
// writes its arguments (NUL-separated) and its user id to a file of its own.
#include <gtest/gtest.h>

#include <crypt.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "byte_order.h"
#include "daemon_sandbox.h"
#include "wait_until.h"
#include "sim_mount.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string disabledText = "       External program will not be executed, when controller events occur.";

// One run of the command: its arguments and the user id it ran with.
struct CommandRun {
    std::vector<std::string> args;
    std::string uid;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct EventService : ::testing::Test {
    SimMount sim;
    DaemonSandbox box;
    std::string outDir, script;

    EventService() { box.procRoot = sim.root(); }

    void SetUp() override
    {
        ASSERT_TRUE(sim.ok());
        // The executeuser must reach the script and write its results.
        ASSERT_EQ(chmod(box.path("").c_str(), 0755), 0);
        outDir = box.path("out");
        ASSERT_EQ(mkdir(outDir.c_str(), 0777), 0);
        ASSERT_EQ(chmod(outDir.c_str(), 0777), 0);
        script = box.path("record.sh");
        std::ofstream(script) << "#!/bin/sh\n"
                                 "out=$(mktemp " << outDir << "/run.XXXXXX) || exit 2\n"
                                 "{ printf '%s\\0' \"$@\"; id -u; } > \"$out\"\n"
                                 "mv \"$out\" \"$out.done\"\n";
        ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    }

    // The configuration: a user, the execute line (script and arguments) and more lines.
    void configure(const std::string& arguments, const std::string& more = "executeuser admin\n")
    {
        box.config = "user admin access full\n" + more + "execute " + script + " " + arguments + "\n";
    }

    void start(const std::vector<std::string>& args)
    {
        ASSERT_TRUE(box.start(args));
        ASSERT_EQ(box.foregroundExit(), 0) << box.standardError();
        ASSERT_TRUE(box.waitForRecord("Startup.")) << box.standardError();
    }

    // The finished runs, once there are at least n (or the bound has passed);
    // n = 0 looks once.
    std::vector<CommandRun> runs(size_t n = 0, std::chrono::milliseconds bound = 10s)
    {
        std::vector<CommandRun> out;
        // The caller checks the runs it gets.
        static_cast<void>(kzmtest::waitUntil(
            [&] {
                out.clear();
                for (const auto& e : std::filesystem::directory_iterator(outDir)) {
                    if (e.path().extension() != ".done")
                        continue;
                    std::string all = readFile(e.path());
                    CommandRun r;
                    size_t start = 0;
                    for (size_t at; (at = all.find('\0', start)) != std::string::npos; start = at + 1)
                        r.args.push_back(all.substr(start, at - start));
                    r.uid = all.substr(start);
                    if (!r.uid.empty() && r.uid.back() == '\n')
                        r.uid.pop_back();
                    out.push_back(r);
                }
                if (out.size() >= n)
                    return true;
                box.records();  // keeps the log listener's small queue from filling
                return false;
            },
            static_cast<int>(bound.count())));
        return out;
    }

    // Records whose text begins with the prefix.
    std::vector<LogRecord> recordsStarting(const std::string& prefix)
    {
        std::vector<LogRecord> out;
        for (const auto& r : box.records())
            if (r.text.rfind(prefix, 0) == 0)
                out.push_back(r);
        return out;
    }

    // Event requests the emulator served.
    int eventRequests()
    {
        int n = 0;
        for (const auto& line : sim.log())
            n += line.find("\t0x4A08\t") != std::string::npos;
        return n;
    }
};

// Texts, one event each, as the command sees them through %E.
TEST_F(EventService, TextsReachTheCommandAsTheExecuteUser)
{
    configure("%N %E");
    start({"-l", "3", "-i", "1"});
    const std::string long256(256, 'z');
    const std::map<std::string, std::pair<std::string, std::string>> events = {
        // number: control line, expected text
        {"21", {"event 1 1 9 21 2 0300", "Adapter 1, Array Drive 3: drive rebuild finished successfully"}},
        {"56", {"event 1 1 9 56 2 feffffff", "Adapter 1, Host Drive 4294967294 created"}},
        {"34", {"event 1 1 9 34 0 001000000203",
                "Adapter 1, Fault bus 2, ID 3: insufficient disk capacity (4096 MB required)"}},
        {"72", {"event 1 1 9 72 1 00000000010203", "Adapter 1, SCSI channel 1, ID 2, LUN 3: reassigning block"}},
        {"76", {"event 1 1 11 76 1 07000000", "Adapter 1, service 11, async. status 76/7 unknown"}},
        {"75", {"event 1 1 9 75 1 -", "Adapter 1, Async. status 75 unknown"}},
        {"200", {"event 1 1 9 200 1 none Battery low", "Adapter 1, Battery low"}},
        {"201", {"event 1 1 9 201 1 none " + long256, "Adapter 1, " + std::string(244, 'z')}},
    };
    for (const auto& [number, e] : events)
        ASSERT_TRUE(sim.control(e.first)) << e.first;
    const auto done = runs(events.size());
    ASSERT_EQ(done.size(), events.size());
    for (const CommandRun& r : done) {
        ASSERT_EQ(r.args.size(), 2u);
        SCOPED_TRACE(r.args[0]);
        ASSERT_TRUE(events.count(r.args[0]));
        EXPECT_EQ(r.args[1], events.at(r.args[0]).second);
        EXPECT_EQ(r.uid, "1000");
    }
    EXPECT_TRUE(box.waitForRecord("Received event # 201"));
    EXPECT_TRUE(box.waitForRecord("External command (user 'admin') returned 0"));
    EXPECT_EQ(recordsStarting("Received event # ").size(), events.size());
    for (const auto& r : recordsStarting("Received event # "))
        EXPECT_EQ(r.severity, LOG_INFO_SEVERITY);
}

// Exit code 1 is logged as the shell's wait status; level 1 keeps the other records back.
TEST_F(EventService, FailingCommandIsLoggedWithItsWaitStatus)
{
    configure("%N && false");
    start({"-l", "1", "-i", "1"});
    ASSERT_TRUE(sim.control("event 0 1 9 21 2 0300\nevent 0 1 9 22 2 0300"));
    const auto done = runs(2);
    ASSERT_EQ(done.size(), 2u);
    for (const CommandRun& r : done)
        EXPECT_EQ(r.uid, "1000");
    const std::string failed = "Error(?): External command (user 'admin') returned 256";
    ASSERT_TRUE(kzmtest::waitUntil([&] { return recordsStarting(failed).size() >= 2; })) << "two records: " << failed;
    const auto records = recordsStarting(failed);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].severity, LOG_ERR_SEVERITY);
    EXPECT_TRUE(recordsStarting("Received event").empty());
    EXPECT_TRUE(recordsStarting("External command").empty());
}

// Without an executeuser the command runs as the super-user, after a warning;
// no event text runs as a command, whatever quotes the execute line puts around it.
TEST_F(EventService, EventTextsNeverRunAsCommands)
{
    configure("%E \"%E\" '%E' x%Ey %", "");
    start({"-l", "3", "-i", "1"});
    const std::string superUser =
        "WARNING: External command line will be executed with super user rights. Are you sure??";
    ASSERT_TRUE(box.waitForRecord(superUser));
    std::vector<LogRecord> warning = recordsStarting(superUser);
    ASSERT_EQ(warning.size(), 1u);
    EXPECT_EQ(warning[0].severity, LOG_WARNING_SEVERITY);
    const std::string text = "it's \"q\" $(touch " + outDir + "/p1) `touch " + outDir + "/p2` ; touch " +
                             outDir + "/p3 \\ $HOME end";
    ASSERT_TRUE(sim.control("event 0 1 9 40 1 none " + text));
    const auto done = runs(1);
    ASSERT_EQ(done.size(), 1u);
    const std::string e = "Adapter 0, " + text;
    EXPECT_EQ(done[0].args, (std::vector<std::string>{e, e, e, "x" + e + "y", "%"}));
    EXPECT_EQ(done[0].uid, "0");
    for (const char* canary : {"/p1", "/p2", "/p3"})
        EXPECT_FALSE(std::filesystem::exists(outDir + canary)) << canary;
}

// Several long texts pass the 2048-character limit: they share the room,
// each still closed in its quotes, and the line's own last word arrives.
TEST_F(EventService, LongExpansionsShareTheLimit)
{
    std::string arguments;
    for (int i = 0; i < 10; ++i)
        arguments += "\"%E\" ";
    configure(arguments + "end", "");
    start({"-i", "1"});
    ASSERT_TRUE(sim.control("event 0 1 9 40 1 none " + std::string(256, 'a')));
    const auto done = runs(1);
    ASSERT_EQ(done.size(), 1u);
    const std::string e = "Adapter 0, " + std::string(244, 'a');
    const auto& args = done[0].args;
    ASSERT_EQ(args.size(), 11u);
    EXPECT_EQ(args.back(), "end");
    size_t length = script.size() + std::strlen(" end\n");
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        EXPECT_EQ(e.compare(0, args[i].size(), args[i]), 0) << "a cut text";
        EXPECT_LE(args[i].size(), args[0].size());
        EXPECT_GE(args[i].size() + 1, args[0].size());
        length += 3 + args[i].size();  // blank and two quotes
    }
    EXPECT_LT(args[0].size(), e.size());
    EXPECT_EQ(length, 2048u);
}

// A line whose command would read the text again as code stops the start
// with the configuration's parse error, which shows the safe form.
TEST_F(EventService, TextReadAsCodeStopsTheStart)
{
    box.config = "user admin access full\nexecute sh -c \"" + script + " %E\"\n";
    ASSERT_TRUE(box.start({"-i", "1"}));
    EXPECT_EQ(box.foregroundExit(), 1);
    EXPECT_EQ(box.standardError(), "dulm: Parse error in '" + box.path("dulm.conf") +
                                       "', line 2: %E is read as code by sh; pass it as a parameter: "
                                       "sh -c 'notify \"$1\"' sh %E. Aborting.\n");
    EXPECT_EQ(box.serviceExit(), -1);  // nothing was detached
    EXPECT_TRUE(runs().empty());
}

// The safe form passes the text to the inner shell's code as a parameter;
// values next to a $NAME or a redirection stay pieces of their own.
TEST_F(EventService, SafeFormCarriesTheTextAsData)
{
    box.config = "user admin access full\nexecuteuser admin\n"
                 "execute X=pre; sh -c 'exec " + script + " \"$@\"' sh %E \"$X%E\" $X%C %C>/dev/null\n";
    start({"-i", "1"});
    const std::string text = "it's \"q\" $(touch " + outDir + "/p1) `touch " + outDir + "/p2` ; touch " +
                             outDir + "/p3 \\ end";
    ASSERT_TRUE(sim.control("event 0 1 9 40 1 none " + text));
    const auto done = runs(1);
    ASSERT_EQ(done.size(), 1u);
    const std::string e = "Adapter 0, " + text;
    EXPECT_EQ(done[0].args, (std::vector<std::string>{e, "pre" + e, "pre0", "0"}));
    EXPECT_EQ(done[0].uid, "1000");
    for (const char* canary : {"/p1", "/p2", "/p3"})
        EXPECT_FALSE(std::filesystem::exists(outDir + canary)) << canary;
}

// Driver, synchronous and test events get no record and no command; the
// burst before the asynchronous event is read without a pause, a test event
// sends the thread to sleep: event 22 waits until the service has ended.
TEST_F(EventService, OnlyAsynchronousEventsAreHandled)
{
    configure("%N");
    ASSERT_TRUE(sim.control("event 0 2 14 0 0 -\n"
                            "event 0 4 0 65533 0 -\n"
                            "event 0 1 9 21 2 0300\n"
                            "event 0 3 0 0 0 -\n"
                            "event 0 1 9 22 2 0300"));
    start({"-l", "3", "-i", "30"});
    ASSERT_TRUE(box.waitForRecord("Received event # 21", 15s));
    const auto done = runs(1);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].args, std::vector<std::string>{"21"});
    // The fourth read takes the test event; then the thread sleeps.
    ASSERT_TRUE(kzmtest::waitUntil([&] { return eventRequests() >= 4; })) << "four event reads";
    ASSERT_EQ(eventRequests(), 4);
    // The sleep ends soon after the stop signal, without reading again.
    ASSERT_TRUE(box.signalService(SIGTERM));
    EXPECT_EQ(box.serviceExit(4s), 0);
    EXPECT_TRUE(box.waitForRecord("Shutdown."));
    EXPECT_EQ(recordsStarting("Received event # ").size(), 1u);
    EXPECT_EQ(eventRequests(), 4);
    EXPECT_EQ(runs().size(), 1u);
}

// With nothing waiting the thread reads once per polling interval, here the
// shortest, one second: this test is about time, so it measures the gaps
// between the reads the emulator sees.
TEST_F(EventService, IdleServiceReadsOnceEveryPollingInterval)
{
    configure("%N");
    start({"-i", "1"});
    std::vector<Clock::time_point> seen;
    for (const auto until = Clock::now() + 8s; seen.size() < 3 && Clock::now() < until;) {
        const int n = eventRequests();
        while (static_cast<int>(seen.size()) < n)
            seen.push_back(Clock::now());
        std::this_thread::sleep_for(20ms);  // the poll of a test about time itself
    }
    ASSERT_EQ(seen.size(), 3u);
    for (size_t i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i] - seen[i - 1], 800ms) << i;
        EXPECT_LE(seen[i] - seen[i - 1], 3s) << i;
    }
}

// A user id the kernel refuses: one failure, then no command for later events.
TEST_F(EventService, FailedUserSwitchDisablesCommands)
{
    box.passwd += "ghost:x:4294967295:1000::/:/bin/sh\n";
    configure("%N", "executeuser ghost\n");
    start({"-l", "3", "-i", "1"});
    ASSERT_TRUE(sim.control("event 0 1 9 21 2 0300"));
    ASSERT_TRUE(box.waitForRecord("Error: Setuid -1 (ghost) failed.")) << box.standardError();
    ASSERT_TRUE(box.waitForRecord(disabledText));
    ASSERT_TRUE(sim.control("event 0 1 9 22 2 0300"));
    ASSERT_TRUE(box.waitForRecord("Received event # 22"));
    // A command for event 22 would log before the service has ended.
    ASSERT_TRUE(box.signalService(SIGTERM));
    EXPECT_EQ(box.serviceExit(), 0);
    EXPECT_TRUE(box.waitForRecord("Shutdown."));
    EXPECT_EQ(recordsStarting("Error: Setuid").size(), 1u);
    EXPECT_EQ(recordsStarting("Error: Setuid")[0].severity, LOG_ERR_SEVERITY);
    EXPECT_TRUE(runs().empty());
}

// A failed event read ends watching for good; consoles are still served.
TEST_F(EventService, FailedReadEndsWatchingButNotTheService)
{
    crypt_data data{};
    box.shadow = std::string("root:*:19000:0:99999:7:::\nadmin:") + crypt_r("secret", "$6$testsalt$", &data) +
                 ":19000::::::\n";
    configure("%N");
    ASSERT_TRUE(sim.control("eventfail 1"));
    start({"-l", "3", "-i", "1"});
    ASSERT_TRUE(box.waitForRecord("Error: cannot access RAID controller events."));
    // The event thread ends: the main thread, which serves consoles, is left alone.
    const int pid = box.servicePid();
    ASSERT_GT(pid, 0);
    size_t threads = 0;
    ASSERT_TRUE(kzmtest::waitUntil([&] {
        threads = 0;
        for ([[maybe_unused]] const auto& t : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task"))
            ++threads;
        return threads == 1;
    })) << "the service's threads down to one; " << threads << " left";
    ASSERT_EQ(threads, 1u);
    ASSERT_TRUE(sim.control("event 0 1 9 21 2 0300"));
    EXPECT_EQ(recordsStarting("Error: cannot access RAID controller events.").size(), 1u);
    EXPECT_TRUE(recordsStarting("Received event").empty());
    EXPECT_EQ(eventRequests(), 0);
    EXPECT_TRUE(runs().empty());

    // A login on the remote console port.
    int fd = box.connectFrom("127.0.0.1");
    ASSERT_GE(fd, 0);
    const std::string user = "admin", pw = "secret";
    std::vector<uint8_t> p(57 + user.size() + pw.size());
    wire::put16(p.data(), 0, static_cast<uint16_t>(p.size()));
    wire::put16(p.data(), 2, 0x564A);
    wire::put16(p.data(), 12, 0xFFFF);
    p[16] = static_cast<uint8_t>(user.size());
    p[17] = static_cast<uint8_t>(pw.size());
    p[24] = 32;
    std::memcpy(p.data() + 56, user.data(), user.size());
    std::memcpy(p.data() + 56 + user.size(), pw.data(), pw.size());
    ASSERT_EQ(send(fd, p.data(), p.size(), MSG_NOSIGNAL), static_cast<ssize_t>(p.size()));
    std::vector<uint8_t> reply(p.size());
    size_t got = 0;
    while (got < reply.size()) {
        pollfd w{fd, POLLIN, 0};
        ASSERT_GT(poll(&w, 1, 5000), 0);
        ssize_t n = recv(fd, reply.data() + got, reply.size() - got, 0);
        ASSERT_GT(n, 0);
        got += static_cast<size_t>(n);
    }
    EXPECT_EQ(wire::get16(reply.data(), 6), 0) << "login status";
    EXPECT_TRUE(box.waitForRecord("User admin logged in from 127.0.0.1."));
    close(fd);
}

}  // namespace
