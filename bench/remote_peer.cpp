#include "remote_peer.h"

#include "byte_order.h"
#include "ctl_request.h"
#include "remote_packet.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int REPLY_WAIT_MS = 10000;
constexpr size_t COMMAND_AT = PKT_PAYLOAD;
constexpr size_t DATA_AT = PKT_PAYLOAD + CTL_COMMAND_WIRE_SIZE;

std::vector<uint8_t> newPacket(size_t length, uint16_t command, uint16_t id)
{
    std::vector<uint8_t> p(length, 0);
    wire::put16(p.data(), PKT_LENGTH, static_cast<uint16_t>(length));
    wire::put16(p.data(), PKT_MAGIC, REMOTE_MAGIC);
    wire::put16(p.data(), PKT_COMMAND, command);
    wire::put16(p.data(), PKT_ID, id);
    p[PKT_WIDTH] = PKT_WIDTH_32;
    return p;
}

}  // namespace

RemotePeer::~RemotePeer()
{
    if (fd_ >= 0)
        close(fd_);
}

bool RemotePeer::login(const std::string& user, const std::string& password)
{
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    // Each packet goes out in one send: no reason to hold any of it back.
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(REMOTE_PORT);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0)
        return false;
    std::vector<uint8_t> p = newPacket(REMOTE_MIN_PACKET + user.size() + password.size(), CMD_LOGIN, ACCESS_NO_WISH);
    p[PKT_USER_LENGTH] = static_cast<uint8_t>(user.size());
    p[PKT_PASSWORD_LENGTH] = static_cast<uint8_t>(password.size());
    p[PKT_ENCODING] = PW_PLAIN;
    std::memcpy(p.data() + PKT_PAYLOAD, user.data(), user.size());
    std::memcpy(p.data() + PKT_PAYLOAD + user.size(), password.data(), password.size());
    std::vector<uint8_t> reply;
    if (!exchange(p, reply) || wire::get16(reply.data(), PKT_STATUS) != STATUS_OK)
        return false;
    id_ = wire::get16(reply.data(), PKT_SEED);
    return true;
}

std::vector<uint8_t> RemotePeer::ioctlRead(uint8_t controller, uint32_t key, uint16_t size) const
{
    std::vector<uint8_t> p = newPacket(DATA_AT + size + 1, CMD_DRIVER_REQUEST, id_);
    p[PKT_CONTROLLER] = controller;
    p[PKT_READONLY] = 1;
    CtlRequest r;
    r.function = CTLFN_COMMAND;
    r.readOnly = 1;
    r.service = CTLSVC_CACHE;
    r.length = CTL_COMMAND_WIRE_SIZE;
    ctlEncodeRequest(r, p.data() + PKT_REQUEST, CTL_REQUEST_WIRE_SIZE);
    CtlCommand c;
    c.opcode = CTLOP_IOCTL;
    c.size = size;
    c.key = key;
    c.target = CTL_TARGET_CONTROLLER;
    ctlEncodeCommand(c, p.data() + COMMAND_AT, CTL_COMMAND_WIRE_SIZE);
    wire::put16(p.data(), PKT_DATA_LENGTH, size);
    return p;
}

bool RemotePeer::exchange(const std::vector<uint8_t>& packet, std::vector<uint8_t>& reply) const
{
    if (send(fd_, packet.data(), packet.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(packet.size()))
        return false;
    reply.resize(packet.size());
    size_t got = 0;
    while (got < reply.size()) {
        // A service that stops answering ends the exchange, not the benchmark.
        pollfd w{fd_, POLLIN, 0};
        if (poll(&w, 1, REPLY_WAIT_MS) <= 0)
            return false;
        const ssize_t n = recv(fd_, reply.data() + got, reply.size() - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool RemotePeer::answers(const std::vector<uint8_t>& packet, const std::vector<uint8_t>& reply,
                         const std::vector<uint8_t>& expected)
{
    if (reply.size() != packet.size() || packet.size() != DATA_AT + expected.size() + 1)
        return false;
    if (wire::get16(reply.data(), PKT_STATUS) != STATUS_OK || wire::get32(reply.data(), PKT_RESULT) != 0)
        return false;
    if (std::memcmp(reply.data() + DATA_AT, expected.data(), expected.size()) != 0)
        return false;
    // Status, result and the request's info word are the service's; the
    // rest comes back as it was sent.
    auto same = [&](size_t from, size_t to) {
        return std::memcmp(reply.data() + from, packet.data() + from, to - from) == 0;
    };
    return same(0, PKT_STATUS) && same(PKT_ID, PKT_REQUEST + 4) && same(PKT_REQUEST + 8, DATA_AT) &&
           reply.back() == packet.back();
}
