// The remote protocol against the real detached dulm and the emulator: a
// peer written here from the packet layout alone, and the library's own
// TCP/IP client module.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "byte_order.h"
#include "ctl_commands.h"
#include "ctl_command_table.h"
#include "ctl_driver_records.h"
#include "daemon_sandbox.h"
#include "ioctl_read.h"
#include "local_module.h"
#include "remote_client.h"
#include "sim_mount.h"
#include "tcp_module.h"
#include "xport.h"
#include "xport_internal.h"

namespace {

// A function-32 packet carrying the command block and `data` bytes after it.
Packet commandPacket(uint16_t id, uint8_t service, const uint8_t* block, size_t dataSize,
                     const uint8_t* data = nullptr, size_t sense = 0)
{
    Packet p = header(6, id, 64 + dataSize + sense);
    wire::put16(p.data(), 32, 32);
    p[15] = 1;  // read-only flag of the packet and of the request, as the library sends reads
    p[34] = 1;
    p[35] = service;
    wire::put16(p.data(), 44, 64);
    std::memcpy(p.data() + 56, block, 64);
    if (data)
        std::memcpy(p.data() + 120, data, dataSize);
    return p;
}

Packet ioctlPacket(uint16_t id, uint32_t key, uint16_t size, uint32_t target = 0xFFFF)
{
    uint8_t block[64] = {};
    wire::put16(block, 8, CTLOP_IOCTL);
    wire::put16(block, 10, size);
    wire::put32(block, 12, key);
    wire::put32(block, 16, target);
    return commandPacket(id, 9, block, size);
}

const char* const kConfig =
    "user admin access full\n"
    "user viewer access readonly\n"
    "user locked access full\n"
    "user empty access full\n"
    "group ops access readonly\n";

struct Protocol : ::testing::Test {
    SimMount sim;
    DaemonSandbox box;
    Protocol()
    {
        box.config = kConfig;
        box.passwd += "viewer:x:1001:1001::/:/bin/sh\nlocked:x:1002:1002::/:/bin/sh\n"
                      "empty:x:1003:1003::/:/bin/sh\nopsuser:x:1004:1004::/:/bin/sh\n";
        box.group = "root:x:0:\nadmin:x:1000:\nops:x:2000:opsuser\n";
        box.shadow = "root:*:19000:0:99999:7:::\nadmin:" + hashOf("secret") + ":19000::::::\n" +
                     "viewer:" + hashOf("look") + ":19000::::::\n" + "locked:!" + hashOf("pw") +
                     ":19000::::::\nempty::19000::::::\nopsuser:" + hashOf("opspw") + ":19000::::::\n";
        box.procRoot = sim.root();
    }
    void SetUp() override
    {
        ASSERT_TRUE(sim.ok());
        ASSERT_TRUE(box.start({"-l", "3"}));
        ASSERT_EQ(box.foregroundExit(), 0) << box.standardError();
        ASSERT_TRUE(box.waitForRecord("Startup.")) << box.standardError();
        sim.exportRoot();
        uint8_t access = 0xFF;
        int handle = -1;
        ASSERT_EQ(CTL_OK, local_open(LOCAL_INTERFACE_NAME, &access, &handle, nullptr, nullptr));
    }
    // A logged-in connection and its id.
    int loggedIn(const std::string& user, const std::string& pw, uint16_t& id)
    {
        int fd = box.connectFrom("127.0.0.1");
        Packet r = exchange(fd, loginPacket(user, pw));
        EXPECT_FALSE(r.empty());
        EXPECT_EQ(0, r.empty() ? -1 : wire::get16(r.data(), 6)) << user;
        id = r.empty() ? 0 : wire::get16(r.data(), 14);
        return fd;
    }
    // The same IOCTL through the local module: the parameter bytes it returns.
    std::vector<uint8_t> localIoctl(uint32_t key, uint16_t size, uint32_t target = 0xFFFF)
    {
        std::vector<uint8_t> param;
        CtlCommand cmd;
        CtlRequest r;
        prepareIoctlRead(key, size, param, cmd, r, target);
        EXPECT_EQ(CTL_OK, local_request(0, 0, &r));
        return param;
    }
};

}  // namespace

