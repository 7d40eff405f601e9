#include "net_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Each thread keeps its own failure text, so one thread's later failure
// never replaces the text another thread is about to log.
thread_local char lastError[256] = "";
std::atomic<int> wakeFd{-1};

void set_error(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void set_error(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(lastError, sizeof lastError, fmt, ap);
    va_end(ap);
}

void copy_name(NetSocket& s, const char* name)
{
    std::snprintf(s.hostName, sizeof s.hostName, "%s", name ? name : "");
}

// Closes the descriptor quietly after a failure.
void drop(NetSocket& s)
{
    if (s.fd >= 0)
        ::close(s.fd);
    s.fd = -1;
}

}  // namespace

int sock_init() { return 0; }

void sock_reset(NetSocket& s)
{
    s.addr = sockaddr_in{};
    s.fd = -1;
    std::memset(s.hostName, 0, sizeof s.hostName);
    s.cancel.store(0);
}

void sock_move(NetSocket& dst, NetSocket& src)
{
    dst.addr = src.addr;
    dst.fd = src.fd;
    std::memcpy(dst.hostName, src.hostName, sizeof dst.hostName);
    dst.cancel.store(src.cancel.load());
    src.fd = -1;
}

int sock_set_address(NetSocket& s, const char* dotted, int port)
{
    s.addr = sockaddr_in{};
    s.addr.sin_family = AF_INET;
    s.addr.sin_port = htons(static_cast<uint16_t>(port));
    if (!dotted) {
        s.addr.sin_addr.s_addr = htonl(INADDR_ANY);
        return 0;
    }
    if (inet_pton(AF_INET, dotted, &s.addr.sin_addr) != 1) {
        set_error("Unknown host '%s'", dotted);
        return -1;
    }
    return 0;
}

int sock_resolve_host(const char* name, NetSocket& s)
{
    if (!name)
        return -1;
    if (name[0] >= '0' && name[0] <= '9')
        return sock_resolve_address(name, s);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* res = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &res) != 0 || !res) {
        set_error("Unknown host '%.80s'", name);
        return -1;
    }
    s.addr.sin_family = AF_INET;
    s.addr.sin_addr = reinterpret_cast<const sockaddr_in*>(res->ai_addr)->sin_addr;
    copy_name(s, res->ai_canonname ? res->ai_canonname : name);
    freeaddrinfo(res);
    return 0;
}

int sock_resolve_address(const char* dotted, NetSocket& s)
{
    if (!dotted)
        return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    if (inet_pton(AF_INET, dotted, &a.sin_addr) != 1) {
        set_error("Unknown host '%.80s'", dotted);
        return -1;
    }
    char host[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&a), sizeof a, host, sizeof host, nullptr, 0,
                    NI_NAMEREQD) != 0) {
        set_error("Unknown host '%.80s'", dotted);
        return -1;
    }
    s.addr.sin_family = AF_INET;
    s.addr.sin_addr = a.sin_addr;
    copy_name(s, host);
    return 0;
}

int sock_peer_address(const NetSocket& s, char* buf, size_t len)
{
    char text[INET_ADDRSTRLEN];
    if (!buf || len == 0 || !inet_ntop(AF_INET, &s.addr.sin_addr, text, sizeof text)) {
        set_error("Address resolution failed.");
        return -1;
    }
    std::snprintf(buf, len, "%s", text);
    return 0;
}

int sock_host_name(char* buf, size_t len)
{
    if (!buf || len == 0)
        return -1;
    if (gethostname(buf, len) != 0)
        return -1;
    buf[len - 1] = '\0';
    return 0;
}

const char* sock_last_error() { return lastError; }

bool sock_is_open(const NetSocket& s) { return s.fd != -1; }

static int create_socket(NetSocket& s, int type)
{
    s.cancel.store(0);
    s.fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (s.fd < 0) {
        set_error("Cannot create socket (errno = %d).", errno);
        s.fd = -1;
        return -1;
    }
    return 0;
}

int sock_create_tcp(NetSocket& s) { return create_socket(s, SOCK_STREAM); }

int sock_create_udp(NetSocket& s) { return create_socket(s, SOCK_DGRAM); }

int sock_bind(NetSocket& s)
{
    if (::bind(s.fd, reinterpret_cast<const sockaddr*>(&s.addr), sizeof s.addr) != 0) {
        set_error("Cannot bind socket. Port %d already in use?", ntohs(s.addr.sin_port));
        drop(s);
        return -1;
    }
    return 0;
}

