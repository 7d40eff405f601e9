// The real dulm sends SNMPv1 traps for injected controller events: to
// net-snmp's snmptrapd and to plain datagram sockets of the test, all on
// loopback addresses inside the test's own network namespace.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <algorithm>

#include "ber_reader.h"
#include "byte_order.h"
#include "ctl_driver_records.h"
#include "ctl_request.h"
#include "daemon_sandbox.h"
#include "wait_until.h"
#include "remote_client.h"
#include "sim_mount.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string ENTERPRISE = "1.3.6.1.4.1.32473.2.121.1.1";

// A datagram and when it arrived (the kernel's receive stamp).
struct Datagram {
    std::vector<uint8_t> bytes;
    Clock::time_point at;
    std::chrono::system_clock::time_point wall;
};

// A datagram socket bound to port 162 of a loopback address in the sandbox's network.
class TrapListener {
public:
    TrapListener(DaemonSandbox& box, const std::string& address)
    {
        box.inNetwork([&] {
            fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(162);
            inet_pton(AF_INET, address.c_str(), &a.sin_addr);
            // The kernel stamps each datagram as it arrives: a late reader
            // still sees when the datagram came.
            const int on = 1;
            if (setsockopt(fd_, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0 ||
                bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
                close(fd_);
                fd_ = -1;
            }
        });
    }
    ~TrapListener()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    // The next datagram within the bound, or an empty one.
    Datagram next(std::chrono::milliseconds bound = 5s)
    {
        pollfd p{fd_, POLLIN, 0};
        Datagram d;
        if (poll(&p, 1, static_cast<int>(bound.count())) <= 0)
            return d;
        uint8_t buf[2048];
        iovec iov{buf, sizeof buf};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
        msghdr m{};
        m.msg_iov = &iov;
        m.msg_iovlen = 1;
        m.msg_control = control;
        m.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(fd_, &m, 0);
        const auto steadyNow = Clock::now();
        const auto wallNow = std::chrono::system_clock::now();
        d.at = steadyNow;
        d.wall = wallNow;
        for (cmsghdr* c = CMSG_FIRSTHDR(&m); c; c = CMSG_NXTHDR(&m, c))
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec ts;
                std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
                const auto arrived = std::chrono::system_clock::time_point(
                    std::chrono::duration_cast<std::chrono::system_clock::duration>(
                        std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec)));
                d.wall = arrived;
                d.at = steadyNow - std::chrono::duration_cast<Clock::duration>(wallNow - arrived);
            }
        if (n > 0)
            d.bytes.assign(buf, buf + n);
        return d;
    }

private:
    int fd_ = -1;
};

