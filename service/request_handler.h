// Requests of remote consoles: the packet header fields the server reads and
// writes, and the handler that answers one packet in place.
#pragma once

#include <cstdint>

#include "connection.h"

constexpr uint32_t PACKET_HEADER_SIZE = 56;
constexpr uint32_t PACKET_MIN_SIZE = 57;  // header and the spare byte
constexpr uint16_t PACKET_MAGIC = 0x564A;

constexpr uint16_t PACKET_STATUS_OK = 0;
constexpr uint16_t PACKET_STATUS_NOT_SERVED = 1;
constexpr uint16_t PACKET_STATUS_BAD_MAGIC = 3;

// The packet's total length (offset 0).
uint32_t packet_total_length(const uint8_t* packet);
// Answers the packet of `length` bytes in place: 0 go on, -1 login refused, -2 logout.
int handle_request(ConnectionRecord& rec, uint8_t* packet, uint32_t length);