TEST_F(Protocol, CommandsAndStatuses)
{
    int fd = box.connectFrom("127.0.0.1");
    ASSERT_GE(fd, 0);
    int expectedCount = 0;
    ASSERT_EQ(CTL_OK, local_controller_count(0, &expectedCount));

    // Before the login every command but login gets status 6.
    Packet bad = header(2, 0);
    wire::put16(bad.data(), 2, 0x1234);
    EXPECT_EQ(3, wire::get16(exchange(fd, bad).data(), 6));  // bad magic, connection kept
    EXPECT_EQ(6, wire::get16(exchange(fd, header(2, 0)).data(), 6));
    EXPECT_EQ(6, wire::get16(exchange(fd, header(3, static_cast<uint16_t>(5))).data(), 6));

    Packet r = exchange(fd, loginPacket("admin", "secret"));
    ASSERT_EQ(0, wire::get16(r.data(), 6));
    EXPECT_EQ(0, wire::get16(r.data(), 12));
    const uint16_t id = wire::get16(r.data(), 14);

    struct Case {
        const char* what;
        Packet packet;
        uint16_t status;
    };
    std::vector<Case> cases = {
        {"wrong id", header(2, static_cast<uint16_t>(id + 1)), 6},
        {"count", header(2, id), 0},
        {"server id", header(3, id), 0},
        {"write access", header(7, id), 0},
        {"command 4", header(4, id), 1},
        {"command 5", header(5, id), 1},
        {"command 8", header(8, id), 1},
    };
    for (Case& c : cases) {
        Packet reply = exchange(fd, c.packet);
        ASSERT_EQ(c.packet.size(), reply.size()) << c.what;
        EXPECT_EQ(c.status, wire::get16(reply.data(), 6)) << c.what;
        c.packet = reply;
    }
    EXPECT_EQ(expectedCount, cases[1].packet[14]);
    EXPECT_EQ(0u, wire::get32(cases[1].packet.data(), 8));
    EXPECT_EQ(1, cases[2].packet[14]);
    EXPECT_EQ(12, cases[2].packet[15]);
    EXPECT_EQ(0, std::memcmp(cases[2].packet.data() + 16, "dulm\0\0\0\0", 8));

    // Driver version (function 1).
    Packet dv = header(6, id);
    wire::put16(dv.data(), 32, 1);
    dv[34] = 1;
    Packet dvr = exchange(fd, dv);
    EXPECT_EQ(0u, wire::get32(dvr.data(), 8));
    EXPECT_EQ(0x0302u, wire::get32(dvr.data(), 36));

    // A byte-exact IOCTL round trip: only status, result and the data area change.
    Packet io = ioctlPacket(id, 0x28, 84);
    Packet ior = exchange(fd, io);
    ASSERT_EQ(io.size(), ior.size());
    EXPECT_EQ(0u, wire::get32(ior.data(), 8));
    EXPECT_TRUE(std::equal(io.begin(), io.begin() + 6, ior.begin()));
    EXPECT_TRUE(std::equal(io.begin() + 12, io.begin() + 120, ior.begin() + 12));
    EXPECT_EQ(localIoctl(0x28, 84), std::vector<uint8_t>(ior.begin() + 120, ior.end() - 1));

    // A 4-block read, then the largest read a client sends (125 blocks, under 0xFC00).
    for (uint32_t blocks : {4u, 125u}) {
        uint8_t block[64] = {};
        wire::put16(block, 8, CTLOP_BLOCK_READ);
        wire::put32(block, 16, blocks);
        Packet rd = commandPacket(id, 9, block, blocks * 512);
        Packet rdr = exchange(fd, rd);
        ASSERT_EQ(rd.size(), rdr.size()) << blocks;
        EXPECT_EQ(0, wire::get16(rdr.data(), 6));
        EXPECT_EQ(0u, wire::get32(rdr.data(), 8)) << std::hex << wire::get32(rdr.data(), 8);
    }

    // A raw SCSI INQUIRY with its sense area.
    uint8_t scsi[64] = {};
    wire::put16(scsi, 8, CTLOP_SCSI);
    wire::put32(scsi, 12, 0x01000000);
    wire::put32(scsi, 28, 36);
    wire::put32(scsi, 32, 6);
    scsi[36] = 0x12;
    scsi[40] = 36;
    wire::put32(scsi, 52, 18);
    Packet sc = commandPacket(id, 3, scsi, 36, nullptr, 18);
    std::fill(sc.begin() + 120, sc.begin() + 174, 0xEE);  // the answer must replace these
    Packet scr = exchange(fd, sc);
    ASSERT_EQ(sc.size(), scr.size());
    EXPECT_EQ(0, wire::get16(scr.data(), 6));
    // The same command through the local module: result, data and sense agree.
    std::vector<uint8_t> data(36, 0xEE), sense(18, 0xEE);
    CtlCommand local;
    ctlDecodeCommand(scsi, sizeof scsi, local);
    local.data = data.data();
    local.sense = sense.data();
    CtlRequest lr;
    lr.function = 32;
    lr.readOnly = 1;
    lr.service = 3;
    lr.length = 64;
    lr.buffer = &local;
    EXPECT_EQ(local_request(0, 0, &lr), wire::get32(scr.data(), 8));
    EXPECT_EQ(data, std::vector<uint8_t>(scr.begin() + 120, scr.begin() + 156));
    EXPECT_EQ(sense, std::vector<uint8_t>(scr.begin() + 156, scr.begin() + 174));

    Packet out = exchange(fd, header(1, id));
    EXPECT_EQ(0, wire::get16(out.data(), 6));
    char c;
    pollfd w{fd, POLLIN, 0};
    EXPECT_EQ(1, poll(&w, 1, 3000));
    EXPECT_EQ(0, recv(fd, &c, 1, 0));  // closed after the logout
    close(fd);
    EXPECT_TRUE(box.waitForRecord("User admin logged out."));
}

