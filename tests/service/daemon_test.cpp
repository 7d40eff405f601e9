// The real dulm, detached, against the mounted emulator, each test in its
// own namespaces.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "daemon_sandbox.h"
#include "sim_mount.h"
#include "wait_until.h"

namespace {

using namespace std::chrono_literals;

// The severity of the first record with the text, or -1.
int severityOf(DaemonSandbox& box, const std::string& text)
{
    for (const auto& r : box.records())
        if (r.text == text)
            return r.severity;
    return -1;
}

// True when the peer closed the connection within the bound.
bool closedByService(int fd, std::chrono::milliseconds bound = 3s)
{
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(bound.count())) <= 0)
        return false;
    char c;
    return recv(fd, &c, 1, MSG_DONTWAIT) == 0;
}

struct Service : ::testing::Test {
    SimMount sim;
    DaemonSandbox box;
    explicit Service(const std::string& scenario = "") : sim(scenario)
    {
        box.procRoot = sim.root();
    }
    void SetUp() override { ASSERT_TRUE(sim.ok()); }
    void startServing(const std::vector<std::string>& args)
    {
        ASSERT_TRUE(box.start(args));
        ASSERT_EQ(box.foregroundExit(), 0) << box.standardError();
        ASSERT_TRUE(box.waitForRecord("Startup.")) << box.standardError();
    }
};

TEST_F(Service, StartsDetachedLogsAtLevelThreeAndStopsOnSigterm)
{
    ASSERT_TRUE(box.start({"-l", "3"}));
    ASSERT_EQ(box.foregroundExit(), 0) << box.standardError();
    // The starting command ended once the start-up was complete: every
    // start-up record is there without a wait.
    auto records = box.records();
    EXPECT_EQ(severityOf(box, "2 controller(s) found."), LOG_INFO_SEVERITY);
    int boards = 0, driver = 0;
    for (const auto& r : records) {
        boards += r.text.find(", FW version ") != std::string::npos;
        driver += r.text.rfind("Driver version ", 0) == 0;
    }
    EXPECT_EQ(boards, 2);
    EXPECT_EQ(driver, 1);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().text, "Startup.");
    EXPECT_EQ(records.front().pid, box.servicePid());
    // Started, the service holds none of the starting terminal's files: a
    // caller reading its output is not kept waiting until it stops.
    for (int fd : {0, 1, 2}) {
        std::error_code ec;
        const auto target = std::filesystem::read_symlink(
            "/proc/" + std::to_string(box.servicePid()) + "/fd/" + std::to_string(fd), ec);
        EXPECT_EQ(target, "/dev/null") << "descriptor " << fd << ": " << ec.message();
    }

    int a = box.connectFrom("127.0.0.5");
    int b = box.connectFrom("127.0.0.12");
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_TRUE(answersPacket(a));
    // b stops in the middle of a request.
    const uint8_t partial[10] = {57, 0, 0x4A, 0x56};
    ASSERT_EQ(send(b, partial, sizeof partial, MSG_NOSIGNAL), 10);

    // Both clients stay idle: the stop must not wait for them.
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(box.signalService(SIGTERM));
    EXPECT_EQ(box.serviceExit(6s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 5500ms);
    EXPECT_TRUE(closedByService(a, 1s));
    records = box.records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().text, "Shutdown.");
    EXPECT_EQ(records.back().severity, LOG_INFO_SEVERITY);
    EXPECT_EQ(box.standardError(), "");
    close(a);
    close(b);
}