// net-snmp's trap receiver inside the sandbox's network, printing one line per trap.
class TrapReceiver {
public:
    TrapReceiver(DaemonSandbox& box, const std::string& community)
    {
        {
            std::ofstream conf(box.path("snmptrapd.conf"));
            conf << "authCommunity log " << community << "\n";
        }
        out_ = box.path("traps.txt");
        const std::string persistent = box.path("snmp");
        const std::string envDir = "SNMP_PERSISTENT_DIR=" + persistent, envConf = "SNMPCONFPATH=" + persistent;
        const std::string conf = box.path("snmptrapd.conf");
        const char* argv[] = {"snmptrapd", "-f", "-Lo", "-C", "-c", conf.c_str(), "-m", "", "-On", "-F",
                              "TRAP|%a|%N|%w|%q|%T|%P|%V~%v\n", "udp:127.0.0.1:162", nullptr};
        const char* envp[] = {envDir.c_str(), envConf.c_str(), nullptr};
        box.inNetwork([&] {
            pid_ = fork();
            if (pid_ == 0) {
                int fd = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                dup2(fd, 1);
                dup2(fd, 2);
                execve("/usr/sbin/snmptrapd", const_cast<char* const*>(argv), const_cast<char* const*>(envp));
                _exit(127);
            }
        });
        // Ready once it prints its version line.
        EXPECT_TRUE(kzmtest::waitUntil([&] { return text().find("NET-SNMP version") != std::string::npos; }))
            << "the trap receiver's version line, which shows it ready\n" << text();
    }
    ~TrapReceiver()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::string text() const
    {
        std::ifstream f(out_);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    // Sends a trap of our own with the community through net-snmp's sender
    // (enterprise .1.3.6.1.4.1.32473.9, specific code 99): the receiver
    // handles traps in the order they come, so once this one shows, every
    // trap sent before it has been handled.
    bool sendFence(DaemonSandbox& box, const std::string& community) const
    {
        const std::string persistent = box.path("snmp");
        const std::string envDir = "SNMP_PERSISTENT_DIR=" + persistent, envConf = "SNMPCONFPATH=" + persistent;
        const char* argv[] = {"snmptrap", "-v", "1", "-c", community.c_str(), "-m", "", "127.0.0.1:162",
                              ".1.3.6.1.4.1.32473.9", "127.0.0.1", "6", "99", "", nullptr};
        const char* envp[] = {envDir.c_str(), envConf.c_str(), nullptr};
        pid_t pid = -1;
        box.inNetwork([&] {
            pid = fork();
            if (pid == 0) {
                int fd = open("/dev/null", O_WRONLY);
                dup2(fd, 1);
                dup2(fd, 2);
                execve("/usr/bin/snmptrap", const_cast<char* const*>(argv), const_cast<char* const*>(envp));
                _exit(127);
            }
        });
        int status = -1;
        return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    // The trap lines received, once `count` of them are there or the bound
    // has passed; the caller checks how many it got.
    std::vector<std::string> traps(size_t count, std::chrono::milliseconds bound = 6s) const
    {
        std::vector<std::string> lines;
        static_cast<void>(kzmtest::waitUntil(
            [&] {
                lines.clear();
                std::istringstream in(text());
                for (std::string l; std::getline(in, l);)
                    if (l.rfind("TRAP|", 0) == 0)
                        lines.push_back(l);
                return lines.size() >= count;
            },
            static_cast<int>(bound.count())));
        return lines;
    }

private:
    std::string out_;
    pid_t pid_ = -1;
};

struct Traps : ::testing::Test {
    SimMount sim;
    DaemonSandbox box;
    Traps() { box.procRoot = sim.root(); }
    void SetUp() override { ASSERT_TRUE(sim.ok()); }
    void startServing(const std::string& config, const std::vector<std::string>& args = {"-i", "1", "-l", "3"})
    {
        box.config = config;
        ASSERT_TRUE(box.start(args));
        ASSERT_EQ(box.foregroundExit(), 0) << box.standardError();
        ASSERT_TRUE(box.waitForRecord("Startup.")) << box.standardError();
    }
    // Injects a text-only asynchronous event of controller 0.
    void textEvent(int number, int severity, const std::string& text)
    {
        ASSERT_TRUE(sim.control("event 0 1 11 " + std::to_string(number) + " " + std::to_string(severity) +
                                " none " + text));
    }
    // The service's records, one a line, for failure messages.
    std::string dump()
    {
        std::string all;
        for (const auto& r : box.records())
            all += r.text + "\n";
        return all;
    }
    // Event requests the emulator served.
    int eventReads()
    {
        int n = 0;
        for (const auto& line : sim.log())
            n += line.find("\t0x4A08\t") != std::string::npos;
        return n;
    }
    int count(const std::string& prefix)
    {
        int n = 0;
        for (const auto& r : box.records())
            n += r.text.rfind(prefix, 0) == 0;
        return n;
    }
};

}  // namespace

TEST_F(Traps, SnmptrapdDecodesEverySeverity)
{
    startServing("target 127.0.0.1\n");
    TrapReceiver receiver(box, "brantu");
    const struct { int severity; const char* specific; } cases[] = {{0, "102"}, {1, "101"}, {2, "100"}, {7, "101"}};
    for (size_t i = 0; i < std::size(cases); ++i)
        textEvent(40 + static_cast<int>(i), cases[i].severity, "event " + std::to_string(i));
    const auto lines = receiver.traps(4);
    ASSERT_EQ(4u, lines.size()) << receiver.text();
    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<std::string> f;
        std::istringstream in(lines[i]);
        for (std::string part; std::getline(in, part, '|');)
            f.push_back(part);
        ASSERT_EQ(8u, f.size()) << lines[i];
        EXPECT_EQ("127.0.1.1", f[1]);  // the sandbox's host name resolves to it
        EXPECT_EQ("." + ENTERPRISE, f[2]);
        EXPECT_EQ("6", f[3]);
        EXPECT_NE(std::string::npos, f[4].find(cases[i].specific)) << f[4];
        EXPECT_NE(std::string::npos, f[6].find("community brantu"));
        const std::string vars = f[7];
        EXPECT_NE(std::string::npos, vars.find("." + ENTERPRISE + ".10.1 = INTEGER: 0")) << vars;
        EXPECT_NE(std::string::npos, vars.find("." + ENTERPRISE + ".10.2 = INTEGER: " + std::to_string(40 + i)))
            << vars;
        EXPECT_NE(std::string::npos, vars.find("." + ENTERPRISE + ".10.3 = INTEGER: " + f[5])) << vars;
        EXPECT_NE(std::string::npos,
                  vars.find("." + ENTERPRISE + ".10.4 = STRING: \"Adapter 0, event " + std::to_string(i) + "\""))
            << vars;
    }
    EXPECT_EQ(4, count("SNMP trap successfully sent to 127.0.0.1"));
}

