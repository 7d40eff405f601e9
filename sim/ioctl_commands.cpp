#include "ioctl_commands.h"

#include "device_commands.h"
#include "enclosure_commands.h"

#include <byte_order.h>

#include <algorithm>
#include <iterator>

namespace kzmsim {

namespace {

uint32_t ok() { return FW_STATUS_OK; }

// Generic write: the parameter record is kept for later reads of the same key and target.
uint32_t storeRecord(ControllerFirmware& fw, IoctlCall& c)
{
    fw.records[{c.key, c.target}] = c.param;
    return ok();
}

// Generic read: what was stored under the key and target, or zeros.
uint32_t readRecord(ControllerFirmware& fw, IoctlCall& c)
{
    std::fill(c.param.begin(), c.param.end(), 0);
    const auto it = fw.records.find({c.key, c.target});
    if (it != fw.records.end())
        std::copy_n(it->second.begin(), std::min(it->second.size(), c.param.size()), c.param.begin());
    return ok();
}

// 0x01: number of logical drives (u32), or the count the scenario misreports.
uint32_t driveCount(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() < 4)
        return FW_STATUS_BAD_RECORD;
    std::fill(c.param.begin(), c.param.end(), 0);
    wire::put32(c.param.data(), 0,
                fw.identity.reportedDrives.value_or(static_cast<uint32_t>(fw.logicalDrives.size())));
    return ok();
}

// 0x02: the logical drive numbers, one u32 each, as many as fit.
uint32_t driveList(ControllerFirmware& fw, IoctlCall& c)
{
    std::fill(c.param.begin(), c.param.end(), 0);
    size_t off = 0;
    for (const auto& [number, drive] : fw.logicalDrives) {
        if (off + 4 > c.param.size())
            break;
        wire::put32(c.param.data(), off, number);
        off += 4;
    }
    return ok();
}

// 0x04: cache information: the 12 parameter bytes (level word first), then zero counters.
uint32_t cacheInfo(ControllerFirmware& fw, IoctlCall& c)
{
    std::fill(c.param.begin(), c.param.end(), 0);
    std::array<uint8_t, CACHE_PARAM_SIZE> params = fw.cacheParams;
    wire::put32(params.data(), 0, fw.identity.interfaceLevel);
    std::copy_n(params.begin(), std::min(params.size(), c.param.size()), c.param.begin());
    return ok();
}

// 0x05: writes the cache parameters; the level word stays the firmware's.
uint32_t setCacheConfig(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() < CACHE_PARAM_SIZE)
        return FW_STATUS_BAD_RECORD;
    std::copy(c.param.begin() + 4, c.param.begin() + CACHE_PARAM_SIZE, fw.cacheParams.begin() + 4);
    return ok();
}

// Capacity of a drive of the given type over its members.
uint32_t driveCapacity(const ControllerFirmware& fw, const LogicalDrive& d)
{
    uint64_t sum = 0;
    uint64_t smallest = UINT32_MAX;
    for (uint32_t a : d.members) {
        const uint32_t cap = wire::get32(fw.deviceInfo(a).data(), 40);
        sum += cap;
        smallest = std::min<uint64_t>(smallest, cap);
    }
    const uint64_t total = d.type == 16 ? smallest * d.members.size() : sum;
    return static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
}