int sock_listen(NetSocket& s)
{
    if (sock_create_tcp(s) != 0)
        return -1;
    // Non-blocking, so an accept after a wake-up never blocks when the
    // client went away in between.
    int flags = fcntl(s.fd, F_GETFL);
    if (flags < 0 || fcntl(s.fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        set_error("Cannot create socket (errno = %d).", errno);
        drop(s);
        return -1;
    }
    int one = 1;
    setsockopt(s.fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (sock_bind(s) != 0)
        return -1;
    if (::listen(s.fd, 10) != 0) {
        set_error("Listen fails.");
        drop(s);
        return -1;
    }
    return 0;
}

int sock_wait_readable(NetSocket& s, int* count, int timeoutSec)
{
    constexpr int longest = INT_MAX / 1000;
    return sock_wait_readable_ms(s, count, timeoutSec < 0 ? -1 : (timeoutSec > longest ? longest : timeoutSec) * 1000);
}

int sock_wait_readable_ms(NetSocket& s, int* count, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        if (s.cancel.load())
            return SOCK_CANCELLED;
        pollfd fds[2] = {{s.fd, POLLIN, 0}, {wakeFd.load(), POLLIN, 0}};
        nfds_t n = fds[1].fd >= 0 ? 2 : 1;
        int ms = -1;
        if (timeoutMs >= 0) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            ms = left.count() < 0 ? 0 : static_cast<int>(left.count());
        }
        int rc = ::poll(fds, n, ms);
        if (rc < 0) {
            if (errno == EINTR)
                continue;  // the cancel flag is tested at the top
            set_error("Listen: select failed");
            return -1;
        }
        if (s.cancel.load() || (n == 2 && fds[1].revents != 0)) {
            set_error("Listen: canceling listening");
            return SOCK_CANCELLED;
        }
        if (rc == 0) {
            set_error("Listen: timeout");
            return SOCK_TIMEOUT;
        }
        if (fds[0].revents & POLLNVAL) {
            set_error("Listen: select failed");
            return -1;
        }
        if (count)
            *count = rc;
        return SOCK_READY;
    }
}

int sock_cancel(NetSocket& s)
{
    s.cancel.store(1);
    return 0;
}

void sock_set_wake_fd(int fd) { wakeFd.store(fd); }

int sock_accept(NetSocket& listener, NetSocket& ns)
{
    sock_reset(ns);
    socklen_t len = sizeof ns.addr;
    int fd = ::accept4(listener.fd, reinterpret_cast<sockaddr*>(&ns.addr), &len, SOCK_CLOEXEC);
    if (fd >= 0) {
        // Every reply leaves in one send: nothing is gained by holding it back.
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ns.fd = fd;
        return 0;
    }
    int e = errno;
    set_error("Listen: accept failed!");
    switch (e) {
    case EINTR: case EAGAIN: case ECONNABORTED: case EPROTO: case ENETDOWN: case ENOPROTOOPT:
    case EHOSTDOWN: case ENONET: case EHOSTUNREACH: case EOPNOTSUPP: case ENETUNREACH: case EPERM:
        return SOCK_ACCEPT_RETRY;
    case EMFILE: case ENFILE: case ENOBUFS: case ENOMEM:
        return SOCK_ACCEPT_BACKOFF;
    default:
        return -1;
    }
}

int sock_recv(NetSocket& s, void* buf, size_t len, size_t* count)
{
    if (count)
        *count = 0;
    if (len == 0)
        return 0;
    ssize_t n;
    do
        n = ::recv(s.fd, buf, len, 0);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
        set_error("Receiving function returned an error. Connection has been closed.");
        drop(s);
        return -1;
    }
    if (n == 0) {
        set_error("Connection has been closed by peer.");
        drop(s);
        return 1;
    }
    if (count)
        *count = static_cast<size_t>(n);
    return 0;
}

int sock_recv_waiting(NetSocket& s, void* buf, size_t len, size_t* count)
{
    if (count)
        *count = 0;
    if (len == 0)
        return 0;
    ssize_t n;
    do
        n = ::recv(s.fd, buf, len, MSG_DONTWAIT);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return 0;
    if (n < 0) {
        set_error("Receiving function returned an error. Connection has been closed.");
        drop(s);
        return -1;
    }
    if (n == 0) {
        set_error("Connection has been closed by peer.");
        drop(s);
        return 1;
    }
    if (count)
        *count = static_cast<size_t>(n);
    return 0;
}

int sock_send_all(NetSocket& s, const void* bytes, size_t len, size_t* count)
{
    size_t sent = 0;
    const auto* p = static_cast<const uint8_t*>(bytes);
    while (sent < len) {
        ssize_t n = ::send(s.fd, p + sent, len - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            set_error("Sending function returned an error. Socket has been closed.");
            drop(s);
            if (count)
                *count = sent;
            return -1;
        }
        sent += static_cast<size_t>(n);
    }
    if (count)
        *count = sent;
    return 0;
}

int sock_send_to(NetSocket& s, const sockaddr_in& dest, const void* bytes, size_t len, size_t* count)
{
    ssize_t n = ::sendto(s.fd, bytes, len, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&dest),
                         sizeof dest);
    if (n < 0) {
        set_error("Sending function returned an error. Socket has been closed.");
        drop(s);
        return -1;
    }
    if (count)
        *count = static_cast<size_t>(n);
    return static_cast<size_t>(n) == len ? 0 : -1;
}

int sock_close(NetSocket& s)
{
    int fd = s.fd;
    s.fd = -1;
    if (fd >= 0 && ::close(fd) != 0) {
        set_error("Socket close failed");
        return -1;
    }
    return 0;
}

int match_address_pattern(const char* pattern, const char* text)
{
    size_t n = std::strlen(pattern);
    size_t m = std::strlen(text);
    if (n > 0 && pattern[0] == '*') {
        size_t tail = n - 1;
        if (m < tail)
            return 1;
        return std::strcmp(text + (m - tail), pattern + 1) == 0 ? 0 : 1;
    }
    if (n > 0 && pattern[n - 1] == '*')
        return std::strncmp(text, pattern, n - 1) == 0 ? 0 : 1;
    return std::strcmp(pattern, text) == 0 ? 0 : 1;
}