TEST_F(Traps, CommunityMustBeTheReceiversOwn)
{
    startServing("target 127.0.0.1\ncommunity sesame\n");
    TrapReceiver receiver(box, "sesame");
    textEvent(1, 0, "accepted");
    ASSERT_EQ(1u, receiver.traps(1).size()) << receiver.text();
    EXPECT_NE(std::string::npos, receiver.text().find("community sesame"));
}

TEST_F(Traps, ACommunityTheReceiverRefusesGetsNothingThrough)
{
    startServing("target 127.0.0.1\n");  // sends the default community
    TrapReceiver receiver(box, "sesame");
    textEvent(1, 0, "refused");
    ASSERT_TRUE(box.waitForRecord("SNMP trap successfully sent to 127.0.0.1"));
    ASSERT_TRUE(receiver.sendFence(box, "sesame"));
    const auto lines = receiver.traps(1);
    ASSERT_EQ(1u, lines.size()) << receiver.text();
    EXPECT_NE(std::string::npos, lines[0].find("|.1.3.6.1.4.1.32473.9|")) << "only the fence came through";
}

TEST_F(Traps, DatagramBytesAsWorkedOut)
{
    startServing("target 127.0.0.2\ncommunity public\n");
    TrapListener plain(box, "127.0.0.2");
    ASSERT_TRUE(plain.ok());
    textEvent(7, 0, "hi");
    const Datagram d = plain.next();
    ASSERT_FALSE(d.bytes.empty()) << dump();
    const auto t = BerReader::trap(d.bytes);
    ASSERT_TRUE(t);
    // Everything but the two time fields is fixed; take the time from the message.
    const uint32_t now = t->timeStamp;
    const std::vector<uint8_t> ent = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x81, 0xFD, 0x59, 0x02, 0x79, 0x01, 0x01};
    auto var = [&](uint8_t k, const std::vector<uint8_t>& value) {
        std::vector<uint8_t> v = {0x30, 0x82, 0x00, static_cast<uint8_t>(16 + value.size()), 0x06, 0x0E};
        v.insert(v.end(), ent.begin(), ent.end());
        v.push_back(0x0A);
        v.push_back(k);
        v.insert(v.end(), value.begin(), value.end());
        return v;
    };
    const std::vector<uint8_t> time = {static_cast<uint8_t>(now >> 24), static_cast<uint8_t>(now >> 16),
                                       static_cast<uint8_t>(now >> 8), static_cast<uint8_t>(now)};
    ASSERT_GE(time[0], 0x40);  // a present-day time needs all four bytes
    std::vector<uint8_t> text = {0x04, 13};
    for (char c : std::string("Adapter 0, hi"))
        text.push_back(static_cast<uint8_t>(c));
    std::vector<uint8_t> timeValue = {0x02, 0x04};
    timeValue.insert(timeValue.end(), time.begin(), time.end());
    std::vector<uint8_t> list;
    for (const auto& v : {var(1, {0x02, 0x01, 0x00}), var(2, {0x02, 0x01, 0x07}), var(3, timeValue), var(4, text)})
        list.insert(list.end(), v.begin(), v.end());
    std::vector<uint8_t> pdu = {0x06, 0x0C};
    pdu.insert(pdu.end(), ent.begin(), ent.end());
    for (uint8_t x : {0x40, 0x04, 127, 0, 1, 1, 0x02, 0x01, 0x06, 0x02, 0x01, 0x66, 0x43, 0x04})
        pdu.push_back(x);
    pdu.insert(pdu.end(), time.begin(), time.end());
    for (uint8_t x : {uint8_t{0x30}, uint8_t{0x82}, uint8_t{0x00}, static_cast<uint8_t>(list.size())})
        pdu.push_back(x);
    pdu.insert(pdu.end(), list.begin(), list.end());
    std::vector<uint8_t> body = {0x02, 0x01, 0x00, 0x04, 0x06, 'p', 'u', 'b', 'l', 'i', 'c', 0xA4, 0x81,
                                 static_cast<uint8_t>(pdu.size())};
    body.insert(body.end(), pdu.begin(), pdu.end());
    std::vector<uint8_t> want = {0x30, 0x82, 0x00, static_cast<uint8_t>(body.size())};
    want.insert(want.end(), body.begin(), body.end());
    EXPECT_EQ(want, d.bytes);
}

