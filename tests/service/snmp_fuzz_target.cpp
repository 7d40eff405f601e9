// Fuzz target of the trap encoder: an input becomes a community, an
// identifier, an integer and a text; whatever encodes must read back, with
// the test's own BER reader, to exactly the values put in.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ber_reader.h"
#include "snmp_ber.h"

namespace {

std::string dotted(const ObjectId& oid)
{
    std::string s;
    for (int i = 0; i < oid.count; ++i)
        s += (i ? "." : "") + std::to_string(oid.arcs[i]);
    return s;
}

// Takes the text up to the next NUL (or the end) from the input.
std::string take(const uint8_t*& p, const uint8_t* end)
{
    const uint8_t* q = p;
    while (q < end && *q)
        ++q;
    std::string s(reinterpret_cast<const char*>(p), q - p);
    p = q < end ? q + 1 : q;
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    int32_t value;
    std::memcpy(&value, data, 4);
    const uint8_t* p = data + 4;
    const uint8_t* end = data + size;
    const std::string community = take(p, end);
    const std::string id = take(p, end);
    const std::string text = take(p, end);

    ObjectId oid;
    if (oid_parse(id.c_str(), oid) != 0)
        return 0;
    TrapMessage msg;
    if (community.size() > TRAP_TEXT_MAX || id.size() > TRAP_TEXT_MAX)
        return 0;
    std::strcpy(msg.community, community.c_str());
    std::strcpy(msg.enterprise, id.c_str());
    std::strcpy(msg.agentAddress, "127.0.0.9");
    msg.specificTrap = value;
    msg.timeStamp = static_cast<uint32_t>(value) | 1;
    msg.varBindCount = 2;
    if (varbind_integer(id.c_str(), value, msg.varBinds[0]) != 0)
        abort();
    if (varbind_string(id.c_str(), text.c_str(), msg.varBinds[1]) != 0) {
        if (text.size() <= VARBIND_TEXT_MAX)
            abort();
        return 0;
    }
    ByteBuffer b;
    if (buf_create(b, 1024) != 0)
        abort();
    if (snmp_encode_trap(msg, b) == 0) {
        const auto t = BerReader::trap(std::vector<uint8_t>(b.data, b.data + b.used));
        if (!t || t->version != 0 || t->community != community || t->enterprise != dotted(oid) ||
            t->agent != "127.0.0.9" || t->generic != 6 || t->specific != value ||
            t->timeStamp != msg.timeStamp || t->bindings.size() != 2 || t->bindings[0].name != dotted(oid) ||
            t->bindings[0].type != 2 || t->bindings[0].integer != value || t->bindings[1].type != 4 ||
            t->bindings[1].text != text)
            abort();
    }
    buf_free(b);
    return 0;
}
