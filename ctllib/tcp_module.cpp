// TCP/IP client module: the machine list, the login and the exchange of one
// remote packet per library request.
#include "tcp_module.h"

#include "byte_order.h"
#include "remote_packet.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <new>

namespace {

constexpr size_t MACHINE_NAME_SIZE = 84;

// One machine the module knows.
struct MachineEntry {
    sockaddr_in addr{};
    char name[MACHINE_NAME_SIZE] = {};
};

// Process-wide module state; used by the console's single thread.
std::deque<MachineEntry> g_machines;  // grows at its end, never shrinks
int g_fd = -1;                        // the logged-in connection, -1 when none
uint16_t g_connectionId = 0;
uint16_t g_port = REMOTE_PORT;
int g_receiveDeadlineMs = TCP_RECEIVE_DEADLINE_MS;
int g_socketWaitMs = 0;  // the receive time-out set on g_fd; 0 while none is set

// Closes the connection and forgets its descriptor.
void dropSocket()
{
    if (g_fd >= 0)
        close(g_fd);
    g_fd = -1;
    g_socketWaitMs = 0;
}

// Bounds each blocking receive on the connection by `ms` milliseconds (at
// least 1); the option is set only when it changes. 0, or an errno value.
int setReceiveWait(int ms)
{
    if (ms < 1)
        ms = 1;
    if (ms == g_socketWaitMs)
        return 0;
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    if (setsockopt(g_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0)
        return errno;
    g_socketWaitMs = ms;
    return 0;
}

// Sends and receives one whole packet in place; 0, or an errno value.
int exchange(uint8_t* packet, size_t length)
{
    if (g_fd < 0)
        return ENOTCONN;
    wire::put16(packet, PKT_LENGTH, static_cast<uint16_t>(length));
    wire::put16(packet, PKT_MAGIC, REMOTE_MAGIC);
    packet[PKT_WIDTH] = PKT_WIDTH_32;
    size_t done = 0;
    while (done < length) {
        // MSG_NOSIGNAL: a closed peer must not kill the console with SIGPIPE.
        ssize_t n = send(g_fd, packet + done, length - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EPIPE;
        done += static_cast<size_t>(n);
    }
    // The whole reply must be in within the deadline; a service that stops
    // answering fails the exchange as a lost connection. One blocking
    // receive normally takes the whole reply, bounded by the socket's
    // receive time-out: the whole deadline at first, what is left of it
    // after an interruption or a part.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(g_receiveDeadlineMs);
    int waitMs = g_receiveDeadlineMs;
    done = 0;
    for (bool first = true; done < length; first = false) {
        if (!first) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return ETIMEDOUT;
            waitMs = static_cast<int>(left);
        }
        const int e = setReceiveWait(waitMs);
        if (e != 0)
            return e;
        ssize_t n = recv(g_fd, packet + done, length - done, MSG_WAITALL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;  // interrupted or timed out: the deadline is checked at the top
        if (n < 0)
            return errno;
        if (n == 0)
            return ECONNRESET;  // closed before the reply was complete
        done += static_cast<size_t>(n);
    }
    return 0;
}

// Exchanges the packet and maps the outcome to a library code. A broken
// exchange leaves the stream out of step, so the socket is closed.
CtlResult exchangeAndMap(uint8_t* packet, size_t length)
{
    int e = exchange(packet, length);
    if (e != 0) {
        dropSocket();
        return CTLERR_SOCKET + (static_cast<uint32_t>(e) & 0xFFFF);
    }
    uint16_t status = wire::get16(packet, PKT_STATUS);
    if (status != STATUS_OK)
        return CTLERR_REMOTE_STATUS + status;
    uint32_t result = wire::get32(packet, PKT_RESULT);
    if (result != 0)
        return CTLERR_ERRNO + (result & 0xFFFF);
    return CTL_OK;
}

// A packet buffer; no bytes when the allocation failed.
struct Packet {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
    uint8_t* data() const { return bytes.get(); }
};

// A zeroed packet of `length` bytes with the command and the connection id.
Packet newPacket(size_t length, uint16_t command)
{
    Packet p{std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[length]()), length};
    if (p.bytes) {
        wire::put16(p.data(), PKT_COMMAND, command);
        wire::put16(p.data(), PKT_ID, g_connectionId);
    }
    return p;
}

// A driver request packet of `length` bytes carrying request r for the controller.
Packet newDriverPacket(size_t length, uint16_t controller, const CtlRequest& r)
{
    Packet p = newPacket(length, CMD_DRIVER_REQUEST);
    if (p.bytes) {
        p.data()[PKT_CONTROLLER] = static_cast<uint8_t>(controller);
        p.data()[PKT_READONLY] = r.readOnly;
        ctlEncodeRequest(r, p.data() + PKT_REQUEST, CTL_REQUEST_WIRE_SIZE);
    }
    return p;
}

// Resolves a host name to its first IPv4 address.
bool lookupHost(const char* name, in_addr& out)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &res) != 0 || res == nullptr)
        return false;
    out = reinterpret_cast<const sockaddr_in*>(res->ai_addr)->sin_addr;
    freeaddrinfo(res);
    return true;
}