TEST_F(Traps, LengthFormsOfLongTexts)
{
    startServing("target 127.0.0.2\n");
    TrapListener plain(box, "127.0.0.2");
    ASSERT_TRUE(plain.ok());
    // "Adapter 0, " and k characters: the PDU contents are 141 + k bytes.
    textEvent(7, 0, std::string(113, 'a'));
    textEvent(7, 0, std::string(114, 'b'));
    textEvent(7, 0, std::string(189, 'c'));
    const size_t pduAt = 4 + 3 + 2 + 6;
    const auto a = plain.next().bytes, b = plain.next().bytes, c = plain.next().bytes;
    ASSERT_TRUE(a.size() > pduAt + 4 && b.size() > pduAt + 4 && c.size() > pduAt + 4);
    EXPECT_EQ((std::vector<uint8_t>{0xA4, 0x81, 0xFE}), std::vector<uint8_t>(a.begin() + pduAt, a.begin() + pduAt + 3));
    EXPECT_EQ((std::vector<uint8_t>{0xA4, 0x82, 0x00, 0xFF}),
              std::vector<uint8_t>(b.begin() + pduAt, b.begin() + pduAt + 4));
    const auto t = BerReader::trap(c);
    ASSERT_TRUE(t);
    EXPECT_EQ(200u, t->bindings.at(3).text.size());
    const std::vector<uint8_t> head = {0x04, 0x82, 0x00, 0xC8};
    EXPECT_NE(c.end(), std::search(c.begin(), c.end(), head.begin(), head.end()));
}

TEST_F(Traps, TargetsInOrderFiftyMillisecondsApartPastAFailingOne)
{
    {
        std::ofstream script(box.path("stamp.sh"));
        script << "#!/bin/sh\ndate +%s%N > " << box.path("command.txt") << "\n";
    }
    chmod(box.path("stamp.sh").c_str(), 0755);
    startServing("target 127.255.255.255\ntarget 127.0.0.1\ntarget 127.0.0.2\ntarget 127.0.0.3\n"
                 "execute " + box.path("stamp.sh") + "\n");
    TrapListener one(box, "127.0.0.1"), two(box, "127.0.0.2"), three(box, "127.0.0.3");
    ASSERT_TRUE(one.ok() && two.ok() && three.ok());
    textEvent(3, 1, "ordered");
    const Datagram a = one.next(), b = two.next(), c = three.next();
    ASSERT_FALSE(a.bytes.empty() || b.bytes.empty() || c.bytes.empty());
    EXPECT_EQ(a.bytes, b.bytes);
    EXPECT_EQ(a.bytes, c.bytes);
    EXPECT_GE(b.at - a.at, 45ms);
    EXPECT_GE(c.at - b.at, 45ms);
    EXPECT_TRUE(box.waitForRecord("Error: sending SNMP trap to 127.255.255.255 failed: -1"));
    EXPECT_TRUE(box.waitForRecord("SNMP trap successfully sent to 127.0.0.3"));
    // The command still runs, after the last trap.
    long long ran = 0;
    ASSERT_TRUE(kzmtest::waitUntil([&] {
        std::ifstream f(box.path("command.txt"));
        f >> ran;
        return ran != 0;
    })) << "the command's time in command.txt";
    ASSERT_GT(ran, 0);
    const auto last = std::chrono::duration_cast<std::chrono::nanoseconds>(c.wall.time_since_epoch()).count();
    EXPECT_GT(ran, last - 5'000'000);  // allow for the two clocks' readings
}

