#include "ioctl_handlers.h"

#include "command_words.h"
#include "device_commands.h"
#include "drive_config.h"

#include <byte_order.h>

#include <algorithm>

namespace kzmsim {

namespace {

constexpr uint32_t FIRST_CHANNEL_TARGET = 0x2FFFF;   // channel 0x20000 as a whole
constexpr uint32_t PAGE_VERSION_PRESET = 0xFFFFFFFF; // word 4 of a page read request
constexpr size_t PAGE_SECOND_OPTION_COUNT = 364;
constexpr size_t PAGE_SECOND_OPTIONS = 365;
constexpr uint32_t BOARD_DETAILS_BLOCK_PRESET = 512;  // u32 at 104 of the request
constexpr uint32_t BOARD_TYPE_PRESET = 0xFFFFFFFF;    // u32 at 184 of the request
constexpr uint8_t COMPONENT_ROW_PRESET = 0xFF;        // byte 236 of the request
constexpr uint8_t FIRST_CACHE_SET_WITH_FEATURES = 50;
constexpr uint8_t CACHE_SET_COUNT = 4;                // NUM_SETS of the factory sets

// Answers a fixed-size record; a request of another size is refused.
template <typename Bytes>
uint32_t answer(IoctlCall& c, const Bytes& record)
{
    if (c.param.size() != record.size())
        return FW_STATUS_BAD_RECORD;
    std::copy(record.begin(), record.end(), c.param.begin());
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

// A configuration page as a read answers it: the caller presets the size word
// and -1 in the version word, and in byte 364 how many second option bytes it
// takes (15 on firmware that has them); no more than that many come back.
uint32_t answerPage(IoctlCall& c, const ConfigPage& page)
{
    if (wire::get32(c.param.data(), 0) != CONFIG_PAGE_SIZE_WORD || wire::get32(c.param.data(), 4) != PAGE_VERSION_PRESET)
        return FW_STATUS_BAD_RECORD;
    const uint8_t taken = std::min(c.param[PAGE_SECOND_OPTION_COUNT], page[PAGE_SECOND_OPTION_COUNT]);
    std::copy(page.begin(), page.end(), c.param.begin());
    c.param[PAGE_SECOND_OPTION_COUNT] = taken;
    std::fill(c.param.begin() + static_cast<std::ptrdiff_t>(PAGE_SECOND_OPTIONS + std::min<size_t>(taken, 15)),
              c.param.end(), 0);
    return ok();
}

// True when byte 4 of a cache parameter set request names one of the
// controller's sets: 50..53 on controllers with RAID feature bits, else 0..3.
bool knownCacheSet(const ControllerFirmware& fw, uint8_t set)
{
    const uint8_t first = fw.identity.board.features[3] != 0 ? FIRST_CACHE_SET_WITH_FEATURES : 0;
    return set >= first && set < first + CACHE_SET_COUNT;
}

// The cache parameter set named by byte 4 of a settings page request.
SettingsPage cacheSet(const ControllerFirmware& fw, uint8_t set)
{
    const auto it = fw.cacheSets.find(set);
    return it == fw.cacheSets.end() ? defaultCacheSet(set) : it->second;
}

// The Fibre Channel channel whose number is word 0 of the request, or none.
const Channel* fibreChannel(ControllerFirmware& fw, const IoctlCall& c)
{
    if (c.param.size() < 4)
        return nullptr;
    const Channel* ch = addressedChannel(fw, c, wire::get32(c.param.data(), 0));
    return ch && ch->kind == 3 ? ch : nullptr;
}

}  // namespace

uint32_t readKeptRecord(ControllerFirmware& fw, IoctlCall& c, uint32_t key)
{
    std::fill(c.param.begin(), c.param.end(), 0);
    const auto it = fw.records.find({key, c.target});
    if (it != fw.records.end())
        std::copy_n(it->second.begin(), std::min(it->second.size(), c.param.size()), c.param.begin());
    return ok();
}

uint32_t keepRecord(ControllerFirmware& fw, IoctlCall& c, uint32_t key)
{
    fw.records[{key, c.target}] = c.param;
    return ok();
}

const Channel* addressedChannel(ControllerFirmware& fw, const IoctlCall& c, uint32_t number)
{
    const Channel* ch = fw.channelByNumber(number);
    if (!ch)
        return nullptr;
    if (c.target == (ch->address | 0xFFFF))
        return ch;
    // The channel probe counts channels by number on the first channel's
    // address; without channel descriptions every channel has that address.
    const bool probe = c.key == 0x20000005;
    if (c.target == FIRST_CHANNEL_TARGET && (probe || fw.descriptionsRefused()))
        return ch;
    return nullptr;
}

uint32_t driveCountCmd(ControllerFirmware& fw, IoctlCall& c)
{
    // Mirror components other than the head are reached through their chain.
    const auto listed = std::count_if(fw.logicalDrives.begin(), fw.logicalDrives.end(),
                                      [&](const auto& d) { return listedDrive(fw, d.first); });
    wire::put32(c.param.data(), 0, fw.identity.reportedDrives.value_or(static_cast<uint32_t>(listed)));
    return ok();
}

uint32_t driveListCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() % 4 != 0)
        return FW_STATUS_BAD_RECORD;
    std::fill(c.param.begin(), c.param.end(), 0);
    size_t off = 0;
    for (const auto& [number, drive] : fw.logicalDrives) {
        if (off + 4 > c.param.size())
            break;
        if (!listedDrive(fw, number))
            continue;
        wire::put32(c.param.data(), off, number);
        off += 4;
    }
    return ok();
}

