#include "snmp_ber.h"

#include <arpa/inet.h>

#include <cstring>
#include <ctime>

namespace {

// Inserts bytes at the front of the buffer.
int prepend(ByteBuffer& b, const uint8_t* bytes, uint32_t n) { return buf_insert(b, 0, bytes, n); }

// Inserts a tag with a two-byte length (tag 0x82 hi lo) in front of `length` content bytes.
int prepend_long_header(ByteBuffer& b, uint8_t tag, uint32_t length)
{
    if (length > 0xFFFF)
        return -1;
    const uint8_t h[4] = {tag, 0x82, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    return prepend(b, h, sizeof h);
}

// Inserts a tag, a four-byte length mark and a 32-bit value, most significant byte first.
int prepend_u32(ByteBuffer& b, uint8_t tag, uint32_t v)
{
    const uint8_t e[6] = {tag, 4, static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                          static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    return prepend(b, e, sizeof e);
}

}  // namespace

int oid_parse(const char* dotted, ObjectId& out)
{
    out = ObjectId{};
    if (!dotted || !*dotted)
        return -1;
    const char* p = dotted;
    while (true) {
        if (*p < '0' || *p > '9' || out.count == OID_MAX_ARCS)
            return -1;
        uint64_t arc = 0;
        while (*p >= '0' && *p <= '9') {
            arc = arc * 10 + static_cast<uint64_t>(*p - '0');
            if (arc > UINT32_MAX)
                return -1;
            ++p;
        }
        out.arcs[out.count++] = static_cast<uint32_t>(arc);
        if (*p == '\0')
            return 0;
        if (*p != '.')
            return -1;
        ++p;
    }
}

int varbind_set_string(const char* text, char (&area)[VARBIND_TEXT_MAX + 1])
{
    if (!text || std::strlen(text) > VARBIND_TEXT_MAX)
        return -1;
    std::memcpy(area, text, std::strlen(text) + 1);
    return 0;
}

int varbind_integer(const char* dotted, int32_t value, VarBind& vb)
{
    vb = VarBind{};
    if (oid_parse(dotted, vb.name) != 0)
        return -1;
    vb.type = VARBIND_INTEGER;
    vb.integer = value;
    return 0;
}

int varbind_string(const char* dotted, const char* text, VarBind& vb)
{
    vb = VarBind{};
    if (oid_parse(dotted, vb.name) != 0)
        return -1;
    vb.type = VARBIND_OCTET_STRING;
    return varbind_set_string(text, vb.text);
}

int ber_integer(ByteBuffer& b, int32_t value, uint32_t* length)
{
    const uint32_t v = static_cast<uint32_t>(value);
    uint8_t bytes[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    // Drop leading bytes that only repeat the sign of the byte after them.
    int first = 0;
    while (first < 3 && ((bytes[first] == 0x00 && !(bytes[first + 1] & 0x80)) ||
                         (bytes[first] == 0xFF && (bytes[first + 1] & 0x80))))
        ++first;
    const uint32_t n = static_cast<uint32_t>(4 - first);
    const uint8_t head[2] = {0x02, static_cast<uint8_t>(n)};
    if (prepend(b, bytes + first, n) != 0 || prepend(b, head, 2) != 0)
        return -1;
    if (length)
        *length = n + 2;
    return 0;
}

int ber_octet_string(ByteBuffer& b, const char* text, uint32_t* length)
{
    if (!text)
        return -1;
    const size_t n = std::strlen(text);
    if (n > VARBIND_TEXT_MAX)
        return -1;
    if (prepend(b, reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(n)) != 0)
        return -1;
    uint32_t head = 0;
    if (n <= 126) {
        const uint8_t h[2] = {0x04, static_cast<uint8_t>(n)};
        head = 2;
        if (prepend(b, h, head) != 0)
            return -1;
    } else {
        head = 4;
        if (prepend_long_header(b, 0x04, static_cast<uint32_t>(n)) != 0)
            return -1;
    }
    if (length)
        *length = static_cast<uint32_t>(n) + head;
    return 0;
}

int ber_oid(ByteBuffer& b, const ObjectId& oid, uint32_t* length)
{
    if (oid.count < 2 || oid.count > OID_MAX_ARCS || oid.arcs[0] > 2 ||
        (oid.arcs[0] < 2 && oid.arcs[1] >= 40))
        return -1;
    for (int i = 0; i < oid.count; ++i)
        if (oid.arcs[i] > OID_ARC_MAX)
            return -1;
    // Content bytes, written back to front into a local area.
    uint8_t content[OID_CONTENT_MAX];
    uint32_t used = 0;
    for (int i = oid.count - 1; i >= 1; --i) {
        uint64_t sub = i == 1 ? 40ull * oid.arcs[0] + oid.arcs[1] : oid.arcs[i];
        bool last = true;
        do {
            if (used == OID_CONTENT_MAX)
                return -1;
            content[OID_CONTENT_MAX - 1 - used++] = static_cast<uint8_t>((sub & 0x7F) | (last ? 0 : 0x80));
            last = false;
            sub >>= 7;
        } while (sub);
    }
    const uint8_t head[2] = {0x06, static_cast<uint8_t>(used)};
    if (prepend(b, content + OID_CONTENT_MAX - used, used) != 0 || prepend(b, head, 2) != 0)
        return -1;
    if (length)
        *length = used + 2;
    return 0;
}

int ber_varbind(ByteBuffer& b, const VarBind& vb, uint32_t* length)
{
    const uint32_t mark = b.used;
    int rc = -1;
    switch (vb.type) {
    case VARBIND_INTEGER: rc = ber_integer(b, vb.integer, nullptr); break;
    case VARBIND_OCTET_STRING: rc = ber_octet_string(b, vb.text, nullptr); break;
    case VARBIND_OBJECT_ID: rc = ber_oid(b, vb.oid, nullptr); break;
    default: break;
    }
    if (rc != 0 || ber_oid(b, vb.name, nullptr) != 0)
        return -1;
    if (prepend_long_header(b, 0x30, b.used - mark) != 0)
        return -1;
    if (length)
        *length = b.used - mark;
    return 0;
}

int snmp_encode_trap(const TrapMessage& msg, ByteBuffer& b)
{
    in_addr agent{};
    if (b.used != 0 || msg.varBindCount < 0 || msg.varBindCount > TRAP_VARBINDS_MAX ||
        msg.agentAddress[0] == '\0' || inet_pton(AF_INET, msg.agentAddress, &agent) != 1)
        return -1;
    for (int i = msg.varBindCount - 1; i >= 0; --i)
        if (ber_varbind(b, msg.varBinds[i], nullptr) != 0)
            return -1;
    if (prepend_long_header(b, 0x30, b.used) != 0)
        return -1;
    const uint32_t stamp = msg.timeStamp ? msg.timeStamp : static_cast<uint32_t>(std::time(nullptr));
    const uint32_t address = ntohl(agent.s_addr);
    ObjectId enterprise;
    if (prepend_u32(b, 0x43, stamp) != 0 || ber_integer(b, msg.specificTrap, nullptr) != 0 ||
        ber_integer(b, 6, nullptr) != 0 || prepend_u32(b, 0x40, address) != 0 ||
        oid_parse(msg.enterprise, enterprise) != 0 || ber_oid(b, enterprise, nullptr) != 0)
        return -1;
    const uint32_t pdu = b.used;
    if (pdu <= 254) {
        const uint8_t h[3] = {0xA4, 0x81, static_cast<uint8_t>(pdu)};
        if (prepend(b, h, 3) != 0)
            return -1;
    } else if (prepend_long_header(b, 0xA4, pdu) != 0) {
        return -1;
    }
    if (ber_octet_string(b, msg.community, nullptr) != 0 || ber_integer(b, 0, nullptr) != 0)
        return -1;
    return prepend_long_header(b, 0x30, b.used);
}
