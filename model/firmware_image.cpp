// The image file's checks: chain, checksum, board data and the size check.
#include "controller.h"

#include "byte_order.h"
#include "firmware_chain.h"
#include "model_alloc.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kLastCorrectedLevel = 2;
constexpr size_t kBoardEntry = 12;                   // {u32 key, u32 offset, u32 size}
constexpr uint64_t kBoardDataLimit = 16u << 20;      // filtered board data larger than this is refused
constexpr uint32_t kTopDataMin = 64;                 // component 9's data: 64 to 2048 bytes

uint64_t RoundUp4(uint64_t n) { return (n + 3) & ~uint64_t{3}; }

}  // namespace

bool FirmwareReadAt(FILE* file, uint64_t offset, void* buf, size_t n)
{
    if (file == nullptr || offset > static_cast<uint64_t>(INT64_MAX))
        return false;
    if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0)
        return false;
    return n == 0 || fread(buf, 1, n, file) == n;
}

ModelError FirmwareComponentAt(const FirmwareFile& f, uint64_t offset, FirmwareComponent& c)
{
    c = FirmwareComponent{};
    c.offset = offset;
    if (offset + FW_COMPONENT_HEADER_SIZE > f.fileSize || !FirmwareReadAt(f.file, offset, c.header, sizeof c.header))
        return MODERR_FILE_IO;
    c.id = c.header[FWC_ID];
    if (c.id >= FW_COMPONENT_IDS)
        return MODERR_COMPONENT_ID;
    c.format = c.header[FWC_FORMAT];
    c.dataOffset = c.header[FWC_DATA_OFFSET];
    const uint32_t length = wire::get32(c.header, FWC_LENGTH);
    c.last = length == 0xFFFFFFFF;
    if (c.dataOffset < FW_COMPONENT_HEADER_SIZE)
        return MODERR_FILE_IO;
    if (c.last) {
        c.dataSize = wire::get32(c.header, FWC_DATA_SIZE);
        c.length = c.dataOffset + c.dataSize;
    } else {
        if (length < FW_COMPONENT_HEADER_SIZE || c.dataOffset > length)
            return MODERR_FILE_IO;
        c.length = length;
        c.dataSize = length - c.dataOffset;
    }
    if (offset + c.length > f.fileSize)
        return MODERR_FILE_IO;
    return 0;
}

uint32_t CController::Checksum(const uint8_t* data, size_t count, int kind)
{
    uint32_t sum = 0;
    if (kind == 2) {
        for (size_t i = 0; i + 4 <= count; i += 4)
            sum += wire::get32(data, i);
    } else {
        for (size_t i = 0; i < count; ++i)
            sum = kind == 3 ? (sum ^ data[i]) : sum + data[i];
    }
    return sum;
}

int CController::VerifyFirmwareChecksum(FirmwareFile& f)
{
    uint8_t piece[FW_PIECE];
    uint32_t sum = 0;
    if (!FirmwareReadAt(f.file, FW_HEADER_SIZE, piece, 0)) {
        error = MODERR_FILE_IO;
        return 0;
    }
    size_t n;
    while ((n = fread(piece, 1, sizeof piece, f.file)) > 0) {
        if (n % 4 != 0) {
            error = MODERR_CHECKSUM;
            return 0;
        }
        sum += Checksum(piece, n, 2);
    }
    sum += Checksum(f.header + FWH_VERSION, FW_HEADER_SIZE - FWH_VERSION, 2);
    const uint32_t stored = wire::get32(f.header, FWH_CHECKSUM);
    if (sum != stored && wire::get32(f.header, FWH_LEVEL) <= kLastCorrectedLevel)
        sum = sum - wire::get32(f.header, FWH_CORRECTION_B) + wire::get32(f.header, FWH_CORRECTION_A);
    if (sum != stored) {
        error = MODERR_CHECKSUM;
        return 0;
    }
    return 1;
}

