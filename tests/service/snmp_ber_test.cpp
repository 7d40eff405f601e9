// The trap encoder element by element, a whole message worked out by hand,
// the length forms at their borders, and a bounded run of the fuzz target.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <ctl_driver_records.h>

#include "ber_reader.h"
#include "service_settings.h"
#include "snmp_ber.h"
#include "snmp_trap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

// Runs one encoder on a fresh buffer; the bytes, or nothing when it failed.
template <typename F>
std::optional<Bytes> encode(F f)
{
    ByteBuffer b;
    EXPECT_EQ(0, buf_create(b, 16));
    uint32_t length = 0;
    std::optional<Bytes> out;
    if (f(b, &length) == 0) {
        out = Bytes(b.data, b.data + b.used);
        EXPECT_EQ(length, b.used);
    }
    buf_free(b);
    return out;
}

std::optional<Bytes> integer(int32_t v)
{
    return encode([&](ByteBuffer& b, uint32_t* n) { return ber_integer(b, v, n); });
}

std::optional<Bytes> oid(const char* dotted)
{
    ObjectId id;
    if (oid_parse(dotted, id) != 0)
        return std::nullopt;
    return encode([&](ByteBuffer& b, uint32_t* n) { return ber_oid(b, id, n); });
}

std::string dots(int arcs)
{
    std::string s = "1.3";
    for (int i = 2; i < arcs; ++i)
        s += ".1";
    return s;
}

}  // namespace

