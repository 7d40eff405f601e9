// Connections before their login, against the real detached dulm: idle and
// trickling clients lose their slots by the deadlines, and the time a
// refused login takes tells nothing about which user names exist.
#include <gtest/gtest.h>

#include <crypt.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "byte_order.h"
#include "daemon_sandbox.h"
#include "remote_client.h"
#include "sim_mount.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The bcrypt hash of the password at the given cost.
std::string bcryptOf(const char* password, unsigned long cost)
{
    char setting[CRYPT_GENSALT_OUTPUT_SIZE];
    if (crypt_gensalt_rn("$2b$", cost, nullptr, 0, setting, sizeof setting) == nullptr)
        return {};
    crypt_data data{};
    return crypt_r(password, setting, &data);
}

// True once the service has closed the socket (end of stream or reset).
bool closedNow(int fd)
{
    char c[256];
    for (;;) {
        ssize_t n = recv(fd, c, sizeof c, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            return true;
        if (n < 0)
            return false;
    }
}

struct BeforeLogin : ::testing::Test {
    SimMount sim;
    DaemonSandbox box;
    BeforeLogin() { box.procRoot = sim.root(); }
    void start(const std::vector<std::string>& args)
    {
        ASSERT_TRUE(sim.ok());
        ASSERT_TRUE(box.start(args));
        ASSERT_EQ(box.foregroundExit(), 0) << box.standardError();
        ASSERT_TRUE(box.waitForRecord("Startup.")) << box.standardError();
    }
    // Logs in on a new connection: the descriptor and the id, or -1.
    int login(const std::string& user, const std::string& pw, uint16_t& id)
    {
        int fd = box.connectFrom("127.0.0.1");
        Packet r = exchange(fd, loginPacket(user, pw));
        if (r.empty() || wire::get16(r.data(), 6) != 0) {
            close(fd);
            return -1;
        }
        id = wire::get16(r.data(), 14);
        return fd;
    }
};

}  // namespace

