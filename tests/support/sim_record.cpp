#include "sim_record.h"

#include <cstdlib>

std::optional<SimRecord> SimRecord::parse(const std::string& line)
{
    std::vector<std::string> f;
    for (size_t from = 0;;) {
        const size_t tab = line.find('\t', from);
        f.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos)
            break;
        from = tab + 1;
    }
    if (f.size() < 11)
        return std::nullopt;
    const auto number = [](const std::string& s) { return std::strtol(s.c_str(), nullptr, 0); };
    SimRecord r;
    r.entry = static_cast<int>(number(f[0]));
    r.code = f[1];
    r.controller = static_cast<int>(number(f[2]));
    r.service = static_cast<int>(number(f[3]));
    r.opcode = static_cast<int>(number(f[4]));
    r.key = f[5];
    r.target = f[6];
    r.dataLength = static_cast<size_t>(number(f[7]));
    r.senseLength = static_cast<size_t>(number(f[8]));
    r.status = f[9];
    r.hex = f[10];
    return r;
}

std::vector<uint8_t> SimRecord::bytes(size_t offset, size_t size) const
{
    std::vector<uint8_t> out;
    if (hex.size() < 2 * (offset + size))
        return out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i)
        out.push_back(static_cast<uint8_t>(std::strtoul(hex.substr(2 * (offset + i), 2).c_str(), nullptr, 16)));
    return out;
}

uint32_t wordAt(const std::vector<uint8_t>& d, size_t offset)
{
    return d[offset] | d[offset + 1] << 8 | d[offset + 2] << 16 | static_cast<uint32_t>(d[offset + 3]) << 24;
}
