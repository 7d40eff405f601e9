// The remote packet exchanged between the TCP/IP client module and the
// configuration service: a 56-byte little-endian header, a payload and one
// spare byte. The reply is the request changed in place.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint16_t REMOTE_PORT = 11798;
constexpr uint16_t REMOTE_MAGIC = 0x564A;
constexpr size_t REMOTE_HEADER_SIZE = 56;
constexpr size_t REMOTE_MIN_PACKET = REMOTE_HEADER_SIZE + 1;  // header and the spare byte
constexpr size_t REMOTE_MAX_PACKET = 0xFC00;                  // largest driver request packet

// Commands.
constexpr uint16_t CMD_LOGIN = 0;
constexpr uint16_t CMD_LOGOUT = 1;
constexpr uint16_t CMD_CONTROLLER_COUNT = 2;
constexpr uint16_t CMD_SERVER_ID = 3;
constexpr uint16_t CMD_DRIVER_REQUEST = 6;
constexpr uint16_t CMD_WRITE_ACCESS = 7;

// Statuses of the reply.
constexpr uint16_t STATUS_OK = 0;
constexpr uint16_t STATUS_UNKNOWN_COMMAND = 1;
constexpr uint16_t STATUS_BAD_MAGIC = 3;
constexpr uint16_t STATUS_ACCESS_DENIED = 5;
constexpr uint16_t STATUS_BAD_CONNECTION = 6;

// Access classes of a login reply.
constexpr uint16_t ACCESS_CLASS_FULL = 0;
constexpr uint16_t ACCESS_CLASS_READONLY = 1;
constexpr uint16_t ACCESS_NO_WISH = 0xFFFF;

// Password encodings.
constexpr uint8_t PW_PLAIN = 0;
constexpr uint8_t PW_SCRAMBLED = 2;

// Header offsets.
constexpr size_t PKT_LENGTH = 0;        // u16 total length
constexpr size_t PKT_MAGIC = 2;         // u16
constexpr size_t PKT_COMMAND = 4;       // u16
constexpr size_t PKT_STATUS = 6;        // u16, set by the service
constexpr size_t PKT_RESULT = 8;        // u32 library code of commands 2 and 6
constexpr size_t PKT_ID = 12;           // u16 connection id / access wish / access class
constexpr size_t PKT_SEED = 14;         // u16 login seed / connection id of the login reply
constexpr size_t PKT_CONTROLLER = 14;   // byte: controller number, or count, or major version
constexpr size_t PKT_READONLY = 15;     // byte: read-only flag, or minor version
constexpr size_t PKT_USER_LENGTH = 16;  // byte; command 3 reply: service name (8 bytes)
constexpr size_t PKT_PASSWORD_LENGTH = 17;  // byte
constexpr size_t PKT_ENCODING = 18;     // byte
constexpr size_t PKT_WIDTH = 24;        // byte: field width of the carried command in bits
constexpr size_t PKT_DATA_LENGTH = 26;  // u16
constexpr size_t PKT_DATA_FIELD = 28;   // u16 packet offset of the data address field
constexpr size_t PKT_SENSE_FIELD = 30;  // u16 packet offset of the sense address field
constexpr size_t PKT_REQUEST = 32;      // 24-byte CtlRequest
constexpr size_t PKT_PAYLOAD = 56;

constexpr size_t PKT_REQUEST_LENGTH = PKT_REQUEST + 12;  // u16 buffer length of the request
constexpr size_t PKT_REQUEST_BUFFER = PKT_REQUEST + 16;  // u32 buffer address of the request
constexpr uint8_t PKT_WIDTH_32 = 32;
constexpr uint8_t PKT_WIDTH_64 = 64;