uint32_t CController::FilterBoardComponent(FirmwareFile& f, const FirmwareComponent& c, uint8_t** out)
{
    if (out)
        *out = nullptr;
    if (c.dataSize == 0 || c.dataSize > kBoardDataLimit) {
        error = MODERR_COMPONENT_MISSING;
        return 0;
    }
    const auto size = static_cast<size_t>(c.dataSize);
    auto* data = static_cast<uint8_t*>(ModelAlloc(size));
    if (!data) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    // The entries for this board: board id, then the type id or the type byte.
    const uint8_t typeByte = info.controllerClass;
    auto forThisBoard = [&](uint32_t key) {
        if ((key & 0xFFFF) != info.ident3)
            return false;
        const auto high = static_cast<uint16_t>(key >> 16);
        if (typeByte == 0xFD || typeByte == 0xFE)
            return static_cast<uint16_t>(high >> 8 | high << 8) == info.subtype;
        return (key >> 20) - 16 == typeByte;
    };
    size_t kept = 0;
    uint64_t total = kBoardEntry;
    bool ended = false;
    bool ok = FirmwareReadAt(f.file, c.offset + c.dataOffset, data, size);
    for (size_t at = 0; ok && at + kBoardEntry <= size; at += kBoardEntry) {
        const uint32_t key = wire::get32(data, at);
        if (key == 0) {
            ended = true;
            break;
        }
        const uint64_t from = wire::get32(data, at + 4);
        const uint64_t n = wire::get32(data, at + 8);
        if (!forThisBoard(key))
            continue;
        if (from + n > size) {
            ok = false;  // an entry outside its component
            break;
        }
        ++kept;
        total += kBoardEntry + n;
    }
    if (!ok || !ended || kept == 0 || total > kBoardDataLimit) {
        ModelFree(data);
        error = MODERR_COMPONENT_MISSING;
        return 0;
    }
    if (out) {
        auto* packed = static_cast<uint8_t*>(ModelAlloc(static_cast<size_t>(total)));
        if (!packed) {
            ModelFree(data);
            error = MODERR_NO_MEMORY;
            return 0;
        }
        std::memset(packed, 0, static_cast<size_t>(total));
        size_t dir = 0;
        size_t pos = (kept + 1) * kBoardEntry;
        for (size_t at = 0; at + kBoardEntry <= size && wire::get32(data, at) != 0; at += kBoardEntry) {
            const uint32_t key = wire::get32(data, at);
            if (!forThisBoard(key))
                continue;
            const uint32_t from = wire::get32(data, at + 4);
            const uint32_t n = wire::get32(data, at + 8);
            wire::put32(packed, dir, key);
            wire::put32(packed, dir + 4, static_cast<uint32_t>(pos));
            wire::put32(packed, dir + 8, n);
            std::memcpy(packed + pos, data + from, n);
            dir += kBoardEntry;
            pos += n;
        }
        *out = packed;
    }
    ModelFree(data);
    return static_cast<uint32_t>(total);
}

namespace {

// Where a component goes when it is written.
enum class Place { None, Area1, Area2, Top };

Place PlaceOf(const CController& ctl, const FirmwareFile& f, const FirmwareComponent& c)
{
    const uint8_t rule = f.rules[c.id] & 0x7F;
    const bool used = rule == FW_RULE_REQUIRED || rule == FW_RULE_OPTIONAL;
    const bool boot = IsBootComponent(c.id);
    if ((used && (c.id == FW_COMPONENT_TOP || boot)) || (boot && ctl.BootFlag() == 0))
        return Place::Top;
    if (!used)
        return Place::None;
    return (f.rules[c.id] & FW_RULE_AREA2) != 0 ? Place::Area2 : Place::Area1;
}

}  // namespace

// Bytes the writer advances for component c (board data: its filtered data,
// rounded up to 4, when that is longer than the component).
static ModelError AdvanceOf(CController& ctl, FirmwareFile& f, const FirmwareComponent& c, uint64_t& advance)
{
    advance = c.length;
    if (c.id != FW_COMPONENT_BOARD_DATA || ctl.flag != 0)
        return 0;
    if (c.format != FW_BOARD_DATA_FORMAT)
        return MODERR_COMPONENT_MISSING;
    const uint32_t filtered = ctl.FilterBoardComponent(f, c, nullptr);
    if (filtered == 0)
        return ctl.error;
    advance = std::max<uint64_t>(advance, c.dataOffset + RoundUp4(filtered));
    return 0;
}

int CController::CheckFirmwareSize(FirmwareFile& f, uint32_t keptSize)
{
    // Area 2 takes its components while they fit; the others go to area 1.
    uint64_t area2 = FW_HEADER_SIZE;
    ModelError e = WalkFirmwareChain(f, [&](const FirmwareComponent& c) -> ModelError {
        if ((f.rules[c.id] & FW_RULE_AREA2) == 0)
            return 0;
        const uint8_t rule = f.rules[c.id] & 0x7F;
        uint64_t advance = 0;
        if (f.secondAreaSize == 0 || (rule != FW_RULE_REQUIRED && rule != FW_RULE_OPTIONAL)) {
            f.rules[c.id] &= 0x7F;
            return 0;
        }
        if (ModelError a = AdvanceOf(*this, f, c, advance))
            return a;
        if (area2 + advance > f.secondAreaSize)
            f.rules[c.id] &= 0x7F;
        else
            area2 += advance;
        return 0;
    });
    if (f.secondAreaSize == 0)
        for (uint8_t& r : f.rules)
            r &= 0x7F;

    bool present[FW_COMPONENT_IDS] = {};
    uint64_t need = FW_HEADER_SIZE + uint64_t{keptSize};
    if (e == 0)
        e = WalkFirmwareChain(f, [&](const FirmwareComponent& c) -> ModelError {
            present[c.id] = true;
            const Place place = PlaceOf(*this, f, c);
            if (place == Place::None || place == Place::Area2)
                return 0;
            if (place == Place::Top &&
                (c.dataSize > FW_PIECE || (c.id == FW_COMPONENT_TOP && c.dataSize < kTopDataMin)))
                return MODERR_NO_SPACE;  // one transfer must hold it
            uint64_t advance = 0;
            if (ModelError a = AdvanceOf(*this, f, c, advance))
                return a;
            need += advance;
            return 0;
        });
    // Every required component must be in the image before anything is erased.
    for (int id = 0; e == 0 && id < FW_COMPONENT_IDS; ++id)
        if ((f.rules[id] & 0x7F) == FW_RULE_REQUIRED && !present[id])
            e = MODERR_COMPONENT_MISSING;
    if (e == 0 && need > f.flashSize)
        e = MODERR_NO_SPACE;
    if (e != 0) {
        error = e;
        return 0;
    }
    return 1;
}
