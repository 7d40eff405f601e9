// Sockets layer over IPv4 TCP and UDP sockets and host lookups, with a
// per-thread error text describing the last failure.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstddef>

constexpr size_t SOCK_HOST_NAME_MAX = 50;

struct NetSocket {
    sockaddr_in addr{};                  // IPv4 address, port and address in network order
    int fd = -1;                         // -1 = closed
    char hostName[SOCK_HOST_NAME_MAX + 1] = {};  // filled by the host lookups
    std::atomic<int> cancel{0};          // set by sock_cancel (also from a signal handler)

    NetSocket() = default;
    NetSocket(const NetSocket&) = delete;
    NetSocket& operator=(const NetSocket&) = delete;
};

// Results of sock_wait_readable.
constexpr int SOCK_READY = 0;
constexpr int SOCK_TIMEOUT = 2;
constexpr int SOCK_CANCELLED = 3;

// Results of sock_accept besides 0 and -1.
constexpr int SOCK_ACCEPT_RETRY = 1;    // transient (interrupted, aborted by the peer): accept again
constexpr int SOCK_ACCEPT_BACKOFF = 2;  // out of descriptors or memory: wait a little, then again

// Nothing to prepare; 0.
int sock_init();
// Clears the record; descriptor -1.
void sock_reset(NetSocket& s);
// Moves address, descriptor and host name from src into dst; src reads as closed afterwards.
void sock_move(NetSocket& dst, NetSocket& src);
// IPv4 family, the dotted address (or any address when null) and the port; -1 for a bad address.
int sock_set_address(NetSocket& s, const char* dotted, int port);
// Looks a host name (or a dotted address) up; first address and official name into s.
int sock_resolve_host(const char* name, NetSocket& s);
// Looks a dotted address up by address; first address and official name into s.
int sock_resolve_address(const char* dotted, NetSocket& s);
// The socket's address as dotted text in at most len - 1 characters.
int sock_peer_address(const NetSocket& s, char* buf, size_t len);
// The local host name; -1 on failure.
int sock_host_name(char* buf, size_t len);
// The text of the calling thread's last failure.
const char* sock_last_error();
// True when the descriptor is open.
bool sock_is_open(const NetSocket& s);
// Opens an IPv4 stream socket (close-on-exec); clears the cancel flag.
int sock_create_tcp(NetSocket& s);
// Opens an IPv4 datagram socket (close-on-exec); clears the cancel flag.
int sock_create_udp(NetSocket& s);
// Binds to the socket's address; closes the socket on failure.
int sock_bind(NetSocket& s);
// Creates a non-blocking TCP socket, binds it to the set address and listens (backlog 10).
int sock_listen(NetSocket& s);
// Waits until readable: SOCK_READY, SOCK_TIMEOUT, SOCK_CANCELLED or -1; timeoutSec -1 waits for ever.
int sock_wait_readable(NetSocket& s, int* count, int timeoutSec);
// The same wait with a timeout in milliseconds (-1 waits for ever).
int sock_wait_readable_ms(NetSocket& s, int* count, int timeoutMs);
// Sets the cancel flag; async-signal-safe.
int sock_cancel(NetSocket& s);
// A descriptor whose readability cancels every wait (the stop signal's pipe); -1 for none.
void sock_set_wake_fd(int fd);
// Accepts the next connection into ns: 0, SOCK_ACCEPT_RETRY, SOCK_ACCEPT_BACKOFF or -1.
int sock_accept(NetSocket& listener, NetSocket& ns);
// One receive: 0 with the count, 1 peer closed (socket closed), -1 error (socket closed).
int sock_recv(NetSocket& s, void* buf, size_t len, size_t* count);
// Takes bytes already received without waiting: 0 with the count (0 when
// none are there), 1 peer closed (socket closed), -1 error (socket closed).
int sock_recv_waiting(NetSocket& s, void* buf, size_t len, size_t* count);
// Sends every byte without raising SIGPIPE; -1 (socket closed) on error.
int sock_send_all(NetSocket& s, const void* bytes, size_t len, size_t* count);
// Sends one datagram to dest; -1 on error or partial send.
int sock_send_to(NetSocket& s, const sockaddr_in& dest, const void* bytes, size_t len, size_t* count);
// Closes the descriptor; -1 when the close failed (the record reads closed anyway).
int sock_close(NetSocket& s);
// 0 when the text matches the pattern ("*", "prefix*", "*suffix" or exact), else non-zero.
int match_address_pattern(const char* pattern, const char* text);