TEST_F(Traps, LevelOneLogsNoSuccess)
{
    startServing("target 127.0.0.2\n", {"-i", "1"});
    TrapListener plain(box, "127.0.0.2");
    ASSERT_TRUE(plain.ok());
    textEvent(5, 2, "quiet");
    ASSERT_FALSE(plain.next().bytes.empty());
    // Every record of the event comes before the event thread ends.
    ASSERT_TRUE(box.signalService(SIGTERM));
    EXPECT_EQ(0, box.serviceExit());
    ASSERT_TRUE(box.waitForRecord("Shutdown."));
    EXPECT_EQ(0, count("SNMP trap successfully sent"));
    EXPECT_EQ(0, count("Received event"));
}

// A read-only console may walk the event store (code 0) but may neither take
// the next new event (code 2), which hands each event out once, nor clear
// the store (254): an event pending while it asks still reaches the
// service's log, its trap and its command.
TEST_F(Traps, ReadOnlyClientLeavesEventsToTheWatcher)
{
    box.passwd += "viewer:x:1001:1001::/:/bin/sh\n";
    box.shadow += "viewer:" + hashOf("look") + ":19000::::::\n";
    {
        std::ofstream script(box.path("seen.sh"));
        script << "#!/bin/sh\nprintf '%s' \"$1\" > " << box.path("seen.tmp") << " && mv " << box.path("seen.tmp")
               << " " << box.path("seen.txt") << "\n";
    }
    chmod(box.path("seen.sh").c_str(), 0755);
    // The watcher reads once at the start and then sleeps its interval: the
    // client's requests come in that sleep.
    startServing("user viewer access readonly\ntarget 127.0.0.1\nexecute " + box.path("seen.sh") + " '%E'\n",
                 {"-i", "3", "-l", "3"});
    TrapReceiver receiver(box, "brantu");
    ASSERT_TRUE(kzmtest::waitUntil([&] { return eventReads() != 0; })) << "the watcher's first event read";
    ASSERT_EQ(1, eventReads());
    textEvent(12, 1, "pending");

    const int fd = box.connectFrom("127.0.0.1");
    ASSERT_GE(fd, 0);
    const Packet login = exchange(fd, loginPacket("viewer", "look"));
    ASSERT_FALSE(login.empty());
    ASSERT_EQ(0, wire::get16(login.data(), 6));
    ASSERT_EQ(1, wire::get16(login.data(), 12)) << "read-only access";
    const uint16_t id = wire::get16(login.data(), 14);
    auto eventRequest = [&](uint8_t code) {
        Packet p = header(6, id, EVENT_RECORD_WIRE_SIZE);
        p[15] = 1;  // claimed as reading
        wire::put16(p.data(), 32, CTLFN_EVENT);
        p[34] = 1;
        p[35] = code;
        wire::put32(p.data(), 36, 0xFFFFFFFF);  // a walk starts at handle -1
        wire::put16(p.data(), 44, EVENT_RECORD_WIRE_SIZE);
        return exchange(fd, p);
    };
    for (uint8_t code : {EVENT_NEXT_NEW, EVENT_CLEAR}) {
        const Packet reply = eventRequest(code);
        ASSERT_FALSE(reply.empty()) << int{code};
        EXPECT_EQ(5, wire::get16(reply.data(), 6)) << int{code};
    }
    EXPECT_EQ(1, eventReads()) << "the refused requests never reached the controller";
    const Packet walk = eventRequest(EVENT_NEXT_AFTER);
    ASSERT_FALSE(walk.empty());
    EXPECT_EQ(0, wire::get16(walk.data(), 6));
    EXPECT_EQ(0u, wire::get32(walk.data(), 8));
    EXPECT_EQ(2, eventReads());
    EXPECT_EQ(0, count("Received event # 12")) << "the watcher read after the client";
    close(fd);

    ASSERT_TRUE(box.waitForRecord("Received event # 12")) << dump();
    const auto traps = receiver.traps(1);
    ASSERT_EQ(1u, traps.size()) << receiver.text();
    EXPECT_NE(std::string::npos, traps[0].find("STRING: \"Adapter 0, pending\"")) << traps[0];
    std::string seen;
    ASSERT_TRUE(kzmtest::waitUntil([&] {
        std::getline(std::ifstream(box.path("seen.txt")), seen);
        return !seen.empty();
    })) << "the command's line in seen.txt";
    EXPECT_EQ("Adapter 0, pending", seen);
}