uint32_t cacheInfoCmd(ControllerFirmware& fw, IoctlCall& c)
{
    std::fill(c.param.begin(), c.param.end(), 0);
    std::array<uint8_t, CACHE_PARAM_SIZE> params = fw.cacheParams;
    wire::put32(params.data(), 0, fw.identity.interfaceLevel);
    std::copy(params.begin(), params.end(), c.param.begin());
    return ok();
}

uint32_t setCacheConfigCmd(ControllerFirmware& fw, IoctlCall& c)
{
    std::copy(c.param.begin() + 4, c.param.begin() + CACHE_PARAM_SIZE, fw.cacheParams.begin() + 4);
    return ok();
}

uint32_t driveInfoCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const auto it = fw.logicalDrives.find(c.target);
    if (it == fw.logicalDrives.end())
        return FW_STATUS_INVALID_TARGET;
    const LogicalDrive& d = it->second;
    std::fill(c.param.begin(), c.param.end(), 0);
    uint8_t* p = c.param.data();
    const uint32_t members = d.memberCount();
    const uint32_t capacity = driveCapacityOf(fw, d);
    if (fw.oldLists()) {
        wire::put32(p, 0, d.number);
        wire::put32(p, 16, capacity);
        wire::put32(p, 20, members);
        wire::put32(p, 28, static_cast<uint32_t>(d.type) << 12);
        wire::putBytes(p, 32, d.name.data(), 8);
    } else {
        wire::put32(p, 0, d.number);
        p[20] = 1;  // usable
        p[21] = d.removable ? 1 : 0;
        p[22] = d.writeProtected ? 1 : 0;
        wire::put32(p, 24, capacity);
        wire::put32(p, 28, 512);
        wire::put32(p, 32, members);
        wire::put32(p, 40, static_cast<uint32_t>(d.type) << 12);
        wire::putBytes(p, 48, d.name.data(), 8);
        fillDriveState(fw, d, p);
    }
    return ok();
}

uint32_t setDriveNameCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const auto it = fw.logicalDrives.find(c.target);
    if (it == fw.logicalDrives.end())
        return FW_STATUS_INVALID_TARGET;
    // A mirror component names its whole mirror; another drive itself.
    const int64_t head = chainHead(fw, c.target);
    auto& name = head >= 0 ? fw.mirrors.at(static_cast<uint32_t>(head)).name : it->second.name;
    std::copy_n(c.param.begin(), name.size(), name.begin());
    fw.commitPending = true;
    return ok();
}

uint32_t createDriveCmd(ControllerFirmware& fw, IoctlCall& c)
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

uint32_t boardFeaturesCmd(ControllerFirmware& fw, IoctlCall& c)
{
    return answer(c, boardFeatures(fw.identity.board));
}

uint32_t getControllerOptionCmd(ControllerFirmware& fw, IoctlCall& c)
{
    return readKeptRecord(fw, c, 0x16);
}

uint32_t setControllerOptionCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param[0] > 1)
        return FW_STATUS_BAD_RECORD;  // a boolean option
    return keepRecord(fw, c, 0x16);
}

uint32_t boardInfoCmd(ControllerFirmware& fw, IoctlCall& c)
{
    return answer(c, boardInformation(fw.identity.board, fw.channels.size()));
}

uint32_t configPageACmd(ControllerFirmware& fw, IoctlCall& c)
{
    return answerPage(c, fw.configPageA);
}

uint32_t configPageBCmd(ControllerFirmware& fw, IoctlCall& c)
{
    return answerPage(c, fw.pageB);
}

uint32_t setConfigPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (wire::get32(c.param.data(), 0) != CONFIG_PAGE_SIZE_WORD)
        return FW_STATUS_BAD_RECORD;
    ConfigPage page{};
    std::copy(c.param.begin(), c.param.end(), page.begin());
    fw.writeConfigPageA(page);
    fw.access.page = PageStep::Written;  // until 0x2C commits it
    fw.access.pageFlashHandle = NO_FLASH_HANDLE;
    fw.access.pageFlashed = false;
    return ok();
}

uint32_t getSettingsPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!knownCacheSet(fw, c.param[4]))
        return FW_STATUS_BAD_RECORD;
    return answer(c, cacheSet(fw, c.param[4]));
}

uint32_t setSettingsPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!knownCacheSet(fw, c.param[4]))
        return FW_STATUS_BAD_RECORD;
    SettingsPage& page = fw.cacheSets[c.param[4]];
    std::copy(c.param.begin(), c.param.end(), page.begin());
    return ok();
}

