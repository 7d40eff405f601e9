// A client of the remote console protocol written from the packet layout
// alone, for the tests that attack the real service.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Packet = std::vector<uint8_t>;

// The SHA-512 crypt hash of the password, for test shadow files.
std::string hashOf(const char* password);
// Sends the packet and reads a reply of the same length; empty when the
// service closed or did not answer within five seconds.
Packet exchange(int fd, Packet p);
// A packet of the command with the connection id and `payload` zero bytes.
Packet header(uint16_t command, uint16_t id, size_t payload = 0);
// A login packet; encoding 2 scrambles the password with the seed.
Packet loginPacket(const std::string& user, std::string pw, uint8_t encoding = 0, uint16_t seed = 0);
