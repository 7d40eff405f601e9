#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>

#include "net_socket.h"

namespace {

using Clock = std::chrono::steady_clock;

// A connected pair of stream sockets, the first wrapped as a NetSocket.
struct SocketPair : ::testing::Test {
    NetSocket s;
    int peer = -1;
    SocketPair()
    {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        s.fd = fds[0];
        peer = fds[1];
    }
    ~SocketPair() override
    {
        sock_close(s);
        if (peer >= 0)
            close(peer);
        sock_set_wake_fd(-1);
    }
};

TEST_F(SocketPair, WaitTimesOutWithoutData)
{
    auto t0 = Clock::now();
    EXPECT_EQ(sock_wait_readable(s, nullptr, 1), SOCK_TIMEOUT);
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(950));
    EXPECT_STREQ(sock_last_error(), "Listen: timeout");
}

TEST_F(SocketPair, WaitSeesDataCancelAndWake)
{
    ASSERT_EQ(write(peer, "x", 1), 1);
    int count = 0;
    EXPECT_EQ(sock_wait_readable(s, &count, -1), SOCK_READY);
    EXPECT_EQ(count, 1);
    sock_cancel(s);
    EXPECT_EQ(sock_wait_readable(s, nullptr, -1), SOCK_CANCELLED);
    s.cancel.store(0);
    // A readable wake descriptor ends even a wait without time-out.
    int wake[2];
    ASSERT_EQ(pipe2(wake, O_CLOEXEC), 0);
    char c;
    ASSERT_EQ(read(s.fd, &c, 1), 1);
    sock_set_wake_fd(wake[0]);
    ASSERT_EQ(write(wake[1], "w", 1), 1);
    EXPECT_EQ(sock_wait_readable(s, nullptr, -1), SOCK_CANCELLED);
    close(wake[0]);
    close(wake[1]);
}

TEST_F(SocketPair, PeerCloseEndsReceiveAndSendFailsWithoutSignal)
{
    close(peer);
    peer = -1;
    // Sending to a closed peer must fail, not raise SIGPIPE (which would end the test).
    struct sigaction old {};
    sigaction(SIGPIPE, nullptr, &old);
    ASSERT_EQ(old.sa_handler, SIG_DFL);
    char buf[4];
    size_t n = 99;
    EXPECT_EQ(sock_recv(s, buf, sizeof buf, &n), 1);
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(sock_is_open(s));
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    close(fds[1]);
    s.fd = fds[0];
    std::string big(1 << 16, 'b');
    EXPECT_EQ(sock_send_all(s, big.data(), big.size(), nullptr), -1);
    EXPECT_STREQ(sock_last_error(), "Sending function returned an error. Socket has been closed.");
    EXPECT_FALSE(sock_is_open(s));
}

TEST_F(SocketPair, ReceiveWithoutWaitTakesOnlyWhatIsThere)
{
    char buf[8] = {};
    size_t n = 99;
    // Nothing there: no bytes, no wait, the connection stays.
    EXPECT_EQ(sock_recv_waiting(s, buf, sizeof buf, &n), 0);
    EXPECT_EQ(n, 0u);
    EXPECT_TRUE(sock_is_open(s));
    // Bytes there: at most the count asked for; the rest stays in the socket.
    ASSERT_EQ(write(peer, "abcdef", 6), 6);
    EXPECT_EQ(sock_recv_waiting(s, buf, 4, &n), 0);
    EXPECT_EQ(std::string(buf, n), "abcd");
    EXPECT_EQ(sock_recv_waiting(s, buf, sizeof buf, &n), 0);
    EXPECT_EQ(std::string(buf, n), "ef");
    // The peer gone: closed, as sock_recv reports it.
    close(peer);
    peer = -1;
    EXPECT_EQ(sock_recv_waiting(s, buf, sizeof buf, &n), 1);
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(sock_is_open(s));
}

TEST(NetSocket, SocketsAreCloseOnExec)
{
    NetSocket t, u;
    ASSERT_EQ(sock_create_tcp(t), 0);
    ASSERT_EQ(sock_create_udp(u), 0);
    EXPECT_TRUE(fcntl(t.fd, F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(fcntl(u.fd, F_GETFD) & FD_CLOEXEC);
    sock_close(t);
    sock_close(u);
}

TEST(NetSocket, AddressesAndLookups)
{
    NetSocket s;
    char text[16];
    ASSERT_EQ(sock_set_address(s, "10.1.2.3", 162), 0);
    ASSERT_EQ(sock_peer_address(s, text, sizeof text), 0);
    EXPECT_STREQ(text, "10.1.2.3");
    char shortText[5];
    ASSERT_EQ(sock_peer_address(s, shortText, sizeof shortText), 0);
    EXPECT_STREQ(shortText, "10.1");  // bounded to length - 1
    EXPECT_EQ(sock_set_address(s, "10.1.2", 1), -1);
    EXPECT_EQ(sock_resolve_host(nullptr, s), -1);
    ASSERT_EQ(sock_resolve_host("localhost", s), 0);
    ASSERT_EQ(sock_peer_address(s, text, sizeof text), 0);
    EXPECT_STREQ(text, "127.0.0.1");
}

TEST(NetSocket, AcceptBacksOffWhenOutOfDescriptors)
{
    NetSocket listener, client, conn, none;
    ASSERT_EQ(sock_set_address(listener, "127.0.0.1", 0), 0);
    ASSERT_EQ(sock_listen(listener), 0);
    sockaddr_in bound{};
    socklen_t len = sizeof bound;
    ASSERT_EQ(getsockname(listener.fd, reinterpret_cast<sockaddr*>(&bound), &len), 0);
    ASSERT_EQ(sock_create_tcp(client), 0);
    ASSERT_EQ(connect(client.fd, reinterpret_cast<sockaddr*>(&bound), sizeof bound), 0);
    ASSERT_EQ(sock_wait_readable(listener, nullptr, 5), SOCK_READY);

    // No descriptor left: the accept must ask for a pause, not end serving.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    int lowest = dup(0);
    close(lowest);
    rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(lowest);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    int rc = sock_accept(listener, conn);
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(rc, SOCK_ACCEPT_BACKOFF);
    EXPECT_FALSE(sock_is_open(conn));

    EXPECT_EQ(sock_accept(listener, conn), 0);
    EXPECT_TRUE(fcntl(conn.fd, F_GETFD) & FD_CLOEXEC);
    // Nothing waiting on the non-blocking listener: try again later.
    EXPECT_EQ(sock_accept(listener, none), SOCK_ACCEPT_RETRY);
    sock_close(client);
    sock_close(conn);
    sock_close(listener);
}

}  // namespace
