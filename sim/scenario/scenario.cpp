#include "scenario.h"

#include "text_util.h"

#include <fstream>
#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <type_traits>
#include <variant>

#include <nlohmann/json.hpp>

namespace kzmsim {

namespace {

using nlohmann::json;

// Channel i has the address (2 + i) << 16, which must fit 32 bits.
constexpr size_t MAX_CHANNELS = 0xFFFE;

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

// A number: a JSON number or a text in decimal or 0x hex, at most max.
uint64_t numberValue(const json& v, const std::string& name, uint64_t max)
{
    uint64_t out = 0;
    if (v.is_number_unsigned())
        out = v.get<uint64_t>();
    else if (v.is_string()) {
        if (!parseNumber(v.get<std::string>(), UINT64_MAX, out))
            fail(std::string("\"") + name + "\" is not a number");
    } else
        fail(std::string("\"") + name + "\" must be a non-negative number");
    if (out > max)
        fail(std::string("\"") + name + "\" is out of range");
    return out;
}

// A number field, or the fallback when absent.
uint64_t number(const json& obj, const char* name, uint64_t max, uint64_t fallback)
{
    return obj.contains(name) ? numberValue(obj.at(name), name, max) : fallback;
}

// An optional number field: absent gives none.
std::optional<uint32_t> optionalNumber(const json& obj, const char* name)
{
    if (!obj.contains(name))
        return std::nullopt;
    return static_cast<uint32_t>(number(obj, name, UINT32_MAX, 0));
}

bool flag(const json& obj, const char* name, bool fallback)
{
    if (!obj.contains(name))
        return fallback;
    if (!obj.at(name).is_boolean())
        fail(std::string("\"") + name + "\" must be true or false");
    return obj.at(name).get<bool>();
}

std::string text(const json& obj, const char* name, const std::string& fallback, size_t maxLen)
{
    if (!obj.contains(name))
        return fallback;
    if (!obj.at(name).is_string())
        fail(std::string("\"") + name + "\" must be a text");
    std::string s = obj.at(name).get<std::string>();
    if (s.size() > maxLen)
        fail(std::string("\"") + name + "\" is longer than " + std::to_string(maxLen));
    return s;
}

const json& list(const json& obj, const char* name)
{
    static const json empty = json::array();
    if (!obj.contains(name))
        return empty;
    if (!obj.at(name).is_array())
        fail(std::string("\"") + name + "\" must be a list");
    return obj.at(name);
}

// A signed number between lo and hi (JSON numbers only).
int64_t signedNumber(const json& obj, const char* name, int64_t lo, int64_t hi, int64_t fallback)
{
    if (!obj.contains(name))
        return fallback;
    const json& v = obj.at(name);
    if (!v.is_number_integer())
        fail(std::string("\"") + name + "\" must be a whole number");
    const int64_t out = v.get<int64_t>();
    if (out < lo || out > hi)
        fail(std::string("\"") + name + "\" is out of range");
    return out;
}

// A list of bytes: numbers 0..255.
std::vector<uint8_t> byteList(const json& obj, const char* name)
{
    std::vector<uint8_t> out;
    for (const json& v : list(obj, name))
        out.push_back(static_cast<uint8_t>(numberValue(v, name, 255)));
    return out;
}

EnclosureSpec readEnclosure(const json& j)
{
    if (!j.is_object())
        fail("\"enclosure\" must be an object");
    EnclosureSpec e;
    e.slots = byteList(j, "slots");
    e.powerSupplies = byteList(j, "powerSupplies");
    e.fans = byteList(j, "fans");
    for (const json& sj : list(j, "sensors")) {
        SensorSpec s;
        s.degrees = static_cast<int16_t>(signedNumber(sj, "degrees", INT16_MIN, INT16_MAX, s.degrees));
        s.state = static_cast<uint8_t>(number(sj, "state", 255, 0));
        e.sensors.push_back(s);
    }
    e.overall = static_cast<uint8_t>(number(j, "overall", 255, 0));
    e.doorLock = flag(j, "doorLock", false);
    e.speaker = flag(j, "speaker", false);
    e.slotsMapped = flag(j, "slotsMapped", true);
    if (e.slots.size() > 255 || e.powerSupplies.size() > 255 || e.fans.size() > 255 || e.sensors.size() > 255)
        fail("an enclosure has at most 255 slots, power supplies, fans and sensors");
    return e;
}

std::vector<EnclosureConfig> readEnclosureConfigs(const json& j)
{
    std::vector<EnclosureConfig> out;
    for (const json& cj : j) {
        if (!cj.is_object())
            fail("an enclosure configuration must be an object");
        EnclosureConfig c;
        c.vendor = text(cj, "vendor", "KZM", 11);
        c.name = text(cj, "name", "", 11);
        for (const json& sj : list(cj, "slots")) {
            if (!sj.is_array() || sj.size() != 3)
                fail("an enclosure configuration slot must be [channel, target, slot]");
            c.slots.push_back({static_cast<uint8_t>(numberValue(sj[0], "channel", 255)),
                               static_cast<uint8_t>(numberValue(sj[1], "target", 255)),
                               static_cast<uint8_t>(numberValue(sj[2], "slot", 255))});
        }
        out.push_back(std::move(c));
    }
    if (out.size() > 0xFFFF)
        fail("more than 65535 enclosure configurations");
    return out;
}

DeviceSpec readDevice(const json& j)
{
    DeviceSpec d;
    d.targetId = static_cast<uint8_t>(number(j, "target", 255, 0));
    d.lun = static_cast<uint8_t>(number(j, "lun", 255, 0));
    d.type = static_cast<uint8_t>(number(j, "type", 255, d.type));
    d.vendor = text(j, "vendor", d.vendor, 8);
    d.product = text(j, "product", d.product, 16);
    d.revision = text(j, "revision", d.revision, 4);
    d.capacity = static_cast<uint32_t>(number(j, "capacity", UINT32_MAX, d.capacity));
    d.blockSize = static_cast<uint16_t>(number(j, "blockSize", UINT16_MAX, d.blockSize));
    d.transferRate = static_cast<uint32_t>(number(j, "transferRate", UINT32_MAX, d.transferRate));
    d.ready = flag(j, "ready", d.ready);
    d.initialised = flag(j, "initialised", d.initialised);
    d.removable = flag(j, "removable", d.removable);
    d.writeProtected = flag(j, "writeProtected", d.writeProtected);
    d.deviceByte = static_cast<uint8_t>(number(j, "deviceByte", 255, d.deviceByte));
    d.secondLoop = static_cast<uint8_t>(number(j, "secondLoop", 255, d.secondLoop));
    d.diskFormat = static_cast<uint8_t>(number(j, "diskFormat", 255, d.diskFormat));
    d.grownDefects = static_cast<uint32_t>(number(j, "grownDefects", UINT32_MAX, 0));
    d.primaryDefects = static_cast<uint32_t>(number(j, "primaryDefects", UINT32_MAX, 0));
    if (j.contains("ownership") &&
        (!parseHex(text(j, "ownership", "", 32), d.ownership) || d.ownership.size() != OWNERSHIP_SIZE))
        fail("\"ownership\" must be 16 hex bytes");
    if (j.contains("modeFor17"))
        d.modeFor17 = static_cast<uint8_t>(number(j, "modeFor17", 255, 0));
    if (j.contains("enclosure"))
        d.enclosure = readEnclosure(j.at("enclosure"));
    for (const json& bj : list(j, "infoBytes")) {
        if (!bj.is_array() || bj.size() != 2)
            fail("an \"infoBytes\" entry must be [offset, byte]");
        const auto offset = static_cast<uint8_t>(numberValue(bj[0], "information offset", 111));
        if ((offset >= 36 && offset <= 48) || offset == 57 || offset == 58)
            fail("\"infoBytes\" cannot preset the drive, size, state, type or address bytes");
        d.infoBytes.emplace_back(offset, static_cast<uint8_t>(numberValue(bj[1], "information byte", 255)));
    }
    return d;
}

ChannelSpec readChannel(const json& j)
{
    ChannelSpec c;
    c.kind = static_cast<uint8_t>(number(j, "kind", 255, c.kind));
    c.ownId = static_cast<uint8_t>(number(j, "ownId", 255, c.ownId));
    c.infoByte = static_cast<uint8_t>(number(j, "info", 255, c.infoByte));
    if (j.contains("chip"))
        c.chip = static_cast<uint8_t>(number(j, "chip", 255, 0));
    if (j.contains("busType"))
        c.busType = static_cast<uint8_t>(number(j, "busType", 255, 0));
    std::set<std::pair<int, int>> seen;
    for (const json& dj : list(j, "devices")) {
        DeviceSpec d = readDevice(dj);
        if (!seen.insert({d.targetId, d.lun}).second)
            fail("two devices with target " + std::to_string(d.targetId) + " lun " + std::to_string(d.lun));
        c.devices.push_back(std::move(d));
    }
    c.reportedDevices = optionalNumber(j, "reportedDevices");
    c.faultBus = flag(j, "faultBus", false);
    c.faultBusActive = flag(j, "faultBusActive", false);
    return c;
}

LogicalDriveSpec readLogicalDrive(const json& j, const std::vector<ChannelSpec>& channels,
                                  std::set<std::pair<int, int>>& usedDisks)
{
    LogicalDriveSpec l;
    l.number = static_cast<uint32_t>(number(j, "number", 254, 0));
    l.type = static_cast<uint16_t>(number(j, "type", UINT16_MAX, 0));
    l.name = text(j, "name", "", 8);
    for (const json& m : list(j, "members")) {
        if (m.is_number_unsigned() || m.is_string()) {
            // A device address taken as is, whether or not a device is there.
            const auto address = static_cast<uint32_t>(numberValue(m, "member address", UINT32_MAX));
            MemberSpec ms;
            ms.address = address;
            l.members.push_back(ms);
            continue;
        }
        if (!m.is_array() || m.size() != 2 || !m[0].is_number_unsigned() || !m[1].is_number_unsigned())
            fail("a member must be [channel, device] or a device address");
        const uint64_t channel = m[0].get<uint64_t>();
        const uint64_t device = m[1].get<uint64_t>();
        if (channel > 255 || channel >= channels.size() || device >= channels[channel].devices.size())
            fail("logical drive " + std::to_string(l.number) + " names a device that does not exist");
        MemberSpec ms;
        ms.channel = static_cast<uint8_t>(channel);
        ms.device = static_cast<uint16_t>(device);
        if (!usedDisks.insert({ms.channel, ms.device}).second)
            fail("a device belongs to two logical drives");
        l.members.push_back(ms);
    }
    if (l.members.empty())
        fail("logical drive " + std::to_string(l.number) + " has no members");
    l.reportedMembers = optionalNumber(j, "reportedMembers");
    l.poolHotFix = flag(j, "poolHotFix", false);
    l.reportedNext = optionalNumber(j, "reportedNext");
    l.removable = flag(j, "removable", false);
    l.writeProtected = flag(j, "writeProtected", false);
    return l;
}

// A list of exactly n 32-bit numbers.
std::vector<uint32_t> wordList(const json& obj, const char* name, size_t n)
{
    std::vector<uint32_t> out;
    for (const json& v : list(obj, name))
        out.push_back(static_cast<uint32_t>(numberValue(v, name, UINT32_MAX)));
    if (out.size() != n)
        fail(std::string("\"") + name + "\" must list " + std::to_string(n) + " numbers");
    return out;
}

// The steady I/O load: per statistics block, the growth of the drive
// counters and of the cache counters (the words of `statrate` and `cacherate`).
StatisticsRates readLoad(const json& j)
{
    if (!j.is_object())
        fail("\"load\" must be an object");
    StatisticsRates r;
    if (j.contains("drives")) {
        const std::vector<uint32_t> w = wordList(j, "drives", 4);
        r.drive = TransferCounters{w[0], w[1], w[2], w[3]};
    }
    if (j.contains("cache")) {
        const std::vector<uint32_t> w = wordList(j, "cache", 6);
        r.cache = CacheCounters{w[0], w[1], w[2], w[3], 0};
        r.usedBuffers = w[4];
        r.dirtyBuffers = w[5];
    }
    return r;
}

// The board values a scenario may override on top of the profile's.
void readBoardOverrides(const json& j, BoardSpec& b)
{
    b.typeName = text(j, "typeName", b.typeName, 15);
    b.serial = static_cast<uint32_t>(number(j, "serial", UINT32_MAX, b.serial));
    b.firmwareVersion = static_cast<uint32_t>(number(j, "firmwareVersion", UINT32_MAX, b.firmwareVersion));
    b.firmwareRevision = static_cast<uint32_t>(number(j, "firmwareRevision", UINT32_MAX, b.firmwareRevision));
    b.typeValue = static_cast<uint32_t>(number(j, "boardTypeWord", UINT32_MAX, b.typeValue));
    uint32_t features = 0;
    for (size_t i = 0; i < 4; ++i)
        features |= static_cast<uint32_t>(b.features[i]) << (8 * i);
    features = static_cast<uint32_t>(number(j, "features", UINT32_MAX, features));
    for (size_t i = 0; i < 4; ++i)
        b.features[i] = static_cast<uint8_t>(features >> (8 * i));
    b.cacheBytes = static_cast<uint32_t>(number(j, "cacheSize", UINT32_MAX, b.cacheBytes));
    b.reservedBytes = static_cast<uint32_t>(number(j, "reservedBytes", UINT32_MAX, b.reservedBytes));
    b.ramType = static_cast<uint8_t>(number(j, "ramType", 255, b.ramType));
    b.ramCheck = static_cast<uint8_t>(number(j, "ramCheck", 255, b.ramCheck));
    b.configVersion = static_cast<uint32_t>(number(j, "configVersion", UINT32_MAX, b.configVersion));
    b.logState = static_cast<uint32_t>(number(j, "logState", UINT32_MAX, b.logState));
    b.clusterBits = static_cast<uint8_t>(number(j, "clusterBits", 255, b.clusterBits));
    if (!(j.contains("enclosureConfigs") && j.at("enclosureConfigs").is_array()))
        b.enclosureConfigs = static_cast<uint32_t>(number(j, "enclosureConfigs", 0xFFFF, b.enclosureConfigs));
    b.nonBuildOffered = flag(j, "nonBuildMode", b.nonBuildOffered);
    // Flash and firmware file values.
    b.flashSize = static_cast<uint32_t>(number(j, "flashSize", 0x1000000, b.flashSize));
    b.flashBase1 = static_cast<uint32_t>(number(j, "flashBase1", UINT32_MAX, b.flashBase1));
    b.secondFlashKb = static_cast<uint32_t>(number(j, "secondFlashKb", 0x4000, b.secondFlashKb));
    b.flashBase2 = static_cast<uint32_t>(number(j, "flashBase2", UINT32_MAX, b.flashBase2));
    b.bootFlag = static_cast<uint32_t>(number(j, "bootFlag", UINT32_MAX, b.bootFlag));
    b.boardType = static_cast<uint32_t>(number(j, "boardType", UINT32_MAX, b.boardType));
    b.componentRow = static_cast<uint8_t>(number(j, "componentRow", 255, b.componentRow));
    b.firmwareFileRule = static_cast<uint32_t>(number(j, "firmwareFileRule", UINT32_MAX, b.firmwareFileRule));
    b.firmwarePattern = text(j, "firmwarePattern", b.firmwarePattern, 15);
    // Hardware values of the report.
    HardwareSpec& h = b.hardware;
    h.ramSpeed = static_cast<uint8_t>(number(j, "ramSpeed", 255, h.ramSpeed));
    h.ramBanks = static_cast<uint8_t>(number(j, "ramBanks", 255, h.ramBanks));
    if (j.contains("hardwareLevel")) {
        h.levelValid = true;
        h.level = static_cast<uint8_t>(number(j, "hardwareLevel", 255, 0));
    }
    h.options = static_cast<uint8_t>(number(j, "installedOptions", 255, h.options));
    h.batteryModule = text(j, "batteryModule", h.batteryModule, 15);
    h.batteryState = static_cast<uint8_t>(number(j, "batteryState", 255, h.batteryState));
    h.processorType = static_cast<uint32_t>(number(j, "processorType", UINT32_MAX, h.processorType));
}

// The channels of a profile, without devices.
std::vector<ChannelSpec> profileChannels(const FirmwareProfile& p)
{
    std::vector<ChannelSpec> out;
    for (uint8_t kind : p.channelKinds) {
        ChannelSpec c;
        c.kind = kind;
        c.ownId = kind == 2 ? 7 : 0;
        out.push_back(c);
    }
    return out;
}

// A number of the controller read straight into its field: the key, its
// largest value, and whether a missing key gives 0 rather than the profile's value.
struct ControllerNumber {
    const char* key;
    uint64_t max;
    std::variant<int ControllerSpec::*, uint8_t ControllerSpec::*, uint16_t ControllerSpec::*,
                 uint32_t ControllerSpec::*>
        field;
    bool zeroWhenMissing;
};

const ControllerNumber kControllerNumbers[] = {
    {"entry", 255, &ControllerSpec::entry, true},
    {"class", 255, &ControllerSpec::typeClass, false},
    {"subtype", UINT16_MAX, &ControllerSpec::subtype, false},
    {"busSlot", UINT16_MAX, &ControllerSpec::busSlot, false},
    {"id", UINT16_MAX, &ControllerSpec::identification, true},
    {"id2", UINT16_MAX, &ControllerSpec::identification2, true},
    {"id3", UINT16_MAX, &ControllerSpec::identification3, true},
    {"interfaceLevel", UINT32_MAX, &ControllerSpec::interfaceLevel, false},
    {"cacheSwitch", UINT32_MAX, &ControllerSpec::cacheSwitch, false},
    {"delayedWriteSwitch", UINT32_MAX, &ControllerSpec::delayedWriteSwitch, false},
};

// The controller's switches; a missing key is off.
const std::pair<const char*, bool ControllerSpec::*> kControllerFlags[] = {
    {"refuseChannelDescriptions", &ControllerSpec::refuseChannelDescriptions},
    {"strict", &ControllerSpec::strict},
    {"pagesToFlash", &ControllerSpec::pagesToFlash},
    {"clusterEnabled", &ControllerSpec::clusterEnabled},
};

// Reads the controller's numbers and switches of the tables above.
void readControllerScalars(const json& j, ControllerSpec& c)
{
    for (const ControllerNumber& n : kControllerNumbers)
        std::visit(
            [&](auto member) {
                auto& field = c.*member;
                using Field = std::remove_reference_t<decltype(field)>;
                const uint64_t fallback = n.zeroWhenMissing ? 0 : static_cast<uint64_t>(field);
                field = static_cast<Field>(number(j, n.key, n.max, fallback));
            },
            n.field);
    for (const auto& [key, member] : kControllerFlags)
        c.*member = flag(j, key, false);
}

// Reads the mirrors over the logical drives `numbers`.
void readMirrors(const json& j, const std::set<uint32_t>& numbers, ControllerSpec& c)
{
    std::set<uint32_t> mirrored;
    for (const json& mj : list(j, "mirrors")) {
        MirrorSpec m;
        for (const json& dj : list(mj, "drives")) {
            const auto n = static_cast<uint32_t>(numberValue(dj, "mirror drive", 254));
            if (!numbers.count(n))
                fail("mirror names logical drive " + std::to_string(n) + ", which does not exist");
            if (!mirrored.insert(n).second)
                fail("logical drive " + std::to_string(n) + " is in two mirrors");
            for (const LogicalDriveSpec& l : c.logicalDrives)
                if (l.number == n && l.poolHotFix)
                    fail("pool hot fix drive " + std::to_string(n) + " cannot be in a mirror");
            m.drives.push_back(n);
        }
        m.missing = static_cast<uint32_t>(number(mj, "missing", 254, 0));
        m.poolAccess = flag(mj, "poolAccess", false);
        m.building = flag(mj, "building", false);
        if (m.drives.empty() || m.drives.size() + m.missing < 2)
            fail("a mirror needs at least two components");
        c.mirrors.push_back(std::move(m));
    }
}

// Reads the array drives over the logical drives `numbers`.
void readArrays(const json& j, const std::set<uint32_t>& numbers, ControllerSpec& c)
{
    std::set<uint32_t> inArrays;
    for (const json& aj : list(j, "arrays")) {
        ArraySpec a;
        a.type = static_cast<uint8_t>(number(aj, "type", 10, 5));
        if (a.type != 0 && a.type != 4 && a.type != 5 && a.type != 10)
            fail("an array's type is 0, 4, 5 or 10");
        static const std::map<std::string, uint8_t> states = {
            {"idle", 0}, {"build", 2}, {"ready", 4}, {"fail", 6}, {"rebuild", 8}, {"error", 12}, {"invalid", 0x80}};
        const std::string state = text(aj, "state", "ready", 16);
        if (!states.count(state))
            fail("unknown array state \"" + state + "\"");
        a.state = states.at(state);
        auto drivesOf = [&](const char* field, std::vector<uint32_t>& out) {
            for (const json& dj : list(aj, field)) {
                const auto n = static_cast<uint32_t>(numberValue(dj, "array drive", 254));
                if (!numbers.count(n))
                    fail("array names logical drive " + std::to_string(n) + ", which does not exist");
                if (!inArrays.insert(n).second)
                    fail("logical drive " + std::to_string(n) + " is in two arrays");
                out.push_back(n);
            }
        };
        drivesOf("drives", a.drives);
        drivesOf("hotFixes", a.hotFixes);
        if (a.drives.size() < (a.type == 4 || a.type == 5 ? 3u : 2u))
            fail("an array has too few components");
        for (const uint32_t n : a.drives) {
            const bool head = std::any_of(c.mirrors.begin(), c.mirrors.end(),
                                          [n](const MirrorSpec& m) { return m.drives.front() == n; });
            if ((a.type == 10) != head)
                fail("RAID 10 is made of mirror heads, other arrays of plain drives");
        }
        a.name = text(aj, "name", "", 8);
        for (const json& sj : list(aj, "failedSlots"))
            a.failedSlots.push_back(static_cast<uint32_t>(numberValue(sj, "failed slot", a.drives.size() - 1)));
        for (const json& sj : list(aj, "missingSlots"))
            a.missingSlots.push_back(static_cast<uint32_t>(numberValue(sj, "missing slot", a.drives.size() - 1)));
        a.poolAccess = flag(aj, "poolAccess", false);
        a.destructive = flag(aj, "destructive", false);
        a.verifyState = static_cast<uint8_t>(number(aj, "verifyState", 5, 0));
        c.arrays.push_back(std::move(a));
    }
}

ControllerSpec readController(const json& j)
{
    if (!j.is_object())
        fail("a controller must be an object");
    ControllerSpec c;
    c.profile = text(j, "profile", c.profile, 16);
    const FirmwareProfile* profile = findProfile(c.profile);
    if (!profile)
        fail("unknown profile \"" + c.profile + "\"");
    applyProfile(c, *profile);
    readBoardOverrides(j, c.board);
    readControllerScalars(j, c);
    for (const json& cj : list(j, "channels"))
        c.channels.push_back(readChannel(cj));
    if (!j.contains("channels") && j.contains("profile"))
        c.channels = profileChannels(*profile);
    if (c.channels.size() > MAX_CHANNELS)
        fail("more than " + std::to_string(MAX_CHANNELS) + " channels");
    std::set<std::pair<int, int>> usedDisks;
    std::set<uint32_t> numbers;
    for (const json& lj : list(j, "logicalDrives")) {
        LogicalDriveSpec l = readLogicalDrive(lj, c.channels, usedDisks);
        if (!numbers.insert(l.number).second)
            fail("two logical drives numbered " + std::to_string(l.number));
        c.logicalDrives.push_back(std::move(l));
    }
    c.reportedDrives = optionalNumber(j, "reportedDrives");
    readMirrors(j, numbers, c);
    readArrays(j, numbers, c);
    c.reportedStatisticsEntries = optionalNumber(j, "reportedStatisticsEntries");
    for (const json& fj : list(j, "foreignHostDrives")) {
        ControllerSpec::ForeignHostDrive f;
        f.number = static_cast<uint32_t>(number(fj, "number", 254, 0));
        f.carrier = static_cast<uint32_t>(number(fj, "carrier", 254, f.number));
        f.size = static_cast<uint32_t>(number(fj, "size", UINT32_MAX, 1));
        f.name = text(fj, "name", "", 7);
        c.foreignHostDrives.push_back(std::move(f));
    }
    if (j.contains("enclosureConfigs") && j.at("enclosureConfigs").is_array())
        c.enclosureConfigs = readEnclosureConfigs(j.at("enclosureConfigs"));
    if (j.contains("surfaceCheck")) {
        const json& sj = j.at("surfaceCheck");
        c.surfaceCheck.step = static_cast<uint32_t>(number(sj, "step", 100, c.surfaceCheck.step));
        c.surfaceCheck.delay = static_cast<uint32_t>(number(sj, "delay", 1000, c.surfaceCheck.delay));
        c.surfaceCheck.seconds = static_cast<uint32_t>(number(sj, "seconds", 86400, c.surfaceCheck.seconds));
    }
    if (j.contains("load"))
        c.load = readLoad(j.at("load"));
    for (const json& pj : list(j, "pageA")) {
        if (!pj.is_array() || pj.size() != 2)
            fail("a \"pageA\" entry must be [offset, byte]");
        const auto offset = static_cast<uint16_t>(numberValue(pj[0], "page A offset", 379));
        if (offset < 8)
            fail("\"pageA\" cannot preset the page's size and version words");
        c.pageA.emplace_back(offset, static_cast<uint8_t>(numberValue(pj[1], "page A byte", 255)));
    }
    for (const json& rj : list(j, "records")) {
        RecordSpec r;
        r.key = static_cast<uint32_t>(number(rj, "key", UINT32_MAX, 0));
        r.target = static_cast<uint32_t>(number(rj, "target", UINT32_MAX, 0xFFFF));
        if (!parseHex(text(rj, "hex", "", 1 << 20), r.bytes))
            fail("a record's \"hex\" is not hex bytes");
        c.records.push_back(std::move(r));
    }
    return c;
}

}  // namespace

void applyProfile(ControllerSpec& c, const FirmwareProfile& p)
{
    c.profile = p.name;
    c.interfaceLevel = p.levelWord;
    c.board = p.board;
    c.unansweredKeys = p.unansweredKeys;
}

bool parseScenario(const std::string& jsonText, Scenario& out, std::string& error)
{
    try {
        const json j = json::parse(jsonText);
        if (!j.is_object())
            fail("the scenario must be an object");
        Scenario s;
        s.driverVersion = static_cast<uint16_t>(number(j, "driverVersion", UINT16_MAX, s.driverVersion));
        if (j.contains("osVersion")) {
            const json& os = j.at("osVersion");
            if (!os.is_object())
                fail("\"osVersion\" must be an object");
            s.osMajor = static_cast<uint8_t>(number(os, "major", 255, s.osMajor));
            s.osMinor = static_cast<uint8_t>(number(os, "minor", 255, s.osMinor));
            s.osRevision = static_cast<uint16_t>(number(os, "revision", UINT16_MAX, s.osRevision));
        }
        if (j.contains("controllerCount"))
            s.controllerCount = static_cast<uint32_t>(number(j, "controllerCount", UINT16_MAX, 0));
        std::set<int> entries;
        for (const json& cj : list(j, "controllers")) {
            ControllerSpec c = readController(cj);
            if (!entries.insert(c.entry).second)
                fail("two controllers at entry " + std::to_string(c.entry));
            s.controllers.push_back(std::move(c));
        }
        out = std::move(s);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool loadScenarioFile(const std::string& path, Scenario& out, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parseScenario(text.str(), out, error);
}

Scenario defaultScenario()
{
    auto disk = [](uint8_t target, const char* product, uint32_t capacity) {
        DeviceSpec d;
        d.targetId = target;
        d.product = product;
        d.capacity = capacity;
        return d;
    };
    auto channel = [](uint8_t kind, uint8_t ownId, std::vector<DeviceSpec> devices) {
        ChannelSpec c;
        c.kind = kind;
        c.ownId = ownId;
        c.devices = std::move(devices);
        return c;
    };
    auto controller = [](int entry, const char* profileName) {
        ControllerSpec c;
        c.entry = entry;
        applyProfile(c, *findProfile(profileName));
        return c;
    };
    Scenario s;
    // A new firmware on SCSI, Fibre Channel and SATA.
    ControllerSpec c0 = controller(0, "new");
    c0.typeClass = 0xFE;
    c0.subtype = 0x6100;
    c0.busSlot = 0x0208;  // PCI bus 2, device 1
    c0.channels = {channel(2, 7, {disk(0, "VIRTUAL DISK A", 4194304), disk(1, "VIRTUAL DISK B", 4194304)}),
                   channel(3, 0, {disk(1, "VIRTUAL FC DISK", 8388608)}),
                   channel(4, 0, {disk(1, "VIRTUAL SATA 1", 2097152)})};  // ID 0 is the controller's own
    LogicalDriveSpec disk0;
    disk0.name = "DISK_0";
    disk0.members = {MemberSpec{}};  // channel 0, device 0
    c0.logicalDrives = {disk0};

    // An old firmware (level 22) on one SCSI channel.
    ControllerSpec c1 = controller(1, "old");
    c1.typeClass = 0x86;
    c1.subtype = 0;
    c1.busSlot = 0x0310;  // PCI bus 3, device 2
    c1.channels = {channel(2, 7, {disk(0, "VIRTUAL DISK 0", 2097152), disk(1, "VIRTUAL DISK 1", 2097152)})};
    // In the demonstration a surface check takes a minute, and a steady,
    // modest I/O load keeps the statistics moving: per statistics block (an
    // emulated second) 20 reads of 625 blocks in all and 10 writes of 250 on
    // every disk and drive (320 and 128 KB/s), and 20 read and 10 write
    // requests of the cache, 15 and 5 of them hits.
    c0.surfaceCheck.seconds = 60;
    c1.surfaceCheck.seconds = 60;
    StatisticsRates load;
    load.drive = TransferCounters{20, 10, 625, 250};
    load.cache = CacheCounters{20, 10, 15, 5, 0};
    c0.load = load;
    c1.load = load;
    s.controllers = {c0, c1};
    return s;
}

}  // namespace kzmsim