TEST_F(Service, SigintStopsTooAndLevelOneKeepsQuiet)
{
    startServing({});
    ASSERT_GE(box.connectFrom("127.0.0.1"), 0);
    ASSERT_TRUE(box.signalService(SIGINT));
    EXPECT_EQ(box.serviceExit(6s), 0);
    std::vector<std::string> texts;
    for (const auto& r : box.records())
        texts.push_back(r.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Startup.", "Shutdown."}));
}

TEST_F(Service, AdmitsByRules)
{
    box.config = "user admin access full\nallow 127.0.0.1*\ndeny 127.0.0.12\n";
    startServing({"-l", "3"});
    struct {
        const char* from;
        bool admitted;
        const char* record;
    } cases[] = {
        {"127.0.0.13", true, "Client connection allowed by rule '127.0.0.1*'"},
        {"127.0.0.12", false, "Client connection denied by rule '127.0.0.12'"},
        {"127.0.0.5", false, "Client connection denied by implicit 'deny *'"},
    };
    for (const auto& c : cases) {
        int fd = box.connectFrom(c.from);
        ASSERT_GE(fd, 0);
        if (c.admitted)
            EXPECT_TRUE(answersPacket(fd)) << c.from;
        else
            EXPECT_TRUE(closedByService(fd)) << c.from;
        EXPECT_TRUE(box.waitForRecord(c.record, 3s)) << c.record;
        if (!c.admitted) {
            EXPECT_EQ(severityOf(box, std::string("Connection attempt from '") + c.from + "' denied!"),
                      LOG_WARNING_SEVERITY);
        }
        close(fd);
    }
    EXPECT_EQ(severityOf(box, "No allow/deny rule matched IP-address!"), LOG_WARNING_SEVERITY);
}

TEST_F(Service, RefusesConnectionsBeyondTheLimit)
{
    startServing({"-c", "1"});
    int first = box.connectFrom("127.0.0.5");
    ASSERT_TRUE(answersPacket(first));
    int second = box.connectFrom("127.0.0.6");
    EXPECT_TRUE(closedByService(second));
    EXPECT_EQ(severityOf(box, "Max. connection count (1) reached. Connection refused."), LOG_WARNING_SEVERITY);
    close(second);
    close(first);
    // The freed slot takes the next client.
    EXPECT_TRUE(kzmtest::waitUntil([&] {
        int third = box.connectFrom("127.0.0.7");
        const bool admitted = answersPacket(third);
        close(third);
        return admitted;
    })) << "a third client served once the first has gone";
}

// A port that cannot be listened on ends the service with 1 unless events are watched.
TEST_F(Service, BusyPortEndsWithOneWithoutEventThread)
{
    box.occupyServicePort = true;
    startServing({});
    EXPECT_EQ(box.serviceExit(), 1);
    std::vector<std::pair<int, std::string>> seen;
    for (const auto& r : box.records())
        seen.emplace_back(r.severity, r.text);
    EXPECT_EQ(seen, (std::vector<std::pair<int, std::string>>{
                        {LOG_INFO_SEVERITY, "Startup."},
                        {LOG_ERR_SEVERITY, "Error: Cannot bind socket. Port 11798 already in use?"},
                        {LOG_INFO_SEVERITY, "Shutdown."}}));
}

TEST_F(Service, BusyPortKeepsWatchingEventsUntilStopped)
{
    box.occupyServicePort = true;
    box.config = "target 127.0.0.1\n";
    startServing({"-i", "1"});
    ASSERT_TRUE(box.waitForRecord("Error: Cannot bind socket. Port 11798 already in use?"));
    EXPECT_EQ(box.serviceExit(1500ms), -1);  // still running
    ASSERT_TRUE(box.signalService(SIGTERM));
    EXPECT_EQ(box.serviceExit(5s), 0);
    EXPECT_EQ(box.records().back().text, "Shutdown.");
}

// Start-up failures after detaching: the starting command waits for the
// service's start-up, shows why it failed on standard error (each error
// that the system log holds as well) and ends with 1; no service remains.
struct StartupFailure {
    const char* name;
    bool noDriver;
    std::string scenario;
    std::string config;
    std::string hostName;
    std::string stderrText;                            // expected standard error
    std::vector<std::pair<int, std::string>> records;  // expected records with severity
};

void PrintTo(const StartupFailure& c, std::ostream* os) { *os << c.name; }

class ServiceStartupFailure : public ::testing::TestWithParam<StartupFailure> {};

TEST_P(ServiceStartupFailure, EndsWithExitOne)
{
    const auto& c = GetParam();
    SimMount sim(c.scenario);
    ASSERT_TRUE(sim.ok());
    DaemonSandbox box;
    box.procRoot = c.noDriver ? std::string("/nonexistent-kzmh-root") : sim.root();
    if (!c.config.empty())
        box.config = c.config;
    if (!c.hostName.empty())
        box.hostName = c.hostName;
    ASSERT_TRUE(box.start({"-l", "2"}));
    EXPECT_EQ(box.foregroundExit(), 1);
    // Read as soon as the starting command has ended: it waited for the text.
    EXPECT_EQ(box.standardError(), c.stderrText);
    EXPECT_EQ(box.serviceExit(), 1);
    auto records = box.records();
    ASSERT_EQ(records.size(), c.records.size()) << c.name;
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].severity, c.records[i].first) << records[i].text;
        EXPECT_EQ(records[i].text, c.records[i].second);
    }
}