TEST(BerEncoder, IntegersInTheFewestBytesThatHoldTheSign)
{
    const struct { int32_t v; Bytes bytes; } cases[] = {
        {0, {0x02, 0x01, 0x00}},
        {127, {0x02, 0x01, 0x7F}},
        {128, {0x02, 0x02, 0x00, 0x80}},
        {-1, {0x02, 0x01, 0xFF}},
        {-128, {0x02, 0x01, 0x80}},
        {-129, {0x02, 0x02, 0xFF, 0x7F}},
        {2147483647, {0x02, 0x04, 0x7F, 0xFF, 0xFF, 0xFF}},
        {-2147483647 - 1, {0x02, 0x04, 0x80, 0x00, 0x00, 0x00}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bytes, integer(c.v)) << c.v;
}

TEST(BerEncoder, ObjectIdentifiersAndTheirRanges)
{
    const struct { const char* id; std::optional<Bytes> bytes; } cases[] = {
        {"1.3", Bytes{0x06, 0x01, 0x2B}},
        {"1.3.128", Bytes{0x06, 0x03, 0x2B, 0x81, 0x00}},
        {"1.3.32473", Bytes{0x06, 0x04, 0x2B, 0x81, 0xFD, 0x59}},
        {"1.3.268435455", Bytes{0x06, 0x05, 0x2B, 0xFF, 0xFF, 0xFF, 0x7F}},
        {"2.100", Bytes{0x06, 0x02, 0x81, 0x34}},
        {"0.39", Bytes{0x06, 0x01, 0x27}},
        {"1.3.268435456", std::nullopt},  // an arc over 28 bits
        {"3.1", std::nullopt},            // first arc above 2
        {"1.40", std::nullopt},           // second arc of 40 under 1
        {"1", std::nullopt},              // a single arc
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bytes, oid(c.id)) << c.id;
    // 126 content bytes still fit one length byte; 127 are refused.
    const auto longest = oid(dots(127).c_str());
    ASSERT_TRUE(longest);
    EXPECT_EQ(0x7E, (*longest)[1]);
    EXPECT_FALSE(oid(dots(128).c_str()));
}

TEST(BerEncoder, ParsingDottedIdentifiers)
{
    ObjectId id;
    EXPECT_EQ(0, oid_parse("1.3.6.1.4.1.32473", id));
    EXPECT_EQ(7, id.count);
    EXPECT_EQ(32473u, id.arcs[6]);
    for (const char* bad : {"", "1..3", "1.3.", ".1.3", "1.3a", "a", "1.-3", "1.4294967296"})
        EXPECT_EQ(-1, oid_parse(bad, id)) << bad;
    EXPECT_EQ(0, oid_parse(dots(128).c_str(), id));
    EXPECT_EQ(-1, oid_parse(dots(129).c_str(), id));
}

TEST(BerEncoder, OctetStringLengthForms)
{
    auto octets = [](size_t n) {
        const std::string text(n, 'x');
        return encode([&](ByteBuffer& b, uint32_t* len) { return ber_octet_string(b, text.c_str(), len); });
    };
    auto head = [&](size_t n, size_t k) {
        const auto b = octets(n);
        return b ? Bytes(b->begin(), b->begin() + k) : Bytes{};
    };
    EXPECT_EQ((Bytes{0x04, 0x7E}), head(126, 2));
    EXPECT_EQ((Bytes{0x04, 0x82, 0x00, 0x7F}), head(127, 4));
    EXPECT_EQ((Bytes{0x04, 0x82, 0x00, 0xC8}), head(200, 4));
    EXPECT_EQ(260u, octets(256)->size());
    EXPECT_FALSE(octets(257));
    VarBind vb;
    EXPECT_EQ(-1, varbind_string("1.3", std::string(257, 'x').c_str(), vb));
}

TEST(SnmpTrap, WholeMessageWorkedOutByHand)
{
    settings_reset();
    std::strcpy(g_settings.trapCommunity, "public");
    std::strcpy(g_settings.agentAddress, "127.0.0.1");
    EventRecord e;
    e.data[0] = 1;  // controller 1
    e.data[4] = 7;  // event number 7
    e.severity = 1;
    TrapMessage msg;
    ASSERT_EQ(0, build_event_trap(e, "Adapter 1, x", 0x01020304, msg));
    ByteBuffer b;
    ASSERT_EQ(0, buf_create(b, 1024));
    ASSERT_EQ(0, snmp_encode_trap(msg, b));
    const Bytes got(b.data, b.data + b.used);
    buf_free(b);

    const Bytes ent = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x81, 0xFD, 0x59, 0x02, 0x79, 0x01, 0x01};
    auto var = [&](uint8_t k, const Bytes& value) {
        Bytes v = {0x30, 0x82, 0x00, static_cast<uint8_t>(16 + value.size()), 0x06, 0x0E};
        v.insert(v.end(), ent.begin(), ent.end());
        v.push_back(0x0A);
        v.push_back(k);
        v.insert(v.end(), value.begin(), value.end());
        return v;
    };
    Bytes text = {0x04, 0x0C};
    for (char c : std::string("Adapter 1, x"))
        text.push_back(static_cast<uint8_t>(c));
    Bytes want = {0x30, 0x82, 0x00, 0x9C,                          // message, 156 bytes
                  0x02, 0x01, 0x00,                                // version 0
                  0x04, 0x06, 'p', 'u', 'b', 'l', 'i', 'c',         // community
                  0xA4, 0x81, 0x8E,                                // Trap-PDU, 142 bytes
                  0x06, 0x0C};
    want.insert(want.end(), ent.begin(), ent.end());               // enterprise
    for (uint8_t x : {0x40, 0x04, 127, 0, 0, 1,                    // agent address
                      0x02, 0x01, 0x06,                            // generic trap 6
                      0x02, 0x01, 0x65,                            // specific trap 101 (warning)
                      0x43, 0x04, 0x01, 0x02, 0x03, 0x04,          // time stamp
                      0x30, 0x82, 0x00, 0x6A})                     // variable bindings, 106 bytes
        want.push_back(x);
    for (const Bytes& v : {var(1, {0x02, 0x01, 0x01}), var(2, {0x02, 0x01, 0x07}),
                           var(3, {0x02, 0x04, 0x01, 0x02, 0x03, 0x04}), var(4, text)})
        want.insert(want.end(), v.begin(), v.end());
    EXPECT_EQ(want, got);
}

