// The TCP/IP client module against a peer written here from the packet
// layout alone: it records each packet and answers with a scripted change.
#include "byte_order.h"
#include "ctl_commands.h"
#include "ctl_driver_records.h"
#include "ctl_request.h"
#include "tcp_module.h"
#include "xport.h"
#include "xport_internal.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Packet = std::vector<uint8_t>;
// Changes the packet into its reply; false closes the connection instead.
using Responder = std::function<bool(Packet&)>;

// A loopback address of its own for each peer: the module keeps every
// machine it was given for the life of the process, the first of a name wins.
std::string nextAddress()
{
    static int n = 10;
    return "127.0.0." + std::to_string(n++);
}

// One listening peer on an ephemeral port of its own loopback address;
// serves one connection at a time, each packet read by its length field.
class TestPeer {
public:
    explicit TestPeer(Responder answer) : answer_(std::move(answer)), address_(nextAddress())
    {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, address_.c_str(), &a.sin_addr);
        socklen_t len = sizeof a;
        if (bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(listen_, 4) == 0 &&
            getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~TestPeer()
    {
        shutdown(listen_, SHUT_RDWR);
        {
            std::lock_guard<std::mutex> g(m_);
            if (conn_ >= 0)
                shutdown(conn_, SHUT_RDWR);
        }
        close(listen_);
        thread_.join();
    }
    uint16_t port() const { return port_; }
    const char* address() const { return address_.c_str(); }
    std::vector<Packet> received()
    {
        std::lock_guard<std::mutex> g(m_);
        return got_;
    }
    // Waits, at most `bound`, until the connection it served is closed; true
    // once it was.
    bool waitForClose(std::chrono::milliseconds bound)
    {
        std::unique_lock<std::mutex> g(m_);
        return closedSeen_.wait_for(g, bound, [this] { return closed_; });
    }

private:
    static bool readAll(int fd, uint8_t* p, size_t n)
    {
        size_t done = 0;
        while (done < n) {
            ssize_t r = recv(fd, p + done, n - done, 0);
            if (r <= 0)
                return false;
            done += static_cast<size_t>(r);
        }
        return true;
    }
    void run()
    {
        for (;;) {
            int fd = accept(listen_, nullptr, nullptr);
            if (fd < 0)
                return;
            {
                std::lock_guard<std::mutex> g(m_);
                conn_ = fd;
            }
            for (;;) {
                Packet p(2);
                if (!readAll(fd, p.data(), 2))
                    break;
                p.resize(wire::get16(p.data(), 0));
                if (p.size() < 2 || !readAll(fd, p.data() + 2, p.size() - 2))
                    break;
                {
                    std::lock_guard<std::mutex> g(m_);
                    got_.push_back(p);
                }
                if (!answer_(p))
                    break;
                if (send(fd, p.data(), p.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(p.size()))
                    break;
            }
            {
                std::lock_guard<std::mutex> g(m_);
                close(fd);
                conn_ = -1;
                closed_ = true;
            }
            closedSeen_.notify_all();
        }
    }

    Responder answer_;
    std::string address_;
    int listen_ = -1;
    int conn_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::mutex m_;
    std::vector<Packet> got_;
    bool closed_ = false;
    std::condition_variable closedSeen_;
};

// Accepts every login as full access with connection id 7; other packets
// go to `rest`.
Responder loginThen(Responder rest)
{
    return [rest](Packet& p) {
        if (wire::get16(p.data(), 4) == 0) {
            wire::put16(p.data(), 12, 0);
            wire::put16(p.data(), 14, 7);
            return true;
        }
        return rest(p);
    };
}

class TcpModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        xport_reset();
        ASSERT_EQ(0, xport_open_local(1));
    }
    void TearDown() override
    {
        xport_close();
        xport_reset();
        tcp_set_port(0);
    }
    // Adds the peer's machine and logs in through the manager.
    CtlResult connectTo(TestPeer& peer, const char* user = "admin", const char* pw = "pw")
    {
        tcp_set_port(peer.port());
        uint16_t count = 1;
        InterfaceEntry e;
        std::strcpy(e.name, peer.address());
        EXPECT_EQ(CTL_OK, xport_list_interfaces(1, &count, &e));
        EXPECT_EQ(1, count);
        return xport_open_interface(1, peer.address(), user, pw);
    }
};

}  // namespace