// 0x07: 57-byte drive information of logical drive `target`.
uint32_t driveInfo(ControllerFirmware& fw, IoctlCall& c)
{
    const auto it = fw.logicalDrives.find(c.target);
    if (it == fw.logicalDrives.end())
        return FW_STATUS_INVALID_TARGET;
    const LogicalDrive& d = it->second;
    std::vector<uint8_t> r(57, 0);
    uint8_t* p = r.data();
    const uint32_t members = d.memberCount();
    const uint32_t capacity = driveCapacity(fw, d);
    if (fw.oldLists()) {
        wire::put32(p, 0, d.number);
        p[12] = 0;  // removable
        p[13] = 0;  // write protected
        wire::put32(p, 16, capacity);
        wire::put32(p, 20, members);
        wire::put32(p, 28, static_cast<uint32_t>(d.type) << 12);
        wire::putBytes(p, 32, d.name.data(), 8);
        p[40] = 0;  // failed
    } else {
        wire::put32(p, 0, d.number);
        p[20] = 1;  // usable
        wire::put32(p, 24, capacity);
        wire::put32(p, 28, 512);
        wire::put32(p, 32, members);
        wire::put32(p, 40, static_cast<uint32_t>(d.type) << 12);
        wire::putBytes(p, 48, d.name.data(), 8);
    }
    std::fill(c.param.begin(), c.param.end(), 0);
    std::copy_n(r.begin(), std::min(r.size(), c.param.size()), c.param.begin());
    return ok();
}

// 0x0E: creates a logical drive from {u32 number, u32 n, u32 type << 12} and n
// entries {u32 first word, u32 device address}.
uint32_t createDrive(ControllerFirmware& fw, IoctlCall& c)
{
    const uint8_t* p = c.param.data();
    if (c.param.size() < 12)
        return FW_STATUS_BAD_RECORD;
    const uint32_t number = wire::get32(p, 0);
    const uint32_t n = wire::get32(p, 4);
    const uint32_t typeWord = wire::get32(p, 8);
    const uint32_t type = typeWord >> 12;
    if (n == 0 || n > (c.param.size() - 12) / 8 || c.param.size() != 12 + 8 * static_cast<size_t>(n))
        return FW_STATUS_BAD_RECORD;
    if ((typeWord & 0xFFF) != 0 || (type != 0 && type != 16 && type != 32) || (type == 0 && n != 1))
        return FW_STATUS_BAD_RECORD;
    if (number > 254)
        return FW_STATUS_INVALID_TARGET;
    if (fw.logicalDrives.count(number))
        return FW_STATUS_IN_USE;
    LogicalDrive d;
    d.number = number;
    d.type = static_cast<uint16_t>(type);
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t first = wire::get32(p, 12 + 8 * i);
        const uint32_t address = wire::get32(p, 16 + 8 * i);
        const Device* dev = fw.deviceAt(address);
        if (!dev || dev->info[48] != 0)
            return FW_STATUS_INVALID_TARGET;
        if (fw.driveOfDevice(address) >= 0 ||
            std::find(d.members.begin(), d.members.end(), address) != d.members.end())
            return FW_STATUS_IN_USE;
        d.firstWords.push_back(first);
        d.members.push_back(address);
    }
    fw.logicalDrives[number] = std::move(d);
    return ok();
}

// 0x5D: channel descriptions: header {u32 -1, byte wanted, byte first, byte last,
// byte count (answer), u32 12}, then 8-byte entries.
uint32_t channelDescriptions(ControllerFirmware& fw, IoctlCall& c)
{
    if (fw.identity.refuseChannelDescriptions)
        return FW_STATUS_NOT_SUPPORTED;
    if (c.param.size() < 12)
        return FW_STATUS_BAD_RECORD;
    uint8_t* p = c.param.data();
    const unsigned wanted = p[4];
    const unsigned first = p[5];
    const unsigned last = p[6];
    p[7] = static_cast<uint8_t>(std::min<size_t>(fw.channels.size(), 255));
    size_t off = 12;
    for (unsigned i = first, k = 0; i <= last && i < fw.channels.size() && k < wanted; ++i, ++k) {
        if (off + 8 > c.param.size())
            break;
        const Channel& ch = fw.channels[i];
        wire::put32(p, off, ch.address);
        p[off + 4] = ch.kind;
        p[off + 5] = static_cast<uint8_t>(ch.number);
        wire::put16(p, off + 6, 0);
        off += 8;
    }
    return ok();
}