TEST_F(BeforeLogin, IdleAndTricklingClientsFreeTheirSlotsForTheAdministrator)
{
    box.shadow = "root:*:19000:0:99999:7:::\nadmin:" + hashOf("secret") + ":19000::::::\n";
    start({"-l", "3", "-c", "11"});
    // An administrator already logged in keeps the connection however long it idles.
    uint16_t id = 0;
    int admin = login("admin", "secret", id);
    ASSERT_GE(admin, 0);
    box.records();
    const size_t recordsBefore = box.records().size();

    // Ten attackers take every other slot: five never send a byte, five
    // send one byte a second of a packet that never ends. This test is about
    // the service's own fixed deadlines (5 s for a packet, 10 s to log in):
    // the trickle keeps its pace and the ends are measured.
    std::vector<int> idle, trickling;
    for (int i = 0; i < 5; ++i) {
        idle.push_back(box.connectFrom("127.0.0." + std::to_string(20 + i)));
        trickling.push_back(box.connectFrom("127.0.0." + std::to_string(30 + i)));
        ASSERT_GE(idle.back(), 0);
        ASSERT_GE(trickling.back(), 0);
    }
    const auto opened = Clock::now();
    std::atomic<bool> stop{false};
    std::thread trickle([&] {
        Packet p = header(2, 0);
        wire::put16(p.data(), 0, 300);  // announces more than ever comes
        for (size_t at = 0; !stop.load() && at < p.size(); ++at) {
            for (int fd : trickling)
                send(fd, p.data() + at, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            for (int i = 0; i < 10 && !stop.load(); ++i)
                std::this_thread::sleep_for(100ms);
        }
    });

    // Every slot is taken: a new administrator is turned away at once.
    int early = box.connectFrom("127.0.0.1");
    ASSERT_GE(early, 0);
    pollfd w{early, POLLIN, 0};
    EXPECT_EQ(1, poll(&w, 1, 3000));
    EXPECT_TRUE(closedNow(early));
    close(early);

    // The trickling packets end at their deadline although bytes keep
    // coming; the idle connections at the login deadline.
    std::vector<Clock::duration> idleEnd(idle.size(), Clock::duration::max());
    std::vector<Clock::duration> trickleEnd(trickling.size(), Clock::duration::max());
    auto watch = [&](std::vector<int>& fds, std::vector<Clock::duration>& ends) {
        for (size_t i = 0; i < fds.size(); ++i)
            if (ends[i] == Clock::duration::max() && closedNow(fds[i]))
                ends[i] = Clock::now() - opened;
    };
    auto allEnded = [](const std::vector<Clock::duration>& ends) {
        return std::none_of(ends.begin(), ends.end(), [](auto d) { return d == Clock::duration::max(); });
    };
    while (Clock::now() - opened < 14s && !(allEnded(idleEnd) && allEnded(trickleEnd))) {
        watch(idle, idleEnd);
        watch(trickling, trickleEnd);
        // Waits until a connection still open is closed by the service.
        std::vector<pollfd> open;
        for (size_t i = 0; i < idle.size(); ++i)
            if (idleEnd[i] == Clock::duration::max())
                open.push_back({idle[i], POLLIN, 0});
        for (size_t i = 0; i < trickling.size(); ++i)
            if (trickleEnd[i] == Clock::duration::max())
                open.push_back({trickling[i], POLLIN, 0});
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(14s - (Clock::now() - opened));
        if (!open.empty() && left.count() > 0)
            poll(open.data(), open.size(), static_cast<int>(left.count()));
    }
    stop = true;
    trickle.join();
    for (auto d : trickleEnd) {
        EXPECT_GE(d, 4s);
        EXPECT_LT(d, 8s);
    }
    for (auto d : idleEnd) {
        EXPECT_GE(d, 9s);
        EXPECT_LT(d, 13s);
    }
    for (int fd : idle)
        close(fd);
    for (int fd : trickling)
        close(fd);

    // The slots are free again: a second administrator logs in, and the
    // first one's connection still serves.
    uint16_t id2 = 0;
    int second = login("admin", "secret", id2);
    EXPECT_GE(second, 0);
    Packet count = exchange(admin, header(2, id));
    ASSERT_FALSE(count.empty());
    EXPECT_EQ(0, wire::get16(count.data(), 6));

    // Nothing was logged per refused socket beyond the connection limit's
    // warning (the login's record was sent before its reply).
    std::vector<std::string> texts;
    auto all = box.records();
    for (size_t i = recordsBefore; i < all.size(); ++i)
        texts.push_back(all[i].text);
    const std::vector<std::string> expected = {"Max. connection count (11) reached. Connection refused.",
                                               "User admin logged in from 127.0.0.1."};
    EXPECT_EQ(expected, texts);
    close(second);
    close(admin);
}

TEST_F(BeforeLogin, UnknownAndLockedUsersTakeAsLongAsABcryptUser)
{
    // The first configured user's hash is bcrypt; a refused login of any
    // kind must cost about what checking that user's password costs.
    const std::string slowHash = bcryptOf("right", 10);
    ASSERT_FALSE(slowHash.empty());
    box.config = "user slow access full\nuser locked access full\nuser admin access full\n";
    box.passwd += "slow:x:1001:1001::/:/bin/sh\nlocked:x:1002:1002::/:/bin/sh\n";
    box.shadow = "root:*:19000:0:99999:7:::\nadmin:" + hashOf("secret") + ":19000::::::\nslow:" + slowHash +
                 ":19000::::::\nlocked:!" + slowHash + ":19000::::::\n";
    start({});

    auto timedRefusal = [&](const std::string& user) {
        int fd = box.connectFrom("127.0.0.1");
        const auto t = Clock::now();
        Packet r = exchange(fd, loginPacket(user, "wrong"));
        const auto took = Clock::now() - t;
        close(fd);
        box.records();  // keeps the log listener's small queue from filling
        EXPECT_FALSE(r.empty()) << user;
        EXPECT_EQ(5, r.empty() ? -1 : wire::get16(r.data(), 6)) << user;
        return std::chrono::duration<double, std::milli>(took).count();
    };
    // Side by side, in turns, so that load on the machine touches all alike.
    std::vector<double> slow, unknown, locked;
    for (int i = 0; i < 7; ++i) {
        slow.push_back(timedRefusal("slow"));
        unknown.push_back(timedRefusal("nobody"));
        locked.push_back(timedRefusal("locked"));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double s = median(slow), u = median(unknown), l = median(locked);
    EXPECT_GT(u, s * 0.5) << "bcrypt user " << s << " ms, unknown user " << u << " ms";
    EXPECT_LT(u, s * 2.0) << "bcrypt user " << s << " ms, unknown user " << u << " ms";
    EXPECT_GT(l, s * 0.5) << "bcrypt user " << s << " ms, locked user " << l << " ms";
    EXPECT_LT(l, s * 2.0) << "bcrypt user " << s << " ms, locked user " << l << " ms";
}