TEST_F(TcpModule, ListsItselfAndAddsMachines)
{
    uint16_t count = 8;
    char names[8][MODULE_NAME_FIELD] = {};
    ASSERT_EQ(CTL_OK, xport_list_modules(&count, names));
    ASSERT_EQ(2, count);
    EXPECT_STREQ("TCP/IP Sockets", names[1]);

    struct Case {
        const char* name;
        uint16_t entries;
    } cases[] = {{"127.0.0.250", 1}, {"localhost", 1}, {"1localhost", 0}, {"300.1.2.3", 0}, {"", 0}};
    for (const Case& c : cases) {
        uint16_t n = 1;
        InterfaceEntry e;
        std::strcpy(e.name, c.name);
        EXPECT_EQ(CTL_OK, xport_list_interfaces(1, &n, &e)) << c.name;
        EXPECT_EQ(c.entries, n) << c.name;
        if (n == 1) {
            EXPECT_EQ(1, e.remote);
            EXPECT_EQ(1, e.loginRequired);
            EXPECT_EQ(1, e.remoteFlag);
            EXPECT_STREQ(c.name, e.name);
        }
    }
    ModuleInfo info;
    info.size = 29;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, tcp_module_entry(MODENTRY_INFO, &info));
    EXPECT_EQ(CTLERR_NOT_SERVED, tcp_module_entry(3, nullptr));
    ModuleDescribe d;
    ASSERT_EQ(CTL_OK, tcp_module_entry(MODENTRY_DESCRIBE, &d));
    EXPECT_EQ(0, std::memcmp(d.ident, "MONxSOCK", 8));
}

TEST_F(TcpModule, UnknownMachineIsRefusedWithoutContact)
{
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, xport_open_interface(1, "nosuchmachine", "a", "b"));
    EXPECT_EQ(0, xport_current_handle());  // the local module is current again
}

TEST_F(TcpModule, LoginPacketLayoutAndAnswer)
{
    TestPeer peer([](Packet& p) {
        wire::put16(p.data(), 12, 1);   // read-only
        wire::put16(p.data(), 14, 42);  // connection id
        return true;
    });
    tcp_set_port(peer.port());
    InterfaceRecord rec;
    std::strcpy(rec.name, peer.address());
    int n = 1;
    ASSERT_EQ(CTL_OK, tcp_list_interfaces(&rec, &n));
    uint8_t access = 0xFF;
    int handle = -1;
    ASSERT_EQ(CTL_OK, tcp_connect(peer.address(), &access, &handle, "admin", "pw"));
    EXPECT_EQ(0, handle);
    EXPECT_EQ(1, access);
    EXPECT_EQ(42, tcp_connection_id());

    auto got = peer.received();
    ASSERT_EQ(1u, got.size());
    const Packet& p = got[0];
    ASSERT_EQ(64u, p.size());
    EXPECT_EQ(64, wire::get16(p.data(), 0));
    EXPECT_EQ(0x564A, wire::get16(p.data(), 2));
    EXPECT_EQ(0, wire::get16(p.data(), 4));
    EXPECT_EQ(0xFFFF, wire::get16(p.data(), 12));
    EXPECT_EQ(0, wire::get16(p.data(), 14));
    EXPECT_EQ(5, p[16]);
    EXPECT_EQ(2, p[17]);
    EXPECT_EQ(0, p[18]);
    EXPECT_EQ(32, p[24]);
    EXPECT_EQ("adminpw", std::string(p.begin() + 56, p.begin() + 63));
    EXPECT_EQ(0, p[63]);
    EXPECT_EQ(CTL_OK, tcp_disconnect(0));
    got = peer.received();
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ(1, wire::get16(got[1].data(), 4));
    EXPECT_EQ(42, wire::get16(got[1].data(), 12));
}

TEST_F(TcpModule, RefusedLoginClosesTheSocket)
{
    TestPeer peer([](Packet& p) {
        wire::put16(p.data(), 6, 5);
        return true;
    });
    EXPECT_EQ(0x20000005u, connectTo(peer));
    EXPECT_TRUE(peer.waitForClose(std::chrono::seconds(5)));
    EXPECT_EQ(0, xport_current_handle());  // local controllers again
}

