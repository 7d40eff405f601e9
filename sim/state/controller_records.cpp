#include "controller_records.h"

#include "channel_state.h"

#include <byte_order.h>

#include <algorithm>
#include <string>

namespace kzmsim {

namespace {

constexpr size_t MAX_PAGE_CHANNELS = 6;  // the configuration page has room for six channels
constexpr uint8_t KIND_SCSI = 2;
constexpr uint8_t KIND_FIBRE_CHANNEL = 3;

// Copies a text NUL padded into a fixed field of `width` bytes.
void putText(uint8_t* p, size_t off, const std::string& s, size_t width)
{
    std::fill(p + off, p + off + width, 0);
    std::copy_n(s.begin(), std::min(s.size(), width - 1), p + off);
}

bool dualEdgeChip(uint8_t chip) { return chip >= 0x0A && chip <= 0x0C; }

// Cache parameter words at 12, 16, ... 68 of a factory set.
constexpr uint32_t kCacheParameterWords[] = {
    4,         // NUM_SETS
    8,         // BLOCK_SIZE
    10,        // PARITY_FRACTION
    4,         // MAX_RD_AHD_PROCS
    64,        // MIN_RD_AHD_DEPTH
    512,       // MAX_RD_AHD_DEPTH
    4,         // RD_AHD_FTR
    32,        // MAX_NUM_BLOCKS
    5,         // FLUSH_START_RATE
    5000000,   // MAX_TIME_F_STOPPED (microseconds)
    30000000,  // MAX_AGE_DIRTY_BUF (microseconds)
    4,         // FSTRAT1_THRESHOLD
    4,         // FSTRAT2_TX_LENGTH
    8,         // FSTRAT2_DCNT
    20,        // MIN_PERCENT_DIRTY
};
static_assert(12 + 4 * std::size(kCacheParameterWords) == SETTINGS_PAGE_SIZE);

}  // namespace

uint8_t defaultChip(uint8_t kind, const BoardSpec& board)
{
    switch (kind) {
    case KIND_FIBRE_CHANNEL:
        return CHIP_FIBRE_CHANNEL;
    case 4:
        return CHIP_SATA;
    default:
        return board.scsiChip;
    }
}

Record boardFeatures(const BoardSpec& board)
{
    return Record(board.features.begin(), board.features.end());
}

Record boardInformation(const BoardSpec& board, size_t channelCount)
{
    Record r(BOARD_INFO_SIZE, 0);
    uint8_t* p = r.data();
    wire::put32(p, 0, board.serial);
    wire::put32(p, 8, board.typeValue);
    wire::put32(p, 12, board.cacheBytes);
    p[18] = static_cast<uint8_t>(std::min<size_t>(channelCount, 255));
    p[19] = board.raidMark;
    wire::put32(p, 24, board.firmwareVersion);
    wire::put32(p, 28, board.firmwareRevision);
    putText(p, 32, board.typeName, 16);
    putText(p, 48, board.description, 16);
    p[64] = board.ramType;
    p[65] = board.ramCheck;
    putHardwareBoardInfo(p, board.hardware);
    return r;
}

Record boardDetails(const BoardSpec& board)
{
    Record r(BOARD_DETAILS_SIZE, 0);
    uint8_t* p = r.data();
    wire::put32(p, 0, BOARD_DETAILS_SIZE);
    p[4] = board.enclosureSupport;
    p[20] = board.clusterBits;
    wire::put32(p, 36, board.tickDivider);
    wire::put32(p, 104, 512);  // as the request presets it
    wire::put32(p, 108, board.secondFlashKb);
    wire::put32(p, 184, board.boardType);
    wire::put32(p, 212, board.reservedBytes);
    wire::put32(p, 216, board.firmwareFileRule);
    putText(p, 220, board.firmwarePattern, 16);
    p[236] = board.componentRow;
    putHardwareDetails(p, board.hardware);
    return r;
}

ConfigPage initialConfigPageA(const BoardSpec& board, const std::vector<Channel>& channels)
{
    ConfigPage page{};
    uint8_t* p = page.data();
    wire::put32(p, 0, CONFIG_PAGE_SIZE_WORD);
    wire::put32(p, 4, board.configVersion);
    p[12] = 1;   // BIOS enabled
    p[15] = 1;   // seven BIOS drives
    for (size_t c = 0; c < std::min(channels.size(), MAX_PAGE_CHANNELS); ++c) {
        const Channel& ch = channels[c];
        uint8_t settings = ch.ownId & 0x07;
        if (ch.kind == KIND_SCSI) {
            settings |= 0x80;  // termination on
            if (dualEdgeChip(ch.chip))
                settings |= 0x40;  // domain validation on
            p[36 + c] = 1;  // termination set by software
        }
        p[16 + c] = settings;
    }
    p[100] = 1;  // standard memory test
    p[101] = 2;  // two boot option bytes in use
    p[364] = (board.firmwareVersion & 0xFFFFFF) > 0x1BFFFF ? 15 : 0;
    return page;
}

ConfigPage configPageB(const BoardSpec& board)
{
    ConfigPage page{};
    wire::put32(page.data(), 0, CONFIG_PAGE_SIZE_WORD);
    wire::put32(page.data(), 4, board.configVersion);
    return page;
}

Record flashRecord(const BoardSpec& board, uint8_t kind)
{
    Record r(CONTROLLER_RECORD_SIZE, 0);
    uint8_t* p = r.data();
    p[0] = kind;
    if (kind == 1) {
        wire::put32(p, 4, board.flashSize);
        wire::put32(p, 8, board.flashBase1);
        wire::put32(p, 12, board.bootFlag);
    } else {
        wire::put32(p, 4, board.secondFlashKb * 1024);
        wire::put32(p, 8, board.flashBase2);
    }
    return r;
}

SettingsPage defaultCacheSet(uint8_t set)
{
    SettingsPage page{};
    uint8_t* p = page.data();
    p[4] = set;
    std::fill(p + 8, p + 12, 1);  // DO_EVENT_HIT, READ_AHEAD, ADD_FLUSH_PROCS, USE_XOR_ENGINE on
    for (size_t i = 0; i < std::size(kCacheParameterWords); ++i)
        wire::put32(p, 12 + 4 * i, kCacheParameterWords[i]);
    return page;
}

Record channelRecord(const Channel& channel)
{
    Record r(CHANNEL_RECORD_SIZE, 0);
    uint8_t* p = r.data();
    p[0] = static_cast<uint8_t>(channel.number);
    p[1] = channel.chip;
    if (channel.kind == KIND_SCSI) {
        p[2] = 1;     // bus type: LVDS
        p[3] = 0x01;  // chip revision
        // Connectors: internal 68 pin connected, internal 50 pin absent,
        // external 68 pin not connected, external 50 pin absent.
        p[4] = 1, p[5] = 0xFF, p[6] = 0, p[7] = 0xFF;
        p[12] = 0, p[13] = 1;  // narrow inactive, wide active
    } else {
        p[2] = 0xFF;
        p[3] = 0x02;
        std::fill(p + 4, p + 8, 0xFF);
        p[12] = 0xFF, p[13] = 0xFF;
    }
    if (channel.busType)
        p[5] = *channel.busType;
    return r;
}

Record fcLoopRecord(const BoardSpec& board, const Channel& channel)
{
    Record r(FC_LOOP_SIZE, 0);
    uint8_t* p = r.data();
    wire::put32(p, 0, channel.number);
    wire::put16(p, 4, 1062);  // link speeds in MBaud
    wire::put16(p, 6, 2125);
    wire::put16(p, 20, 1);    // shielded twisted pair
    wire::put16(p, 22, 100);  // multimode optical fibre
    putText(p, 36, "KZM GLM 2G", 32);
    wire::put16(p, 68, 12);   // revision 1.2
    putText(p, 70, "HPFC5100B", 32);
    wire::put16(p, 102, 21);  // revision 2.1
    wire::put32(p, 104, 0x20000000u | channel.number);  // World Wide Name
    wire::put32(p, 108, board.serial);
    p[112] = 52;  // highest ANSI version 5.2
    p[113] = 43;  // lowest ANSI version 4.3
    p[114] = 3;   // topology FC-AL
    p[118] = 8;   // upper level protocol SCSI-FCP
    wire::put16(p, 126, 256);   // frame sizes
    wire::put16(p, 128, 2048);
    p[130] = 2;   // service classes
    p[131] = 3;
    return r;
}

Record fcPortRecord(const Channel& channel)
{
    Record r(FC_PORT_SIZE, 0);
    uint8_t* p = r.data();
    wire::put32(p, 0, channel.number);
    wire::put32(p, 4, 3);               // current topology FC-AL
    wire::put32(p, 8, channel.ownId);   // FC-AL address
    wire::put32(p, 12, 2125);           // link speed
    wire::put32(p, 16, 0);              // ready
    return r;
}

}  // namespace kzmsim
