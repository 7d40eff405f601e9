// A small reader of SNMPv1 trap messages for the tests: it walks the BER
// elements from the first byte, checks that every length adds up, and gives
// back the values put in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct DecodedBinding {
    std::string name;   // dotted identifier
    int type = 0;       // 2, 4 or 6
    int64_t integer = 0;
    std::string text;   // OCTET STRING bytes, or the dotted OBJECT IDENTIFIER value
};

struct DecodedTrap {
    int64_t version = -1;
    std::string community;
    std::string enterprise;
    std::string agent;
    int64_t generic = -1;
    int64_t specific = -1;
    uint32_t timeStamp = 0;
    std::vector<DecodedBinding> bindings;
};

class BerReader {
public:
    BerReader(const uint8_t* p, size_t n) : p_(p), end_(p + n) {}

    // Decodes a whole message; nothing when any element or length is off.
    static std::optional<DecodedTrap> trap(const std::vector<uint8_t>& bytes)
    {
        BerReader r(bytes.data(), bytes.size());
        DecodedTrap t;
        BerReader msg, pdu, list;
        if (!r.element(0x30, msg) || !r.done() || !msg.integer(t.version) || !msg.octets(t.community) ||
            !msg.element(0xA4, pdu) || !msg.done() || !pdu.oid(t.enterprise) || !pdu.address(t.agent) ||
            !pdu.integer(t.generic) || !pdu.integer(t.specific) || !pdu.ticks(t.timeStamp) ||
            !pdu.element(0x30, list) || !pdu.done())
            return std::nullopt;
        while (!list.done()) {
            BerReader vb;
            DecodedBinding b;
            if (!list.element(0x30, vb) || !vb.oid(b.name) || vb.done())
                return std::nullopt;
            b.type = vb.p_[0];
            bool ok = b.type == 2 ? vb.integer(b.integer) : b.type == 4 ? vb.octets(b.text)
                    : b.type == 6 ? vb.oid(b.text) : false;
            if (!ok || !vb.done())
                return std::nullopt;
            t.bindings.push_back(b);
        }
        return t;
    }

    bool done() const { return p_ == end_; }

    // The next element must carry the tag; its contents go to inner.
    bool element(uint8_t tag, BerReader& inner)
    {
        if (end_ - p_ < 2 || p_[0] != tag)
            return false;
        size_t len = p_[1];
        const uint8_t* c = p_ + 2;
        if (len == 0x81 || len == 0x82) {
            const size_t k = len - 0x80;
            if (static_cast<size_t>(end_ - c) < k)
                return false;
            len = k == 1 ? c[0] : (static_cast<size_t>(c[0]) << 8 | c[1]);
            c += k;
        } else if (len > 0x80) {
            return false;
        }
        if (static_cast<size_t>(end_ - c) < len)
            return false;
        inner = BerReader(c, len);
        p_ = c + len;
        return true;
    }

    bool integer(int64_t& v)
    {
        BerReader c;
        if (!element(0x02, c) || c.end_ - c.p_ < 1 || c.end_ - c.p_ > 4)
            return false;
        v = static_cast<int8_t>(*c.p_);
        for (const uint8_t* q = c.p_ + 1; q < c.end_; ++q)
            v = v * 256 + *q;
        return true;
    }

    bool octets(std::string& s)
    {
        BerReader c;
        if (!element(0x04, c))
            return false;
        s.assign(reinterpret_cast<const char*>(c.p_), c.end_ - c.p_);
        return true;
    }

    bool oid(std::string& s)
    {
        BerReader c;
        if (!element(0x06, c) || c.done())
            return false;
        std::vector<uint64_t> subs;
        uint64_t cur = 0;
        for (const uint8_t* q = c.p_; q < c.end_; ++q) {
            cur = cur * 128 + (*q & 0x7F);
            if (!(*q & 0x80)) {
                subs.push_back(cur);
                cur = 0;
            } else if (q + 1 == c.end_) {
                return false;
            }
        }
        const uint64_t first = subs[0] < 80 ? subs[0] / 40 : 2;
        s = std::to_string(first) + "." + std::to_string(subs[0] - 40 * first);
        for (size_t i = 1; i < subs.size(); ++i)
            s += "." + std::to_string(subs[i]);
        return true;
    }

    bool address(std::string& s)
    {
        BerReader c;
        if (!element(0x40, c) || c.end_ - c.p_ != 4)
            return false;
        s = std::to_string(c.p_[0]) + "." + std::to_string(c.p_[1]) + "." + std::to_string(c.p_[2]) + "." +
            std::to_string(c.p_[3]);
        return true;
    }

    bool ticks(uint32_t& v)
    {
        BerReader c;
        if (!element(0x43, c) || c.end_ - c.p_ != 4)
            return false;
        v = static_cast<uint32_t>(c.p_[0]) << 24 | c.p_[1] << 16 | c.p_[2] << 8 | c.p_[3];
        return true;
    }

    BerReader() = default;

private:
    const uint8_t* p_ = nullptr;
    const uint8_t* end_ = nullptr;
};