// 0x20000005: channel information {u32 channel number (in), u32 devices, byte own ID, byte info}.
uint32_t channelInfo(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() < 10)
        return FW_STATUS_BAD_RECORD;
    Channel* ch = fw.channelByNumber(wire::get32(c.param.data(), 0));
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    wire::put32(c.param.data(), 4, ch->deviceCount());
    c.param[8] = ch->ownId;
    c.param[9] = ch->infoByte;
    return ok();
}

// 0x20000006: channel device list {u32 channel number, [u32 count,] u32 entries...}.
uint32_t channelDeviceList(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() < 4)
        return FW_STATUS_BAD_RECORD;
    Channel* ch = fw.channelByNumber(wire::get32(c.param.data(), 0));
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    size_t off = 4;
    if (!fw.oldLists()) {
        if (c.param.size() < 8)
            return FW_STATUS_BAD_RECORD;
        wire::put32(c.param.data(), 4, ch->deviceCount());
        off = 8;
    }
    for (const Device& d : ch->devices) {
        if (off + 4 > c.param.size())
            break;
        wire::put32(c.param.data(), off, d.entry);
        off += 4;
    }
    return ok();
}

// Converts a newest-layout device information record to the controller's layout.
void toControllerLayout(uint32_t level, const DeviceInfoBytes& in, std::vector<uint8_t>& out)
{
    std::fill(out.begin(), out.end(), 0);
    DeviceInfoBytes r{};
    if (level == LEVEL_OLD_LISTS) {
        std::copy_n(in.begin(), 51, r.begin());
    } else if (level == LEVEL_MIDDLE_DEVICE_A || level == LEVEL_MIDDLE_DEVICE_B) {
        std::copy_n(in.begin(), 52, r.begin());
        wire::put32(r.data(), 52, wire::get32(in.data(), 60));
        wire::put32(r.data(), 56, wire::get32(in.data(), 64));
        r[60] = in[72];
        r[61] = in[73];
    } else {
        r = in;
    }
    std::copy_n(r.begin(), std::min(r.size(), out.size()), out.begin());
}

// The reverse of toControllerLayout.
DeviceInfoBytes fromControllerLayout(uint32_t level, const std::vector<uint8_t>& in, DeviceInfoBytes base)
{
    DeviceInfoBytes r{};
    std::copy_n(in.begin(), std::min(in.size(), r.size()), r.begin());
    if (level == LEVEL_OLD_LISTS) {
        std::copy_n(r.begin(), 51, base.begin());
    } else if (level == LEVEL_MIDDLE_DEVICE_A || level == LEVEL_MIDDLE_DEVICE_B) {
        std::copy_n(r.begin(), 52, base.begin());
        wire::put32(base.data(), 60, wire::get32(r.data(), 52));
        wire::put32(base.data(), 64, wire::get32(r.data(), 56));
        base[72] = r[60];
        base[73] = r[61];
    } else {
        base = r;
    }
    return base;
}

// 0x20000000: the 112-byte device information of the device at `target`.
uint32_t getDeviceInfo(ControllerFirmware& fw, IoctlCall& c)
{
    if (!fw.deviceAt(c.target))
        return FW_STATUS_INVALID_TARGET;
    advanceSurfaceCheck(fw, c.target);  // every query moves a running surface check on
    toControllerLayout(fw.identity.interfaceLevel, fw.deviceInfo(c.target), c.param);
    return ok();
}

// 0x20000002: writes the device's settable fields.
uint32_t setDeviceInfo(ControllerFirmware& fw, IoctlCall& c)
{
    if (!fw.deviceAt(c.target))
        return FW_STATUS_INVALID_TARGET;
    if (c.param.size() < DEVICE_INFO_SIZE)
        return FW_STATUS_BAD_RECORD;
    const DeviceInfoBytes written = fromControllerLayout(fw.identity.interfaceLevel, c.param, fw.deviceInfo(c.target));
    fw.setDeviceInfo(c.target, written);
    initialiseDisk(fw, *fw.device(c.target), written);
    return ok();
}