TEST_F(Protocol, Logins)
{
    struct Case {
        const char* what;
        Packet packet;
        uint16_t status;
        uint16_t access;
    };
    Packet overlong = loginPacket("admin", "secret");
    overlong[17] = 200;  // lengths beyond the packet
    Case cases[] = {
        {"full user", loginPacket("admin", "secret"), 0, 0},
        {"read-only user", loginPacket("viewer", "look"), 0, 1},
        {"group member", loginPacket("opsuser", "opspw"), 0, 1},
        {"scrambled", loginPacket("admin", "secret", 2, 0x1234), 0, 0},
        {"scrambled seed beyond the range", loginPacket("admin", "secret", 2, 0xFFFF), 5, 0},
        {"wrong password", loginPacket("admin", "secreT"), 5, 0},
        {"locked hash", loginPacket("locked", "pw"), 5, 0},
        {"empty hash", loginPacket("empty", ""), 5, 0},
        {"unknown user", loginPacket("nobody", "secret"), 5, 0},
        {"not configured", loginPacket("root", "x"), 5, 0},
        {"encoding 1", loginPacket("admin", "secret", 1), 5, 0},
        {"name over 80", loginPacket(std::string(100, 'a'), "secret"), 5, 0},
        {"lengths beyond the packet", overlong, 5, 0},
    };
    for (const Case& c : cases) {
        int fd = box.connectFrom("127.0.0.1");
        ASSERT_GE(fd, 0);
        Packet r = exchange(fd, c.packet);
        ASSERT_EQ(c.packet.size(), r.size()) << c.what;
        EXPECT_EQ(c.status, wire::get16(r.data(), 6)) << c.what;
        if (c.status == 0) {
            EXPECT_EQ(c.access, wire::get16(r.data(), 12)) << c.what;
        }
        close(fd);
        box.records();  // keeps the log listener's small queue from filling
    }
    EXPECT_TRUE(box.waitForRecord("Login denied for user locked from 127.0.0.1."));
}

TEST_F(Protocol, ReadOnlyConnectionChangesNothing)
{
    uint16_t id = 0;
    int fd = loggedIn("viewer", "look", id);
    EXPECT_EQ(5, wire::get16(exchange(fd, header(7, id)).data(), 6));
    EXPECT_EQ(0, wire::get16(exchange(fd, header(2, id)).data(), 6));
    const size_t before = sim.log().size();
    // A configuration page write, claimed as reading by the client.
    Packet w = ioctlPacket(id, 0x2B, 380);
    EXPECT_EQ(5, wire::get16(exchange(fd, w).data(), 6));
    // A read that the client marks as changing (flag 0).
    Packet marked = ioctlPacket(id, 0x28, 84);
    marked[15] = 0;
    EXPECT_EQ(5, wire::get16(exchange(fd, marked).data(), 6));
    // The controller parameter key reads, but with its write flag (byte 8)
    // set it switches the non-build mode: refused although the key and the
    // client's flag say reading.
    Packet param = ioctlPacket(id, 0x6E, 10);
    param[120] = 1;      // kind 1, the non-build mode
    param[120 + 8] = 1;  // write
    param[120 + 9] = 1;  // on
    EXPECT_EQ(5, wire::get16(exchange(fd, param).data(), 6));
    // A pool access flag written with 1, claimed as reading.
    Packet flag = ioctlPacket(id, 0x1000000A, 4, 0);
    flag[120] = 1;
    EXPECT_EQ(5, wire::get16(exchange(fd, flag).data(), 6));
    EXPECT_EQ(before, sim.log().size());  // nothing reached the emulator
    Packet rd = ioctlPacket(id, 0x28, 84);
    EXPECT_EQ(0, wire::get16(exchange(fd, rd).data(), 6));
    // The same key with its write flag clear only reads, and is served.
    param[120 + 8] = 0;
    EXPECT_EQ(0, wire::get16(exchange(fd, param).data(), 6));
    EXPECT_EQ(before + 2, sim.log().size());
    close(fd);
}