const MachineEntry* findMachine(const char* name)
{
    for (const MachineEntry& m : g_machines)
        if (std::strncmp(m.name, name, MACHINE_NAME_SIZE) == 0)
            return &m;
    return nullptr;
}

// Where the data and sense of a function-32 command travel.
struct RemoteAreas {
    uint64_t dataSize = 0;
    uint64_t senseSize = 0;
    size_t dataField = 0;   // command offset of the data address field, 0 = none
    size_t senseField = 0;  // command offset of the sense address field, 0 = none
    void* data = nullptr;
    void* sense = nullptr;
};

// The areas of a command by service and opcode; CTLERR_NOT_SERVED for a
// combination the service does not carry.
CtlResult commandAreas(const CtlCommand& c, uint8_t service, RemoteAreas& a)
{
    a = RemoteAreas{};
    if (service == CTLSVC_RAW) {
        if (c.opcode == CTLOP_SCSI) {
            a = RemoteAreas{c.dataLength, c.senseLength, 24, 56, c.data, c.sense};
            return CTL_OK;
        }
        return c.opcode == 0 || c.opcode == 3 ? CTL_OK : CTLERR_NOT_SERVED;
    }
    if (service != CTLSVC_CACHE)
        return CTLERR_NOT_SERVED;
    switch (c.opcode) {
    case 0: case 3: case CTLOP_ACCESS_RESET:
        return CTL_OK;
    case CTLOP_BLOCK_READ: case CTLOP_BLOCK_WRITE:
        a = RemoteAreas{uint64_t{c.target} * 512, 0, 20, 0, c.param, nullptr};
        return CTL_OK;
    case CTLOP_IOCTL:
        a = RemoteAreas{c.size, 0, 20, 0, c.param, nullptr};
        return CTL_OK;
    default:
        return CTLERR_NOT_SERVED;
    }
}