// 0x80000005: member list of drive `target`: 8-byte entries {first word, device address}.
uint32_t memberList(ControllerFirmware& fw, IoctlCall& c)
{
    const auto it = fw.logicalDrives.find(c.target);
    if (it == fw.logicalDrives.end())
        return FW_STATUS_INVALID_TARGET;
    std::fill(c.param.begin(), c.param.end(), 0);
    const LogicalDrive& d = it->second;
    for (size_t i = 0; i < d.members.size() && 8 * i + 8 <= c.param.size(); ++i) {
        wire::put32(c.param.data(), 8 * i, d.firstWords[i]);
        wire::put32(c.param.data(), 8 * i + 4, d.members[i]);
    }
    return ok();
}

// Answers a fixed-size record; a request of another size is refused.
template <typename Bytes>
uint32_t answer(IoctlCall& c, const Bytes& record)
{
    if (c.param.size() != record.size())
        return FW_STATUS_BAD_RECORD;
    std::copy(record.begin(), record.end(), c.param.begin());
    return ok();
}

// 0x15: the four board feature bytes.
uint32_t boardFeaturesCmd(ControllerFirmware& fw, IoctlCall& c)
{
    return answer(c, boardFeatures(fw.identity.board));
}

// 0x28: board information.
uint32_t boardInfoCmd(ControllerFirmware& fw, IoctlCall& c)
{
    return answer(c, boardInformation(fw.identity.board, fw.channels.size()));
}

// 0x5F: board details.
uint32_t boardDetailsCmd(ControllerFirmware& fw, IoctlCall& c)
{
    return answer(c, boardDetails(fw.identity.board));
}

// 0x29: configuration page A, as last written.
uint32_t configPageACmd(ControllerFirmware& fw, IoctlCall& c)
{
    return answer(c, fw.configPageA);
}

// 0x2A: configuration page B.
uint32_t configPageBCmd(ControllerFirmware& fw, IoctlCall& c)
{
    return answer(c, configPageB(fw.identity.board));
}

// 0x2B: writes configuration page A; its first word must be the page size.
uint32_t setConfigPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != CONFIG_PAGE_SIZE || wire::get32(c.param.data(), 0) != CONFIG_PAGE_SIZE_WORD)
        return FW_STATUS_BAD_RECORD;
    ConfigPage page{};
    std::copy(c.param.begin(), c.param.end(), page.begin());
    fw.writeConfigPageA(page);
    return ok();
}

// The cache parameter set named by byte 4 of a settings page request.
SettingsPage cacheSet(const ControllerFirmware& fw, uint8_t set)
{
    const auto it = fw.cacheSets.find(set);
    return it == fw.cacheSets.end() ? defaultCacheSet(set) : it->second;
}

// 0x31: reads the cache parameter set of byte 4.
uint32_t getSettingsPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != SETTINGS_PAGE_SIZE)
        return FW_STATUS_BAD_RECORD;
    return answer(c, cacheSet(fw, c.param[4]));
}

// 0x32: writes the cache parameter set of byte 4.
uint32_t setSettingsPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != SETTINGS_PAGE_SIZE)
        return FW_STATUS_BAD_RECORD;
    SettingsPage& page = fw.cacheSets[c.param[4]];
    std::copy(c.param.begin(), c.param.end(), page.begin());
    return ok();
}

// 0x33: resets the cache parameter set of byte 4 to its factory values.
uint32_t resetSettingsPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != SETTINGS_PAGE_SIZE)
        return FW_STATUS_BAD_RECORD;
    fw.cacheSets.erase(c.param[4]);
    return answer(c, defaultCacheSet(c.param[4]));
}

// 0x34: checks {NUM_SETS, BLOCK_SIZE, PARITY_FRACTION}; the third word comes
// back as the largest parity fraction allowed.
uint32_t settingsRecordCmd(ControllerFirmware&, IoctlCall& c)
{
    if (c.param.size() != SETTINGS_RECORD_SIZE)
        return FW_STATUS_BAD_RECORD;
    wire::put32(c.param.data(), 8, LARGEST_PARITY_FRACTION);
    return ok();
}

