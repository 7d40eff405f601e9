// Requests of remote consoles: the handler that answers one packet in place.
#pragma once

#include <cstdint>

#include "connection.h"
#include "driver_io.h"
#include "remote_packet.h"

// Version and name the service identifies itself with (command 3).
constexpr uint8_t SERVER_VERSION_MAJOR = 1;
constexpr uint8_t SERVER_VERSION_MINOR = 12;
constexpr const char* SERVER_ID_NAME = "dulm";

// Results of handle_request.
constexpr int REQUEST_GO_ON = 0;
constexpr int REQUEST_LOGIN_REFUSED = -1;
constexpr int REQUEST_LOGOUT = -2;

// The packet's total length (offset 0).
uint32_t packet_total_length(const uint8_t* packet);
// Answers the packet of `length` received bytes in place: 0 go on, -1 login
// refused, -2 logout. Nothing outside the length is read or written. With
// `files`, a driver request may leave the driver's read file open there for
// the caller to close once the reply is sent.
int handle_request(ConnectionRecord& rec, uint8_t* packet, uint32_t length, DrvFiles* files = nullptr);