// Function 32: the command, its data and its sense travel in one packet.
CtlResult commandRequest(uint16_t controller, CtlRequest& r)
{
    if (r.buffer == nullptr || r.length != CTL_COMMAND_WIRE_SIZE)
        return CTLERR_BAD_ARGUMENT;
    CtlCommand& cmd = *static_cast<CtlCommand*>(r.buffer);
    RemoteAreas a;
    CtlResult rc = commandAreas(cmd, r.service, a);
    if (rc != CTL_OK)
        return rc;
    const uint64_t L = CTL_COMMAND_WIRE_SIZE;
    const uint64_t total = REMOTE_MIN_PACKET + L + a.dataSize + a.senseSize;
    if (total > REMOTE_MAX_PACKET)
        return CTLERR_NOT_SERVED;
    if ((a.dataSize != 0 && a.data == nullptr) || (a.senseSize != 0 && a.sense == nullptr))
        return CTLERR_BAD_ARGUMENT;

    Packet p = newDriverPacket(total, controller, r);
    if (!p.bytes)
        return CTLERR_NO_MEMORY;
    uint8_t* pk = p.data();
    ctlEncodeCommand(cmd, pk + PKT_PAYLOAD, CTL_COMMAND_WIRE_SIZE);
    wire::put16(pk, PKT_DATA_LENGTH, static_cast<uint16_t>(a.dataSize));
    const size_t dataAt = PKT_PAYLOAD + L;
    const size_t senseAt = dataAt + a.dataSize;
    if (a.dataSize != 0) {
        wire::putBytes(pk, dataAt, a.data, a.dataSize);
        wire::put16(pk, PKT_DATA_FIELD, static_cast<uint16_t>(PKT_PAYLOAD + a.dataField));
        wire::put32(pk, PKT_PAYLOAD + a.dataField, static_cast<uint32_t>(dataAt));
    }
    if (a.senseSize != 0) {
        wire::putBytes(pk, senseAt, a.sense, a.senseSize);
        wire::put16(pk, PKT_SENSE_FIELD, static_cast<uint16_t>(PKT_PAYLOAD + a.senseField));
    }

    rc = exchangeAndMap(pk, total);

    // The decoders leave every address field as the caller set it, so the
    // caller's own pointers survive the copy-back.
    ctlDecodeRequest(pk + PKT_REQUEST, CTL_REQUEST_WIRE_SIZE, r);
    ctlDecodeCommand(pk + PKT_PAYLOAD, CTL_COMMAND_WIRE_SIZE, cmd);
    wire::getBytes(pk, dataAt, a.data, a.dataSize);
    wire::getBytes(pk, senseAt, a.sense, a.senseSize);
    return rc;
}

// Functions other than 32: the request and its buffer travel in one packet.
CtlResult driverRequest(uint16_t controller, CtlRequest& r)
{
    const size_t L = r.length;
    if (L != 0 && r.buffer == nullptr)
        return CTLERR_BAD_ARGUMENT;
    if (REMOTE_MIN_PACKET + L > 0xFFFF)
        return CTLERR_NOT_SERVED;  // the length field could not hold it
    Packet p = newDriverPacket(REMOTE_MIN_PACKET + L, controller, r);
    if (!p.bytes)
        return CTLERR_NO_MEMORY;
    uint8_t* pk = p.data();
    wire::putBytes(pk, PKT_PAYLOAD, r.buffer, L);

    CtlResult rc = exchangeAndMap(pk, p.size);

    ctlDecodeRequest(pk + PKT_REQUEST, CTL_REQUEST_WIRE_SIZE, r);  // keeps r.buffer
    r.length = static_cast<uint16_t>(L);
    wire::getBytes(pk, PKT_PAYLOAD, r.buffer, L);
    return rc;
}

bool servedFunction(uint16_t f)
{
    switch (f) {
    case 1: case 2: case 3: case 16: case 17: case 18: case 19: case 20: case 21: case CTLFN_COMMAND:
        return true;
    default:
        return false;
    }
}

}  // namespace