// 0x4E: controller record of kind 1 or 2 (byte 0): the flash areas.
uint32_t flashRecordCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != CONTROLLER_RECORD_SIZE || (c.param[0] != 1 && c.param[0] != 2))
        return FW_STATUS_BAD_RECORD;
    return answer(c, flashRecord(fw.identity.board, c.param[0]));
}

// 0x6E: controller parameter {u32 kind, u32 value, byte write, byte flags};
// kind 1 is the non-build mode: value 1 when offered, flags bit 0 while on.
uint32_t controllerParamCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() < CONTROLLER_PARAM_SIZE || wire::get32(c.param.data(), 0) != NON_BUILD_PARAM_KIND)
        return FW_STATUS_BAD_RECORD;
    const bool offered = fw.identity.board.nonBuildOffered;
    if (c.param[8] == 1) {
        if (!offered)
            return FW_STATUS_NOT_SUPPORTED;
        fw.nonBuildMode = (c.param[9] & 1) != 0;
    }
    wire::put32(c.param.data(), 4, offered ? 1 : 0);
    c.param[9] = fw.nonBuildMode ? 1 : 0;
    return ok();
}

// 0x2000002F: the log state word.
uint32_t getLogStateCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != LOG_STATE_SIZE)
        return FW_STATUS_BAD_RECORD;
    wire::put32(c.param.data(), 0, fw.logState);
    return ok();
}

// 0x7E: writes the log state word back.
uint32_t setLogStateCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != LOG_STATE_SIZE)
        return FW_STATUS_BAD_RECORD;
    fw.logState = wire::get32(c.param.data(), 0);
    return ok();
}

// 0x2000003E: the 20-byte record of the channel whose number is byte 0.
uint32_t channelRecordCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != CHANNEL_RECORD_SIZE)
        return FW_STATUS_BAD_RECORD;
    const Channel* ch = fw.channelByNumber(c.param[0]);
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    return answer(c, channelRecord(*ch));
}

// The Fibre Channel channel whose number is word 0 of the request, or none.
const Channel* fibreChannel(ControllerFirmware& fw, const IoctlCall& c)
{
    if (c.param.size() < 4)
        return nullptr;
    const Channel* ch = fw.channelByNumber(wire::get32(c.param.data(), 0));
    return ch && ch->kind == 3 ? ch : nullptr;
}

// 0x20000080: loop record of a Fibre Channel channel.
uint32_t fcLoopCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != FC_LOOP_SIZE)
        return FW_STATUS_BAD_RECORD;
    const Channel* ch = fibreChannel(fw, c);
    return ch ? answer(c, fcLoopRecord(fw.identity.board, *ch)) : FW_STATUS_INVALID_TARGET;
}

// 0x20000081: port record of a Fibre Channel channel.
uint32_t fcPortCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != FC_PORT_SIZE)
        return FW_STATUS_BAD_RECORD;
    const Channel* ch = fibreChannel(fw, c);
    return ch ? answer(c, fcPortRecord(*ch)) : FW_STATUS_INVALID_TARGET;
}

// Keys that write but have no behaviour of their own yet, flash steps included.
constexpr uint32_t kStoredWrites[] = {
    0x03, 0x06, 0x08, 0x09, 0x0A, 0x0C, 0x0D, 0x0F, 0x10, 0x11, 0x12, 0x17, 0x1F, 0x20,
    0x21, 0x22, 0x24, 0x2C, 0x2D, 0x2E, 0x41, 0x45, 0x46, 0x47, 0x48,
    0x4C, 0x4F, 0x51, 0x60, 0x61, 0x70, 0x71, 0x72, 0x73,
    0x10000002, 0x10000003, 0x10000004, 0x10000009, 0x10000010, 0x10000011, 0x10000013,
    0x10000014, 0x10000015, 0x10000016, 0x10000018, 0x10000019, 0x1000001A, 0x1000001B,
    0x1000001C, 0x10000028, 0x1000002A, 0x1000002D, 0x1000002E, 0x1000002F, 0x10000030,
    0x10000031, 0x10000033,
    0x10010000, 0x10010003, 0x10010004,
    0x20000001, 0x20000017,
    0x20000019, 0x2000002E, 0x20000030, 0x20000031, 0x20000035,
    0x20026, 0x20027,
    0x8000000F,
};