TEST(SnmpTrap, SeverityGivesTheSpecificCode)
{
    settings_reset();
    std::strcpy(g_settings.agentAddress, "127.0.0.1");
    const struct { uint32_t severity; int32_t code; } cases[] = {{0, 102}, {1, 101}, {2, 100}, {3, 101}, {7, 101}};
    for (const auto& c : cases) {
        EventRecord e;
        e.severity = c.severity;
        TrapMessage msg;
        ASSERT_EQ(0, build_event_trap(e, "t", 1, msg));
        EXPECT_EQ(c.code, msg.specificTrap) << c.severity;
        EXPECT_STREQ("brantu", msg.community);
    }
}

TEST(SnmpTrap, PduLengthFormAtItsBorder)
{
    // The text length that makes the PDU contents 254 bytes keeps the one-byte
    // form; one more character takes the two-byte form.
    settings_reset();
    std::strcpy(g_settings.agentAddress, "127.0.0.1");
    const size_t pduAt = 4 + 3 + 2 + std::strlen(g_settings.trapCommunity);
    bool seen254 = false, seen255 = false;
    for (size_t n = 100; n <= 140; ++n) {
        TrapMessage msg;
        ASSERT_EQ(0, build_event_trap(EventRecord{}, std::string(n, 'a').c_str(), 0x01020304, msg));
        ByteBuffer b;
        ASSERT_EQ(0, buf_create(b, 1024));
        ASSERT_EQ(0, snmp_encode_trap(msg, b));
        const Bytes m(b.data, b.data + b.used);
        buf_free(b);
        ASSERT_TRUE(BerReader::trap(m)) << n;
        ASSERT_EQ(0xA4, m[pduAt]);
        const size_t contents = m.size() - pduAt - (m[pduAt + 1] == 0x81 ? 3 : 4);
        if (contents == 254) {
            seen254 = true;
            EXPECT_EQ((Bytes{0xA4, 0x81, 0xFE}), Bytes(m.begin() + pduAt, m.begin() + pduAt + 3));
        }
        if (contents == 255) {
            seen255 = true;
            EXPECT_EQ((Bytes{0xA4, 0x82, 0x00, 0xFF}), Bytes(m.begin() + pduAt, m.begin() + pduAt + 4));
        }
    }
    EXPECT_TRUE(seen254 && seen255);
}

TEST(SnmpTrap, NoAgentAddressOrTooLongATextBuildsNothing)
{
    settings_reset();
    TrapMessage msg;
    ASSERT_EQ(0, build_event_trap(EventRecord{}, "x", 5, msg));
    ByteBuffer b;
    ASSERT_EQ(0, buf_create(b, 1024));
    EXPECT_EQ(-1, snmp_encode_trap(msg, b));  // no agent address
    buf_free(b);
    std::strcpy(g_settings.agentAddress, "127.0.0.1");
    EXPECT_EQ(-1, build_event_trap(EventRecord{}, std::string(257, 'x').c_str(), 5, msg));
}

TEST(SnmpFuzz, EncoderRunsForABoundedTime)
{
    // Mutated seeds for two seconds with a fixed seed, so a failure replays.
    std::mt19937 gen(11);
    const std::vector<std::string> seeds = {
        std::string("\x07\x00\x00\x00", 4) + "public" + '\0' + "1.3.6.1.4.1.32473" + '\0' + "Adapter 0, event",
        std::string("\x80\xFF\xFF\xFF", 4) + "c" + '\0' + "2.999.268435455" + '\0' + std::string(250, 'y'),
        std::string("\x00\x00\x00\x00", 4) + '\0' + "0.39" + '\0',
    };
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        std::string in = seeds[gen() % seeds.size()];
        for (int k = 1 + static_cast<int>(gen() % 4); k > 0; --k) {
            const size_t at = gen() % in.size();
            switch (gen() % 3) {
            case 0: in[at] = static_cast<char>(gen()); break;
            case 1: in.insert(at, 1, "0123456789."[gen() % 11]); break;
            default: if (in.size() > 4) in.erase(at, 1); break;
            }
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(in.data()), in.size());
    }
}