const std::string oneController = R"({"controllers":[{"entry":0}],"controllerCount":0})";
const std::string threeCounted = R"({"controllers":[{"entry":0},{"entry":1}],"controllerCount":3})";
const std::string unresolvable = "Could not resolve local IP address of 'lonelyhost'. No SNMP trap generation possible.";
const std::string unknownUser = "Error: Cannot find user 'ghost' as execution user in user database.";
const std::string noCommands = "       External program will not be executed, when controller events occur.";

INSTANTIATE_TEST_SUITE_P(
    Cases, ServiceStartupFailure,
    ::testing::Values(
        StartupFailure{"NoDriver", true, "", "", "",
                       "Could not connect to driver!\nReason may be: driver not installed or driver incompatibility.\n",
                       {}},
        StartupFailure{"NoControllers", false, oneController, "", "", "0 controller(s) found.\n",
                       {{LOG_INFO_SEVERITY, "Startup."}, {LOG_ERR_SEVERITY, "0 controller(s) found."}}},
        StartupFailure{"BoardUnreadable", false, threeCounted, "", "", "Could not connect to controller 2\n",
                       {{LOG_INFO_SEVERITY, "Startup."},
                        {LOG_INFO_SEVERITY, "3 controller(s) found."},
                        {LOG_ERR_SEVERITY, "Could not connect to controller 2"}}},
        StartupFailure{"UnresolvableHostName", false, "", "", "lonelyhost", unresolvable + "\n",
                       {{LOG_INFO_SEVERITY, "Startup."},
                        {LOG_INFO_SEVERITY, "2 controller(s) found."},
                        {LOG_ERR_SEVERITY, unresolvable}}},
        StartupFailure{"UnknownExecuteUser", false, "", "execute /bin/true\nexecuteuser ghost\n", "",
                       unknownUser + "\n" + noCommands + "\n",
                       {{LOG_INFO_SEVERITY, "Startup."},
                        {LOG_INFO_SEVERITY, "2 controller(s) found."},
                        {LOG_ERR_SEVERITY, unknownUser},
                        {LOG_ERR_SEVERITY, noCommands}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Refusals before detaching: the foreground itself ends with 1.
struct EarlyRefusal {
    const char* name;
    std::vector<std::string> args;
    bool withConfigOption;
    std::string config;
    std::string stderrText;  // with CONF standing for the sandbox's configuration path
};

void PrintTo(const EarlyRefusal& c, std::ostream* os) { *os << c.name; }

class ServiceEarlyRefusal : public ::testing::TestWithParam<EarlyRefusal> {};

TEST_P(ServiceEarlyRefusal, EndsWithExitOneBeforeDetaching)
{
    const auto& c = GetParam();
    DaemonSandbox box;
    box.config = c.config;
    ASSERT_TRUE(box.start(c.args, c.withConfigOption));
    EXPECT_EQ(box.foregroundExit(), 1);
    std::string expected = c.stderrText;
    for (size_t at; (at = expected.find("CONF")) != std::string::npos;)
        expected.replace(at, 4, box.path("dulm.conf"));
    EXPECT_EQ(box.standardError(), expected);
    EXPECT_EQ(box.serviceExit(), -1);  // nothing was detached
    EXPECT_TRUE(box.records().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServiceEarlyRefusal,
    ::testing::Values(
        EarlyRefusal{"NothingToDo", {}, true, "allow *\ndeny 10.*\n",
                     "\ndulm: No users, groups, SNMP trap targets or external commands are configured\n"
                     "      in CONF. dulm exits, because there is nothing to do.\n"
                     "      Please edit CONF to make it work.\n"},
        EarlyRefusal{"MissingFile", {"-f", "/nonexistent-dir/dulm.conf"}, false, "",
                     "dulm: Parse error in '/nonexistent-dir/dulm.conf', line 0: Could not open file "
                     "'/nonexistent-dir/dulm.conf'. Aborting.\n"},
        EarlyRefusal{"UnresolvableTarget", {}, true, "user a access full\n\ntarget nowhere\n",
                     "dulm: Parse error in 'CONF', line 3: Could not resolve host name 'nowhere'. Aborting.\n"},
        EarlyRefusal{"OptionWithoutValue", {"-c"}, true, "user a access full\n",
                     "dulm: `-c' option only valid between 1 and 20.\n"},
        EarlyRefusal{"NotAnOption", {"now"}, true, "user a access full\n",
                     "dulm: invalid command line option 'now'.\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