TEST_F(TcpModule, ResultsMapInOrder)
{
    // Replies of the peer: status and result; the expected library code.
    struct Case {
        uint16_t status;
        uint32_t result;
        uint8_t count;
        CtlResult expected;
    } cases[] = {
        {0, 0, 3, CTL_OK},
        {6, 0x0100FFF4, 3, 0x20000006},
        {1, 0, 0, 0x20000001},
        {0, 0x0100FFF4, 0, 0x1000FFF4},
        {0, 0x80000001, 0, 0x10000001},
    };
    size_t next = 0;
    TestPeer peer(loginThen([&](Packet& p) {
        const Case& c = cases[next++];
        wire::put16(p.data(), 6, c.status);
        wire::put32(p.data(), 8, c.result);
        p[14] = c.count;
        return true;
    }));
    ASSERT_EQ(CTL_OK, connectTo(peer));
    for (const Case& c : cases) {
        int count = -1;
        EXPECT_EQ(c.expected, ctl_dispatch_count(&count)) << c.status << " " << c.result;
        if (c.expected == CTL_OK) {
            EXPECT_EQ(c.count, count);
        }
    }
    auto got = peer.received();
    ASSERT_EQ(6u, got.size());
    EXPECT_EQ(57u, got[1].size());
    EXPECT_EQ(2, wire::get16(got[1].data(), 4));
    EXPECT_EQ(7, wire::get16(got[1].data(), 12));
}

TEST_F(TcpModule, IoctlTravelsWithItsParameterAndComesBack)
{
    TestPeer peer(loginThen([](Packet& p) {
        for (size_t i = 0; i < 36; ++i)
            p[120 + i] = static_cast<uint8_t>(0xA0 + i);  // the answer in the data area
        wire::put32(p.data(), 36, 0x55);                  // the request's info word
        return true;
    }));
    ASSERT_EQ(CTL_OK, connectTo(peer));

    uint8_t param[36];
    for (size_t i = 0; i < sizeof param; ++i)
        param[i] = static_cast<uint8_t>(i);
    CtlCommand cmd;
    cmd.opcode = CTLOP_IOCTL;
    cmd.size = 36;
    cmd.key = 0x04;
    cmd.target = 2;
    cmd.param = param;
    CtlRequest req;
    req.function = CTLFN_COMMAND;
    req.readOnly = 1;
    req.service = CTLSVC_CACHE;
    req.length = 64;
    req.buffer = &cmd;
    ASSERT_EQ(CTL_OK, ctl_dispatch_request(3, &req));
    EXPECT_EQ(&cmd, req.buffer);
    EXPECT_EQ(param, cmd.param);
    EXPECT_EQ(0x55u, req.info);
    for (size_t i = 0; i < sizeof param; ++i)
        EXPECT_EQ(0xA0 + i, param[i]);

    const Packet p = peer.received().at(1);
    ASSERT_EQ(157u, p.size());
    EXPECT_EQ(6, wire::get16(p.data(), 4));
    EXPECT_EQ(3, p[14]);
    EXPECT_EQ(1, p[15]);
    EXPECT_EQ(36, wire::get16(p.data(), 26));
    EXPECT_EQ(76, wire::get16(p.data(), 28));
    EXPECT_EQ(0, wire::get16(p.data(), 30));
    EXPECT_EQ(32, wire::get16(p.data(), 32));
    EXPECT_EQ(64, wire::get16(p.data(), 44));
    EXPECT_EQ(5, wire::get16(p.data(), 56 + 8));
    EXPECT_EQ(0x04u, wire::get32(p.data(), 56 + 12));
    EXPECT_EQ(120u, wire::get32(p.data(), 76));
    for (size_t i = 0; i < 36; ++i)
        EXPECT_EQ(i, p[120 + i]);
}