TEST_F(Protocol, LogoutWithAWrongIdStillEndsTheConnection)
{
    uint16_t id = 0;
    int fd = loggedIn("admin", "secret", id);
    Packet out = exchange(fd, header(1, static_cast<uint16_t>(id + 1)));
    ASSERT_EQ(57u, out.size());
    EXPECT_EQ(6, wire::get16(out.data(), 6));
    pollfd w{fd, POLLIN, 0};
    ASSERT_EQ(1, poll(&w, 1, 3000));
    char c;
    EXPECT_EQ(0, recv(fd, &c, 1, 0));
    close(fd);
    EXPECT_TRUE(box.waitForRecord("User admin logged out."));
}

TEST_F(Protocol, TwoClientsGetTheirOwnReplies)
{
    // Two different reads of one controller, whose answers differ.
    const std::vector<uint8_t> board = localIoctl(0x28, 84);
    const std::vector<uint8_t> cache = localIoctl(0x04, 36);
    ASSERT_NE(std::vector<uint8_t>(board.begin(), board.begin() + 36), cache);
    std::atomic<int> wrong{0};
    auto client = [&](uint32_t key, uint16_t size, const std::vector<uint8_t>& expected) {
        uint16_t id = 0;
        int fd = loggedIn("admin", "secret", id);
        for (int i = 0; i < 150; ++i) {
            Packet r = exchange(fd, ioctlPacket(id, key, size));
            if (r.size() != 57u + 64 + size || wire::get32(r.data(), 8) != 0 ||
                std::vector<uint8_t>(r.begin() + 120, r.end() - 1) != expected)
                ++wrong;
        }
        close(fd);
    };
    std::thread a(client, 0x28, 84, board);
    std::thread b(client, 0x04, 36, cache);
    a.join();
    b.join();
    EXPECT_EQ(0, wrong.load());
}

TEST_F(Protocol, StalledPacketEndsItsConnection)
{
    uint16_t id = 0;
    int fd = loggedIn("admin", "secret", id);
    Packet p = header(2, id);
    wire::put16(p.data(), 0, 200);  // announces more than ever comes
    ASSERT_EQ(57, send(fd, p.data(), p.size(), MSG_NOSIGNAL));
    pollfd w{fd, POLLIN, 0};
    ASSERT_EQ(1, poll(&w, 1, 10000));
    char c;
    EXPECT_EQ(0, recv(fd, &c, 1, 0));
    close(fd);

    // A total below the header size closes the connection at once.
    fd = loggedIn("admin", "secret", id);
    p = header(2, id);
    wire::put16(p.data(), 0, 20);
    send(fd, p.data(), p.size(), MSG_NOSIGNAL);
    pollfd w2{fd, POLLIN, 0};
    ASSERT_EQ(1, poll(&w2, 1, 3000));
    EXPECT_GE(0, recv(fd, &c, 1, 0));  // end of stream, or a reset for the unread rest
    close(fd);
}

TEST_F(Protocol, ClientModuleCarriesLibraryRequests)
{
    const std::vector<uint8_t> board = localIoctl(0x28, 84);
    int expectedCount = 0;
    ASSERT_EQ(CTL_OK, local_controller_count(0, &expectedCount));
    CtlResult login = 1, wrong = 1, refused = 1, count = 1, ioctl = 1;
    int remoteCount = -1;
    std::vector<uint8_t> remoteBoard(84);
    // The service logs its startup before it listens; the client module
    // connects once, so it starts when a connection is accepted.
    const int probe = box.connectFrom("127.0.0.1");
    ASSERT_GE(probe, 0);
    close(probe);
    ASSERT_TRUE(box.inNetwork([&] {
        xport_reset();
        xport_open_local(1);
        uint16_t n = 1;
        InterfaceEntry e;
        std::strcpy(e.name, "127.0.0.1");
        xport_list_interfaces(1, &n, &e);
        wrong = xport_open_interface(1, "127.0.0.1", "admin", "nope");
        login = xport_open_interface(1, "127.0.0.1", "admin", "secret");
        count = ctl_dispatch_count(&remoteCount);
        ioctl = ctl_send_ioctl(CtlCmd::ctl_get_board_info, 0, 0, 0, remoteBoard.data(), 0);
        xport_open_interface(1, "127.0.0.1", "viewer", "look");
        std::vector<uint8_t> pageA(380);
        refused = ctl_send_ioctl(CtlCmd::ctl_set_config_page, 0, 0, 0, pageA.data(), 0);
        xport_close();
        xport_reset();
    }));
    EXPECT_EQ(0x20000005u, wrong);
    EXPECT_EQ(CTL_OK, login);
    EXPECT_EQ(CTL_OK, count);
    EXPECT_EQ(expectedCount, remoteCount);
    EXPECT_EQ(CTL_OK, ioctl);
    EXPECT_EQ(board, remoteBoard);
    EXPECT_EQ(0x20000005u, refused);
    EXPECT_TRUE(box.waitForRecord("User viewer logged out."));
}
