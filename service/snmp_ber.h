// SNMPv1 trap messages and their BER encoding. Every element is inserted at
// the front of a byte buffer, so a message is built from its last byte to its
// first and each length is known before its header is written.
#pragma once

#include <cstdint>

#include "byte_buffer.h"

constexpr int OID_MAX_ARCS = 128;
constexpr int VARBIND_TEXT_MAX = 256;
constexpr int TRAP_VARBINDS_MAX = 10;
constexpr int TRAP_TEXT_MAX = 100;       // community, enterprise and agent address texts
constexpr uint32_t OID_ARC_MAX = 268435455;  // 28 bits
constexpr uint32_t OID_CONTENT_MAX = 126;    // content bytes of one identifier

// Value types of a variable binding.
constexpr int VARBIND_INTEGER = 2;
constexpr int VARBIND_OCTET_STRING = 4;
constexpr int VARBIND_OBJECT_ID = 6;

// An object identifier: its arcs in order.
struct ObjectId {
    int32_t count = 0;
    uint32_t arcs[OID_MAX_ARCS] = {};
};

// One variable binding: an identifier and an INTEGER, OCTET STRING or OBJECT IDENTIFIER value.
struct VarBind {
    ObjectId name;
    int type = VARBIND_INTEGER;
    int32_t integer = 0;
    char text[VARBIND_TEXT_MAX + 1] = "";
    ObjectId oid;
};

// One Trap-PDU with its message fields.
struct TrapMessage {
    char community[TRAP_TEXT_MAX + 1] = "";
    char enterprise[TRAP_TEXT_MAX + 1] = "";
    char agentAddress[TRAP_TEXT_MAX + 1] = "";
    int32_t specificTrap = 0;
    uint32_t timeStamp = 0;  // 0: the current time when the message is encoded
    int32_t varBindCount = 0;
    VarBind varBinds[TRAP_VARBINDS_MAX];
};

// Reads dotted decimal arcs (at most 128); -1 for any other character, an empty arc or an overflow.
int oid_parse(const char* dotted, ObjectId& out);
// An INTEGER binding under the dotted identifier; -1 when the identifier does not parse.
int varbind_integer(const char* dotted, int32_t value, VarBind& vb);
// An OCTET STRING binding; -1 for a bad identifier or a text longer than 256 characters.
int varbind_string(const char* dotted, const char* text, VarBind& vb);
// Copies a text into a binding's value area; -1 for a text longer than 256 characters.
int varbind_set_string(const char* text, char (&area)[VARBIND_TEXT_MAX + 1]);

// Each inserts one encoded element at the front of the buffer and stores its
// encoded length in *length; 0, or -1 for a value out of range or no memory.
int ber_integer(ByteBuffer& b, int32_t value, uint32_t* length);
int ber_octet_string(ByteBuffer& b, const char* text, uint32_t* length);
int ber_oid(ByteBuffer& b, const ObjectId& oid, uint32_t* length);
int ber_varbind(ByteBuffer& b, const VarBind& vb, uint32_t* length);

// Encodes the whole message into an empty buffer; 0, or -1 without a usable agent address or on any range error.
int snmp_encode_trap(const TrapMessage& msg, ByteBuffer& b);
