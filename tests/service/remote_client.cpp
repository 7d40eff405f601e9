#include "remote_client.h"

#include <crypt.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstring>

#include "byte_order.h"
#include "ranmar.h"

std::string hashOf(const char* password)
{
    crypt_data data{};
    return crypt_r(password, "$6$testsalt$", &data);
}

Packet exchange(int fd, Packet p)
{
    if (send(fd, p.data(), p.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(p.size()))
        return {};
    size_t got = 0;
    while (got < p.size()) {
        pollfd w{fd, POLLIN, 0};
        if (poll(&w, 1, 5000) <= 0)
            return {};
        ssize_t n = recv(fd, p.data() + got, p.size() - got, 0);
        if (n <= 0)
            return {};
        got += static_cast<size_t>(n);
    }
    return p;
}

Packet header(uint16_t command, uint16_t id, size_t payload)
{
    Packet p(57 + payload);
    wire::put16(p.data(), 0, static_cast<uint16_t>(p.size()));
    wire::put16(p.data(), 2, 0x564A);
    wire::put16(p.data(), 4, command);
    wire::put16(p.data(), 12, id);
    p[24] = 32;
    return p;
}

Packet loginPacket(const std::string& user, std::string pw, uint8_t encoding, uint16_t seed)
{
    if (encoding == 2) {  // scramble with the published generator
        rmarin(0, seed ^ 0x5c21);
        for (char& c : pw) {
            double x;
            ranmar(&x, 1);
            c = static_cast<char>(c ^ (static_cast<int16_t>(x * 32767.0) & 0xFF));
        }
    }
    Packet p = header(0, 0xFFFF, user.size() + pw.size());
    wire::put16(p.data(), 14, seed);
    p[16] = static_cast<uint8_t>(user.size());
    p[17] = static_cast<uint8_t>(pw.size());
    p[18] = encoding;
    std::memcpy(p.data() + 56, user.data(), user.size());
    std::memcpy(p.data() + 56 + user.size(), pw.data(), pw.size());
    return p;
}