TEST_F(TcpModule, RawScsiCarriesDataAndSense)
{
    TestPeer peer(loginThen([](Packet& p) {
        p[56 + 64] = 0x7F;       // first data byte
        p[56 + 64 + 36] = 0x70;  // first sense byte
        return true;
    }));
    ASSERT_EQ(CTL_OK, connectTo(peer));
    uint8_t data[36] = {};
    RawScsiRecord r;
    r.dataLength = sizeof data;
    r.data = data;
    r.cdbLength = 6;
    r.cdb[0] = 0x12;
    r.cdb[4] = 36;
    ASSERT_EQ(CTL_OK, ctl_raw_scsi_command(r));
    EXPECT_EQ(0x7F, data[0]);
    EXPECT_EQ(0x70, r.sense[0]);
    const Packet p = peer.received().at(1);
    ASSERT_EQ(57u + 64 + 36 + 18, p.size());
    EXPECT_EQ(56 + 24, wire::get16(p.data(), 28));
    EXPECT_EQ(56 + 56, wire::get16(p.data(), 30));
    EXPECT_EQ(3, p[35]);
}

TEST_F(TcpModule, RefusedWithoutContact)
{
    TestPeer peer(loginThen([](Packet&) { return true; }));
    ASSERT_EQ(CTL_OK, connectTo(peer));
    std::vector<uint8_t> blocks(126 * 512);
    BlockIoRecord b;
    b.blockCount = 126;
    b.data = blocks.data();
    b.dataSize = blocks.size();
    EXPECT_EQ(CTLERR_NOT_SERVED, ctl_read_blocks(b));

    CtlRequest rescan;
    rescan.function = CTLFN_RESCAN;
    EXPECT_EQ(CTLERR_NOT_SERVED, ctl_dispatch_request(0, &rescan));

    CtlCommand cmd;
    cmd.opcode = 4;
    CtlRequest req;
    req.function = CTLFN_COMMAND;
    req.service = CTLSVC_CACHE;
    req.length = 64;
    req.buffer = &cmd;
    EXPECT_EQ(CTLERR_NOT_SERVED, ctl_dispatch_request(0, &req));
    EXPECT_EQ(1u, peer.received().size());  // only the login

    // The largest block read that fits: 57 + 64 + 125 x 512 bytes.
    b.blockCount = 125;
    EXPECT_EQ(CTL_OK, ctl_read_blocks(b));
    EXPECT_EQ(57u + 64 + 125 * 512, peer.received().at(1).size());
}

TEST_F(TcpModule, ClosedPeerIsASocketErrorNotASignal)
{
    int served = 0;
    TestPeer peer(loginThen([&](Packet&) { return ++served < 2; }));
    ASSERT_EQ(CTL_OK, connectTo(peer));
    int count = 0;
    EXPECT_EQ(CTL_OK, ctl_dispatch_count(&count));
    // The peer closes without a reply; later requests fail but never kill
    // the process with SIGPIPE.
    CtlResult rc = ctl_dispatch_count(&count);
    EXPECT_EQ(CTLERR_SOCKET, rc & 0xFFFF0000u) << std::hex << rc;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(CTLERR_SOCKET, ctl_dispatch_count(&count) & 0xFFFF0000u);
    EXPECT_EQ(CTL_OK, tcp_disconnect(0));
}

TEST_F(TcpModule, PeerThatStopsMidReplyFailsAsALostConnection)
{
    // The peer answers the count with the first 20 bytes of its reply, then
    // says nothing more while keeping the connection open.
    TestPeer peer(loginThen([](Packet& p) {
        p.resize(20);
        return true;
    }));
    ASSERT_EQ(CTL_OK, connectTo(peer));
    tcp_set_receive_deadline(300);
    int count = 0;
    const auto start = std::chrono::steady_clock::now();
    CtlResult rc = ctl_dispatch_count(&count);
    const auto waited = std::chrono::steady_clock::now() - start;
    tcp_set_receive_deadline(0);
    EXPECT_EQ(CTLERR_SOCKET + ETIMEDOUT, rc) << std::hex << rc;
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LT(waited, std::chrono::seconds(5));
    // The socket is forgotten: the peer sees it closed, and the next request
    // fails at once without reaching the peer.
    EXPECT_TRUE(peer.waitForClose(std::chrono::seconds(5)));
    EXPECT_EQ(CTLERR_SOCKET + ENOTCONN, ctl_dispatch_count(&count));
    EXPECT_EQ(2u, peer.received().size());  // the login and the one count
}