uint32_t resetSettingsPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!knownCacheSet(fw, c.param[4]))
        return FW_STATUS_BAD_RECORD;
    fw.cacheSets.erase(c.param[4]);
    return answer(c, defaultCacheSet(c.param[4]));
}

uint32_t settingsRecordCmd(ControllerFirmware&, IoctlCall& c)
{
    wire::put32(c.param.data(), 8, LARGEST_PARITY_FRACTION);
    return ok();
}

uint32_t flashRecordCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param[0] != 1 && c.param[0] != 2)
        return FW_STATUS_BAD_RECORD;
    return answer(c, flashRecord(fw.identity.board, c.param[0]));
}

uint32_t channelDescriptionsCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (fw.identity.refuseChannelDescriptions)
        return FW_STATUS_NOT_SUPPORTED;
    if (c.param.size() < 12 || (c.param.size() - 12) % 8 != 0)
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

uint32_t boardDetailsCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const uint8_t* p = c.param.data();
    if (wire::get32(p, 0) != BOARD_DETAILS_SIZE || wire::get32(p, 104) != BOARD_DETAILS_BLOCK_PRESET ||
        wire::get32(p, 184) != BOARD_TYPE_PRESET || p[236] != COMPONENT_ROW_PRESET)
        return FW_STATUS_BAD_RECORD;
    Record details = boardDetails(fw.identity.board);
    for (size_t ch = 0; ch < fw.faultBus.present.size(); ++ch)
        details[12 + ch] = fw.faultBus.present[ch];
    return answer(c, details);
}

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

uint32_t setLogStateCmd(ControllerFirmware& fw, IoctlCall& c)
{
    fw.logState = wire::get32(c.param.data(), 0);
    return ok();
}

uint32_t memberListCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const auto it = fw.logicalDrives.find(c.target);
    if (it == fw.logicalDrives.end())
        return FW_STATUS_INVALID_TARGET;
    if (c.param.size() % 8 != 0)
        return FW_STATUS_BAD_RECORD;
    std::fill(c.param.begin(), c.param.end(), 0);
    const LogicalDrive& d = it->second;
    for (size_t i = 0; i < d.members.size() && 8 * i + 8 <= c.param.size(); ++i) {
        wire::put32(c.param.data(), 8 * i, d.firstWords[i]);
        wire::put32(c.param.data(), 8 * i + 4, d.members[i]);
    }
    return ok();
}

uint32_t hostDriveRecordCmd(ControllerFirmware& fw, IoctlCall& c)
{
    // The record of all host drives, or of the host drives of one carrying
    // drive (preset by the scenario, else zero).
    if (c.target != ALL_HOST_DRIVES && !fw.hostTables.count(c.target))
        return FW_STATUS_INVALID_TARGET;
    return readKeptRecord(fw, c, 0x10010006);
}

uint32_t getDeviceInfoCmd(ControllerFirmware& fw, IoctlCall& c)
{
    advanceSurfaceCheck(fw, c.target);  // every query moves a running surface check on
    toControllerLayout(fw.identity.interfaceLevel, fw.deviceInfo(c.target), c.param);
    return ok();
}

uint32_t setDeviceInfoCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const DeviceInfoBytes written = fromControllerLayout(fw.identity.interfaceLevel, c.param, fw.deviceInfo(c.target));
    fw.setDeviceInfo(c.target, written);
    initialiseDisk(fw, *fw.device(c.target), written);
    return ok();
}

uint32_t channelInfoCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const Channel* ch = addressedChannel(fw, c, wire::get32(c.param.data(), 0));
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    wire::put32(c.param.data(), 4, ch->deviceCount());
    c.param[8] = ch->ownId;
    c.param[9] = ch->infoByte;
    return ok();
}

uint32_t channelDeviceListCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const size_t head = fw.oldLists() ? 4 : 8;
    if (c.param.size() < head || c.param.size() % 4 != 0)
        return FW_STATUS_BAD_RECORD;
    const Channel* ch = addressedChannel(fw, c, wire::get32(c.param.data(), 0));
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    if (!fw.oldLists())
        wire::put32(c.param.data(), 4, ch->deviceCount());
    size_t off = head;
    for (const Device& d : ch->devices) {
        if (off + 4 > c.param.size())
            break;
        wire::put32(c.param.data(), off, d.entry);
        off += 4;
    }
    return ok();
}

uint32_t getLogStateCmd(ControllerFirmware& fw, IoctlCall& c)
{
    wire::put32(c.param.data(), 0, fw.logState);
    return ok();
}

uint32_t channelRecordCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const Channel* ch = addressedChannel(fw, c, c.param[0]);
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    return answer(c, channelRecord(*ch));
}

uint32_t fcLoopCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const Channel* ch = fibreChannel(fw, c);
    return ch ? answer(c, fcLoopRecord(fw.identity.board, *ch)) : FW_STATUS_INVALID_TARGET;
}

uint32_t fcPortCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const Channel* ch = fibreChannel(fw, c);
    return ch ? answer(c, fcPortRecord(*ch)) : FW_STATUS_INVALID_TARGET;
}

}  // namespace kzmsim