// Keys with behaviour of their own.
constexpr IoctlCommand kHandled[] = {
    {0x01, false, driveCount},
    {0x02, false, driveList},
    {0x04, false, cacheInfo},
    {0x05, true, setCacheConfig},
    {0x07, false, driveInfo},
    {0x0E, true, createDrive},
    {0x15, false, boardFeaturesCmd},
    {0x28, false, boardInfoCmd},
    {0x29, false, configPageACmd},
    {0x2A, false, configPageBCmd},
    {0x2B, true, setConfigPageCmd},
    {0x31, false, getSettingsPageCmd},
    {0x32, true, setSettingsPageCmd},
    {0x33, true, resetSettingsPageCmd},
    {0x34, false, settingsRecordCmd},
    {0x4E, false, flashRecordCmd},
    {0x5D, false, channelDescriptions},
    {0x5F, false, boardDetailsCmd},
    {0x6E, false, controllerParamCmd},
    {0x7E, true, setLogStateCmd},
    {0x2000002F, false, getLogStateCmd},
    {0x2000003E, false, channelRecordCmd},
    {0x20000080, false, fcLoopCmd},
    {0x20000081, false, fcPortCmd},
    {0x20000000, false, getDeviceInfo},
    {0x20000002, true, setDeviceInfo},
    {0x20000005, false, channelInfo},
    {0x20000006, false, channelDeviceList},
    {0x80000005, false, memberList},
    // Devices (device_commands.cpp).
    {0x20000008, true, deinitialiseCmd},
    {0x2000000D, true, unlockCmd},
    {0x2000000E, true, lockCmd},
    {0x20000012, true, deviceByteCmd},
    {0x20000013, true, surfaceStartCmd},
    {0x20000015, false, defectCountCmd},
    {0x20000018, true, surfaceAbortCmd},
    {0x20000025, false, presenceCmd},
    {0x20000027, false, blockReadCmd},
    {0x20000054, false, identifyCmd},
    {0x10010007, false, ownershipCmd},
    // Enclosures (enclosure_commands.cpp).
    {0x20000, false, enclosureInfoCmd},
    {0x20001, false, enclosureLayoutCmd},
    {0x20002, true, enclosureQueryCmd},
    {0x20010, true, slotMapOccupiedCmd},
    {0x20011, false, slotOfDiskCmd},
    {0x20012, true, slotMapCmd},
    {0x20020, true, configWriteCmd},
    {0x20021, false, configListCmd},
    {0x20022, false, configSizeCmd},
    {0x20023, false, configCountCmd},
    {0x20024, true, configReleaseCmd},
    {0x20025, true, configRemoveCmd},
};

const std::vector<IoctlCommand>& commandTable()
{
    static const std::vector<IoctlCommand> table = [] {
        std::vector<IoctlCommand> t(std::begin(kHandled), std::end(kHandled));
        for (uint32_t key : kStoredWrites)
            t.push_back({key, true, nullptr});
        return t;
    }();
    return table;
}

}  // namespace

const IoctlCommand* findIoctlCommand(uint32_t key)
{
    for (const IoctlCommand& c : commandTable())
        if (c.key == key)
            return &c;
    return nullptr;
}

uint32_t runIoctlCommand(ControllerFirmware& fw, IoctlCall& call)
{
    if (fw.unanswered(call.key))
        return FW_STATUS_NOT_SUPPORTED;
    const IoctlCommand* c = findIoctlCommand(call.key);
    if (c && c->handler)
        return c->handler(fw, call);
    if (c && c->writes)
        return storeRecord(fw, call);
    return readRecord(fw, call);
}

}  // namespace kzmsim
