#include "accept_loop.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <new>

#include "admission.h"
#include "request_handler.h"
#include "service_log.h"

namespace {

constexpr int CONNECTION_WAIT_SECONDS = 5;
constexpr uint32_t CONNECTION_BUFFER_SIZE = 16384;
constexpr int ACCEPT_BACKOFF_MS = 500;

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline, at least 0.
int msUntil(Clock::time_point deadline)
{
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

bool loggedIn(const ConnectionRecord& rec) { return rec.userName[0] != '\0'; }

// Number of slots in use; under the list mutex.
int count_open()
{
    int n = 0;
    for (ConnectionRecord* r = g_connections; r; r = r->next)
        if (r->active.load())
            ++n;
    return n;
}

// Joins the thread of a slot that has ended; under the list mutex.
void reclaim(ConnectionRecord& r)
{
    if (r.hasThread) {
        thr_join(r.thread, 0, nullptr);
        r.hasThread = false;
    }
}

// Puts the new connection into the first free slot, or appends it; returns
// the slot that holds it (fresh is freed when an old slot took it over).
ConnectionRecord* place(ConnectionRecord* fresh)
{
    ConnectionRecord** link = &g_connections;
    for (; *link; link = &(*link)->next) {
        ConnectionRecord* slot = *link;
        if (slot->active.load())
            continue;
        reclaim(*slot);
        sock_move(slot->sock, fresh->sock);
        slot->access = 0;
        slot->logout = false;
        slot->userName[0] = '\0';
        delete fresh;
        return slot;
    }
    *link = fresh;
    return fresh;
}

// Admits one accepted connection and starts its thread; consumes rec.
void admit(ConnectionRecord* rec)
{
    mutex_lock(&g_connectionMutex);
    int open = count_open();
    mutex_unlock(&g_connectionMutex);
    if (open >= g_settings.maxConnections) {
        log_warning(1, "Max. connection count (%d) reached. Connection refused.", g_settings.maxConnections);
        sock_close(rec->sock);
        delete rec;
        return;
    }
    char address[65] = "";
    sock_peer_address(rec->sock, address, sizeof address);
    if (check_client_address(*rec) != 0) {
        log_warning(1, "Connection attempt from '%s' denied!", log_safe(address).c_str());
        sock_close(rec->sock);
        delete rec;
        return;
    }
    mutex_lock(&g_connectionMutex);
    ConnectionRecord* slot = place(rec);
    slot->active.store(true);
    ThreadSpec desc{1, connection_thread, slot};
    if (thr_create(&slot->thread, desc) == 0) {
        slot->hasThread = true;
    } else {
        // Without a thread the slot must not stay counted as open.
        sock_close(slot->sock);
        slot->active.store(false);
    }
    mutex_unlock(&g_connectionMutex);
}

// Joins every connection thread and frees the list.
void end_connections()
{
    mutex_lock(&g_connectionMutex);
    for (ConnectionRecord* r = g_connections; r; r = r->next)
        reclaim(*r);
    while (g_connections) {
        ConnectionRecord* next = g_connections->next;
        if (sock_is_open(g_connections->sock))
            sock_close(g_connections->sock);
        delete g_connections;
        g_connections = next;
    }
    mutex_unlock(&g_connectionMutex);
}

int serve()
{
    for (;;) {
        int rc = sock_wait_readable(g_listener, nullptr, -1);
        if (rc == SOCK_CANCELLED)
            return ACCEPT_STOPPED;
        if (rc == SOCK_TIMEOUT)
            continue;
        if (rc != SOCK_READY) {
            log_error(1, "Error: %s", sock_last_error());
            return ACCEPT_FAILED;
        }
        auto* rec = new (std::nothrow) ConnectionRecord;
        if (!rec) {
            log_error(1, "Error: Internal memory allocation error.");
            return ACCEPT_FAILED;
        }
        rc = sock_accept(g_listener, rec->sock);
        if (rc != 0)
            delete rec;
        if (rc == SOCK_ACCEPT_RETRY)
            continue;
        if (rc == SOCK_ACCEPT_BACKOFF) {
            // Out of descriptors: give running connections time to end.
            poll(nullptr, 0, ACCEPT_BACKOFF_MS);
            continue;
        }
        if (rc != 0) {
            log_error(1, "Error: Cannot accept client connection.");
            return ACCEPT_FAILED;
        }
        admit(rec);
    }
}

// Ends a connection thread's use of its slot.
void finish(ConnectionRecord& rec, ByteBuffer* buf)
{
    if (buf)
        buf_free(*buf);
    if (sock_is_open(rec.sock))
        sock_close(rec.sock);
    if (rec.userName[0]) {
        std::string user = log_safe(rec.userName);
        if (rec.logout)
            log_info(1, "User %s logged out.", user.c_str());
        else
            log_info(1, "Session of user %s terminated.", user.c_str());
    }
    rec.active.store(false);
}

}  // namespace

int recv_exact(ConnectionRecord& rec, ByteBuffer& buf, uint32_t count, Clock::time_point deadline)
{
    uint64_t need = static_cast<uint64_t>(buf.used) + count;
    if (need > buf.size && (need > UINT32_MAX || buf_resize(buf, static_cast<uint32_t>(need)) != 0))
        return -1;
    buf.cursor = buf.data + buf.used;
    uint32_t got = 0;
    while (got < count) {
        // Never more than asked for: the next request stays in the socket.
        // Bytes already there are taken without a wait; otherwise the wait
        // has one deadline for the whole packet, however its bytes trickle
        // in, and also ends at the stop signal.
        if (Clock::now() >= deadline)
            return -1;
        size_t n = 0;
        int rc = sock_recv_waiting(rec.sock, buf.cursor, count - got, &n);
        if (rc == 0 && n == 0) {
            int ready = sock_wait_readable_ms(rec.sock, nullptr, msUntil(deadline));
            if (ready != SOCK_READY)
                return -1;
            rc = sock_recv(rec.sock, buf.cursor, count - got, &n);
        }
        if (rc < 0) {
            log_error(2, "%s", sock_last_error());
            return -1;
        }
        if (rc > 0) {
            log_info(2, "Connection closed by peer.");
            return 1;
        }
        buf.cursor += n;
        buf.used += static_cast<uint32_t>(n);
        got += static_cast<uint32_t>(n);
    }
    return 0;
}

void* connection_thread(void* arg)
{
    auto& rec = *static_cast<ConnectionRecord*>(arg);
    ByteBuffer buf;
    if (buf_create(buf, CONNECTION_BUFFER_SIZE) != 0) {
        log_error(0, "Internal error: Memory allocation failed.");
        finish(rec, nullptr);
        return nullptr;
    }
    // A connection that has not logged in by its deadline is closed, so
    // that idle or trickling clients cannot hold the slots for ever.
    const auto loginDeadline = Clock::now() + std::chrono::seconds(LOGIN_DEADLINE_SECONDS);
    while (!service_stopping() && !rec.sock.cancel.load() && !rec.logout) {
        int waitMs = CONNECTION_WAIT_SECONDS * 1000;
        if (!loggedIn(rec)) {
            waitMs = std::min(waitMs, msUntil(loginDeadline));
            if (waitMs == 0)
                break;
        }
        int rc = sock_wait_readable_ms(rec.sock, nullptr, waitMs);
        if (rc == SOCK_TIMEOUT)
            continue;
        if (rc != SOCK_READY)
            break;
        // The packet's first byte is there: the whole packet must follow
        // within its deadline (and before the login deadline).
        auto packetDeadline = Clock::now() + std::chrono::seconds(PACKET_DEADLINE_SECONDS);
        if (!loggedIn(rec))
            packetDeadline = std::min(packetDeadline, loginDeadline);
        buf.used = 0;
        buf.cursor = buf.data;
        // Exactly the header, then exactly the rest of this packet.
        if (recv_exact(rec, buf, REMOTE_HEADER_SIZE, packetDeadline) != 0)
            break;
        uint32_t total = packet_total_length(buf.data);
        if (total < REMOTE_HEADER_SIZE)
            break;  // no packet is that short: nothing can be answered safely
        if (total > buf.used && recv_exact(rec, buf, total - buf.used, packetDeadline) != 0)
            break;
        // The driver's read file of a request closes after its reply has
        // gone out: the close costs a request of the driver's own, which
        // the client need not wait for.
        DrvFiles files;
        int result = handle_request(rec, buf.data, buf.used, &files);
        const int sent = sock_send_all(rec.sock, buf.data, buf.used, nullptr);
        drvCloseFiles(files);
        if (sent != 0) {
            log_error(1, "%s", sock_last_error());
            break;
        }
        if (result != 0)
            break;
    }
    finish(rec, &buf);
    return nullptr;
}

int accept_loop()
{
    sock_reset(g_listener);
    int rc = ACCEPT_FAILED;
    if (sock_set_address(g_listener, nullptr, SERVICE_PORT) != 0 || sock_listen(g_listener) != 0)
        log_error(1, "Error: %s", sock_last_error());
    else
        rc = serve();
    end_connections();
    if (sock_is_open(g_listener))
        sock_close(g_listener);
    return rc;
}