CtlResult tcp_list_interfaces(InterfaceRecord* records, int* count)
{
    if (count == nullptr)
        return CTLERR_BAD_ARGUMENT;
    if (*count < 1 || records == nullptr) {
        *count = 0;
        return CTL_OK;
    }
    *count = 0;
    const char* name = records[0].name;
    const size_t len = strnlen(name, INTERFACE_NAME_SIZE);
    if (len == 0 || len >= INTERFACE_NAME_SIZE)
        return CTL_OK;  // no name, or one without its NUL inside the field
    MachineEntry m;
    m.addr.sin_family = AF_INET;
    m.addr.sin_port = htons(g_port);
    const bool letter = (name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z');
    bool ok = letter ? lookupHost(name, m.addr.sin_addr)
                     : inet_pton(AF_INET, name, &m.addr.sin_addr) == 1;
    if (!ok)
        return CTL_OK;
    std::memcpy(m.name, name, len);
    try {
        g_machines.push_back(m);
    } catch (const std::bad_alloc&) {
        return CTL_OK;  // no room for the entry: no interface
    }
    records[0].direct = 0;
    records[0].remote = 1;
    *count = 1;
    return CTL_OK;
}

CtlResult tcp_connect(const char* name, uint8_t* access, int* handle, const char* user,
                      const char* password)
{
    if (handle != nullptr)
        *handle = -1;
    const MachineEntry* m = name != nullptr ? findMachine(name) : nullptr;
    if (m == nullptr)
        return CTLERR_BAD_ARGUMENT;
    if (handle != nullptr)
        *handle = 0;
    const size_t userLen = user != nullptr ? strnlen(user, TCP_LOGIN_TEXT_MAX + 1) : 0;
    const size_t pwLen = password != nullptr ? strnlen(password, TCP_LOGIN_TEXT_MAX + 1) : 0;
    if (userLen > TCP_LOGIN_TEXT_MAX || pwLen > TCP_LOGIN_TEXT_MAX)
        return CTLERR_BAD_ARGUMENT;

    Packet p = newPacket(REMOTE_MIN_PACKET + userLen + pwLen, CMD_LOGIN);
    if (!p.bytes)
        return CTLERR_NO_MEMORY;
    uint8_t* pk = p.data();
    const uint8_t wish = access != nullptr ? *access : 0xFF;
    wire::put16(pk, PKT_ID, wish == 0xFF ? ACCESS_NO_WISH : wish);
    pk[PKT_USER_LENGTH] = static_cast<uint8_t>(userLen);
    pk[PKT_PASSWORD_LENGTH] = static_cast<uint8_t>(pwLen);
    pk[PKT_ENCODING] = PW_PLAIN;
    wire::putBytes(pk, PKT_PAYLOAD, user, userLen);
    wire::putBytes(pk, PKT_PAYLOAD + userLen, password, pwLen);

    dropSocket();  // a second login replaces the connection
    g_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (g_fd < 0) {
        int e = errno;
        g_fd = -1;
        return CTLERR_SOCKET + (static_cast<uint32_t>(e) & 0xFFFF);
    }
    int rc;
    do
        rc = connect(g_fd, reinterpret_cast<const sockaddr*>(&m->addr), sizeof m->addr);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        int e = errno;
        dropSocket();
        return CTLERR_SOCKET + (static_cast<uint32_t>(e) & 0xFFFF);
    }
    CtlResult result = exchangeAndMap(pk, p.size);
    if (result != CTL_OK) {
        dropSocket();
        return result;
    }
    g_connectionId = wire::get16(pk, PKT_SEED);
    if (access != nullptr)
        *access = static_cast<uint8_t>(wire::get16(pk, PKT_ID));
    return CTL_OK;
}

CtlResult tcp_disconnect(int handle)
{
    if (handle != 0)
        return CTLERR_BAD_ARGUMENT;
    if (g_fd >= 0) {
        Packet p = newPacket(REMOTE_MIN_PACKET, CMD_LOGOUT);
        if (p.bytes)
            exchange(p.data(), p.size);
    }
    dropSocket();
    return CTL_OK;
}

CtlResult tcp_controller_count(int handle, int* count)
{
    if (handle != 0 || count == nullptr)
        return CTLERR_BAD_ARGUMENT;
    Packet p = newPacket(REMOTE_MIN_PACKET, CMD_CONTROLLER_COUNT);
    if (!p.bytes)
        return CTLERR_NO_MEMORY;
    CtlResult rc = exchangeAndMap(p.data(), p.size);
    if (rc == CTL_OK)
        *count = p.data()[PKT_CONTROLLER];
    return rc;
}

CtlResult tcp_request(int handle, uint16_t controller, CtlRequest* request)
{
    if (handle != 0 || request == nullptr)
        return CTLERR_BAD_ARGUMENT;
    if (!servedFunction(request->function))
        return CTLERR_NOT_SERVED;
    if (request->function == CTLFN_COMMAND)
        return commandRequest(controller, *request);
    return driverRequest(controller, *request);
}

void tcp_set_port(uint16_t port) { g_port = port != 0 ? port : REMOTE_PORT; }

uint16_t tcp_connection_id() { return g_connectionId; }

void tcp_set_receive_deadline(int milliseconds)
{
    g_receiveDeadlineMs = milliseconds > 0 ? milliseconds : TCP_RECEIVE_DEADLINE_MS;
}
