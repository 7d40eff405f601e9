#include "firmware_image.h"

#include <byte_order.h>

#include <algorithm>

namespace kzmsim {

namespace {

constexpr size_t H_WORD0 = 0, H_WORD4 = 4, H_WORD8 = 8, H_FLAGS12 = 12, H_BYTE18 = 18, H_WORD20 = 20,
                 H_BYTE21 = 21, H_BYTE22 = 22, H_BYTE23 = 23, H_CHECKSUM = 24, H_VERSION = 28,
                 H_AREA2_SIZE = 36, H_LEVEL = 40, H_MAGIC = 44, H_WORD48 = 48;
constexpr size_t C_LENGTH = 0, C_DATA_SIZE = 24, C_FORMAT = 31, C_FLAGS = 32, C_ID = 33, C_DATA_OFFSET = 34;
constexpr size_t TRAILER = 28;

void putHeader(uint8_t* h, const ImageSpec& s)
{
    wire::put32(h, H_WORD0, s.word0);
    wire::put32(h, H_WORD4, s.word4);
    wire::put32(h, H_WORD8, s.word8);
    wire::put16(h, H_FLAGS12, s.flags12);
    h[H_BYTE18] = s.byte18;
    h[H_BYTE22] = s.byte22;
    h[H_BYTE23] = s.byte23;
    wire::put32(h, H_VERSION, (s.version & 0xFFFFFF) | static_cast<uint32_t>(s.typeByte) << 24);
    wire::put32(h, H_LEVEL, s.headerLevel);
}

// The 36-byte header of a component whose length is `length`.
std::vector<uint8_t> componentHeader(const ImageComponent& c, uint32_t length)
{
    std::vector<uint8_t> h(c.dataOffset, 0);
    wire::put32(h.data(), C_LENGTH, length);
    wire::put32(h.data(), C_DATA_SIZE, static_cast<uint32_t>(c.data.size()));
    h[C_FORMAT] = c.format;
    h[C_FLAGS] = c.flags;
    h[C_ID] = c.id;
    h[C_DATA_OFFSET] = c.dataOffset;
    return h;
}

// Appends a component; a last one gets length -1 unless `forceLength`.
void appendComponent(std::vector<uint8_t>& out, const ImageComponent& c, bool last, bool forceLength)
{
    size_t padded = c.dataOffset + c.data.size();
    if (!last)
        padded = (padded + 3) & ~size_t{3};
    const uint32_t length = last && !forceLength ? CHAIN_END : static_cast<uint32_t>(padded);
    const std::vector<uint8_t> h = componentHeader(c, length);
    out.insert(out.end(), h.begin(), h.end());
    out.insert(out.end(), c.data.begin(), c.data.end());
    out.resize(out.size() + (padded - c.dataOffset - c.data.size()), 0);
}

// Sum of the image's words from 52 and of the header words 28..51.
uint32_t imageSum(const std::vector<uint8_t>& img)
{
    uint32_t sum = 0;
    for (size_t off = H_VERSION; off + 4 <= img.size(); off += 4)
        sum += wire::get32(img.data(), off);
    return sum;
}

bool erased(const uint8_t* p, size_t n)
{
    return std::all_of(p, p + n, [](uint8_t b) { return b == 0xFF; });
}

}  // namespace

std::vector<uint8_t> buildImage(const ImageSpec& wanted)
{
    std::vector<uint8_t> img(IMAGE_HEADER_SIZE, 0);
    putHeader(img.data(), wanted);
    for (size_t i = 0; i < wanted.components.size(); ++i)
        appendComponent(img, wanted.components[i], i + 1 == wanted.components.size(), !wanted.chainEnd);
    img.resize((img.size() + 3) & ~size_t{3}, 0);
    if (wanted.correction) {
        wire::put32(img.data(), H_WORD20, wanted.correction->first);
        wire::put32(img.data(), H_WORD48, wanted.correction->second);
    }
    uint32_t sum = imageSum(img);
    if (wanted.correction)  // matches only after - word 48 + word 20
        sum = sum - wanted.correction->second + wanted.correction->first;
    wire::put32(img.data(), H_CHECKSUM, wanted.badChecksum ? sum + 1 : sum);
    return img;
}

std::vector<uint8_t> buildBoardData(const std::vector<BoardDataEntry>& entries)
{
    std::vector<uint8_t> out((entries.size() + 1) * 12, 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        wire::put32(out.data(), 12 * i, entries[i].key);
        wire::put32(out.data(), 12 * i + 4, static_cast<uint32_t>(out.size()));
        wire::put32(out.data(), 12 * i + 8, static_cast<uint32_t>(entries[i].data.size()));
        out.insert(out.end(), entries[i].data.begin(), entries[i].data.end());
    }
    return out;
}

uint32_t boardDataKey(uint16_t boardId, uint16_t typeId)
{
    const uint16_t swapped = static_cast<uint16_t>(typeId >> 8 | typeId << 8);
    return static_cast<uint32_t>(swapped) << 16 | boardId;
}

uint32_t boardDataKeyForClass(uint16_t boardId, uint8_t classByte)
{
    return (static_cast<uint32_t>(classByte) + 16) << 20 | boardId;
}

void fillTopTrailer(std::vector<uint8_t>& data, const uint8_t* header, uint8_t classByte, uint32_t distance)
{
    if (data.size() < TRAILER)
        return;
    uint8_t* t = data.data() + data.size() - TRAILER;
    t[0] = 2;
    t[1] = 1;
    t[2] = header[H_BYTE23];
    t[3] = header[H_WORD20];
    wire::put32(t, 4, 0x30000008);
    wire::put32(t, 8, (wire::get32(header, H_WORD4) & 0xFFFF) << 16 | (wire::get32(header, H_WORD0) & 0xFFFF));
    wire::put16(t, 12, static_cast<uint16_t>(classByte >> 4));
    wire::put16(t, 14, static_cast<uint16_t>(wire::get32(header, H_WORD8)));
    wire::put32(t, 20, distance);
}

std::vector<FlashComponent> walkFlash(const std::vector<uint8_t>& area, bool topRegion)
{
    std::vector<FlashComponent> out;
    auto walk = [&](size_t off, size_t end) {
        while (off + COMPONENT_HEADER_SIZE <= end && !erased(area.data() + off, COMPONENT_HEADER_SIZE)) {
            const uint8_t* h = area.data() + off;
            FlashComponent c{off, h[C_ID], h[C_DATA_OFFSET], 0};
            const uint32_t length = wire::get32(h, C_LENGTH);
            c.dataSize = length == CHAIN_END ? wire::get32(h, C_DATA_SIZE) : length - std::min<size_t>(length, c.dataOffset);
            const uint64_t next = length == CHAIN_END ? uint64_t{off} + c.dataOffset + c.dataSize : uint64_t{off} + length;
            if (c.dataOffset < COMPONENT_HEADER_SIZE || next > end || next <= off)
                break;
            out.push_back(c);
            off = static_cast<size_t>(next);
        }
    };
    if (area.size() < IMAGE_HEADER_SIZE || erased(area.data(), IMAGE_HEADER_SIZE))
        return out;
    if (topRegion && area.size() >= 8) {
        const uint32_t distance = wire::get32(area.data(), area.size() - 8);
        if (distance != 0xFFFFFFFF && distance >= COMPONENT_HEADER_SIZE && distance < area.size() - IMAGE_HEADER_SIZE) {
            const size_t top = area.size() - distance;
            walk(IMAGE_HEADER_SIZE, top);
            walk(top, area.size());
            return out;
        }
    }
    walk(IMAGE_HEADER_SIZE, area.size());
    return out;
}

void buildInitialFlash(uint32_t version, uint8_t classByte, const std::vector<uint8_t>& keptData,
                       std::vector<uint8_t>& area1, std::vector<uint8_t>& area2)
{
    ImageSpec wanted;
    wanted.version = version;
    wanted.flags12 = 0x0000;  // written and complete
    std::fill(area1.begin(), area1.end(), uint8_t{0xFF});
    std::fill(area2.begin(), area2.end(), uint8_t{0xFF});
    uint8_t header[IMAGE_HEADER_SIZE] = {};
    putHeader(header, wanted);
    header[H_BYTE21] = 0xFF;
    std::vector<uint8_t> chain;
    const ImageComponent parts[] = {
        {1, std::vector<uint8_t>(256, 0x11)},
        {COMPONENT_BOARD_DATA, buildBoardData({{0, std::vector<uint8_t>(16, 0x44)}}), 2, 0},
        {13, keptData},
    };
    for (size_t i = 0; i < std::size(parts); ++i)
        appendComponent(chain, parts[i], i + 1 == std::size(parts), false);
    if (area1.size() < IMAGE_HEADER_SIZE + chain.size() + 1024)
        return;
    std::copy(header, header + IMAGE_HEADER_SIZE, area1.begin());
    std::copy(chain.begin(), chain.end(), area1.begin() + IMAGE_HEADER_SIZE);

    ImageComponent top{COMPONENT_TOP, std::vector<uint8_t>(128, 0x99)};
    const uint32_t distance = static_cast<uint32_t>(top.dataOffset + top.data.size());
    fillTopTrailer(top.data, header, classByte, distance);
    std::vector<uint8_t> topBytes;
    appendComponent(topBytes, top, true, false);
    std::copy(topBytes.begin(), topBytes.end(), area1.end() - static_cast<std::ptrdiff_t>(topBytes.size()));

    if (area2.size() >= IMAGE_HEADER_SIZE) {
        wire::put32(header, H_AREA2_SIZE, static_cast<uint32_t>(area2.size()));
        wire::put32(header, H_MAGIC, AREA2_MAGIC);
        std::copy(header, header + IMAGE_HEADER_SIZE, area2.begin());
    }
}

namespace {

// A component filled with a pattern of its own.
ImageComponent patternComponent(uint8_t id, size_t n)
{
    ImageComponent c{id, std::vector<uint8_t>(n, 0)};
    for (size_t i = 0; i < n; ++i)
        c.data[i] = static_cast<uint8_t>(id * 7 + i);
    return c;
}

}  // namespace

std::vector<uint8_t> buildUpdateImage(uint32_t version)
{
    constexpr uint16_t newBoardType = 0x6100;
    ImageSpec image;
    image.version = version;
    ImageComponent boardData{4,
                             buildBoardData({{boardDataKey(5, newBoardType), std::vector<uint8_t>(40, 0xB5)},
                                             {boardDataKey(0, newBoardType), std::vector<uint8_t>(24, 0xB0)}}),
                             2};
    image.components = {patternComponent(1, 300),  boardData,
                       patternComponent(14, 300), patternComponent(23, 300),
                       patternComponent(24, 5000), patternComponent(26, 300),
                       patternComponent(21, 300)};
    return buildImage(image);
}

}  // namespace kzmsim
