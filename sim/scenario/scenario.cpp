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
// Bounds of a load's cycle: its length and each percentage.
constexpr size_t MAX_CYCLE_LENGTH = 3600;
constexpr uint64_t MAX_CYCLE_PERCENT = 1000;

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

// An object of the scenario being read: where it stands (for example
// "controllers[1].channels[0]"; empty for the scenario itself) and the keys
// its reader asked for, so that a key no reader asks for (a misspelt one) is
// refused with its name and place.
class Fields {
public:
    Fields(const json& j, std::string place) : j_(j), place_(std::move(place))
    {
        if (!j.is_object())
            fail((place_.empty() ? std::string("the scenario") : "\"" + place_ + "\"") + " must be an object");
    }
    // True when the key is given.
    bool has(const char* key) const
    {
        asked_.insert(key);
        return j_.contains(key);
    }
    // The value of a key that is given.
    const json& at(const char* key) const
    {
        asked_.insert(key);
        return j_.at(key);
    }
    // The place of a key of this object, as messages name it.
    std::string placeOf(const std::string& key) const { return place_.empty() ? key : place_ + "." + key; }
    // The place of element i of the list under a key.
    std::string placeOf(const std::string& key, size_t i) const { return placeOf(key) + "[" + std::to_string(i) + "]"; }
    // Refuses the first key that no reader asked for.
    void refuseUnknownKeys() const
    {
        for (const auto& [key, value] : j_.items())
            if (!asked_.count(key))
                fail("unknown key \"" + key + "\" " +
                     (place_.empty() ? std::string("at the top of the scenario") : "in " + place_));
    }

private:
    const json& j_;
    std::string place_;
    mutable std::set<std::string, std::less<>> asked_;
};

// A number field, or the fallback when absent.
uint64_t number(const Fields& obj, const char* name, uint64_t max, uint64_t fallback)
{
    return obj.has(name) ? numberValue(obj.at(name), obj.placeOf(name), max) : fallback;
}

// An optional number field: absent gives none.
std::optional<uint32_t> optionalNumber(const Fields& obj, const char* name)
{
    if (!obj.has(name))
        return std::nullopt;
    return static_cast<uint32_t>(number(obj, name, UINT32_MAX, 0));
}

bool flag(const Fields& obj, const char* name, bool fallback)
{
    if (!obj.has(name))
        return fallback;
    if (!obj.at(name).is_boolean())
        fail("\"" + obj.placeOf(name) + "\" must be true or false");
    return obj.at(name).get<bool>();
}

std::string text(const Fields& obj, const char* name, const std::string& fallback, size_t maxLen)
{
    if (!obj.has(name))
        return fallback;
    if (!obj.at(name).is_string())
        fail("\"" + obj.placeOf(name) + "\" must be a text");
    std::string s = obj.at(name).get<std::string>();
    if (s.size() > maxLen)
        fail("\"" + obj.placeOf(name) + "\" is longer than " + std::to_string(maxLen));
    return s;
}

const json& list(const Fields& obj, const char* name)
{
    static const json empty = json::array();
    if (!obj.has(name))
        return empty;
    if (!obj.at(name).is_array())
        fail("\"" + obj.placeOf(name) + "\" must be a list");
    return obj.at(name);
}

// A signed number between lo and hi (JSON numbers only).
int64_t signedNumber(const Fields& obj, const char* name, int64_t lo, int64_t hi, int64_t fallback)
{
    if (!obj.has(name))
        return fallback;
    const json& v = obj.at(name);
    if (!v.is_number_integer())
        fail("\"" + obj.placeOf(name) + "\" must be a whole number");
    const int64_t out = v.get<int64_t>();
    if (out < lo || out > hi)
        fail("\"" + obj.placeOf(name) + "\" is out of range");
    return out;
}

// A list of bytes: numbers 0..255.
std::vector<uint8_t> byteList(const Fields& obj, const char* name)
{
    std::vector<uint8_t> out;
    for (const json& v : list(obj, name))
        out.push_back(static_cast<uint8_t>(numberValue(v, obj.placeOf(name), 255)));
    return out;
}

EnclosureSpec readEnclosure(const json& j, const std::string& place)
{
    const Fields f(j, place);
    EnclosureSpec e;
    e.slots = byteList(f, "slots");
    e.powerSupplies = byteList(f, "powerSupplies");
    e.fans = byteList(f, "fans");
    const json& sensors = list(f, "sensors");
    for (size_t i = 0; i < sensors.size(); ++i) {
        const Fields sf(sensors[i], f.placeOf("sensors", i));
        SensorSpec s;
        s.degrees = static_cast<int16_t>(signedNumber(sf, "degrees", INT16_MIN, INT16_MAX, s.degrees));
        s.state = static_cast<uint8_t>(number(sf, "state", 255, 0));
        sf.refuseUnknownKeys();
        e.sensors.push_back(s);
    }
    e.overall = static_cast<uint8_t>(number(f, "overall", 255, 0));
    e.doorLock = flag(f, "doorLock", false);
    e.speaker = flag(f, "speaker", false);
    e.slotsMapped = flag(f, "slotsMapped", true);
    if (e.slots.size() > 255 || e.powerSupplies.size() > 255 || e.fans.size() > 255 || e.sensors.size() > 255)
        fail("an enclosure has at most 255 slots, power supplies, fans and sensors");
    f.refuseUnknownKeys();
    return e;
}

std::vector<EnclosureConfig> readEnclosureConfigs(const json& j, const std::string& place)
{
    std::vector<EnclosureConfig> out;
    for (size_t i = 0; i < j.size(); ++i) {
        const Fields f(j[i], place + "[" + std::to_string(i) + "]");
        EnclosureConfig c;
        c.vendor = text(f, "vendor", "KZM", 11);
        c.name = text(f, "name", "", 11);
        for (const json& sj : list(f, "slots")) {
            if (!sj.is_array() || sj.size() != 3)
                fail("an enclosure configuration slot must be [channel, target, slot]");
            c.slots.push_back({static_cast<uint8_t>(numberValue(sj[0], "channel", 255)),
                               static_cast<uint8_t>(numberValue(sj[1], "target", 255)),
                               static_cast<uint8_t>(numberValue(sj[2], "slot", 255))});
        }
        f.refuseUnknownKeys();
        out.push_back(std::move(c));
    }
    if (out.size() > 0xFFFF)
        fail("more than 65535 enclosure configurations");
    return out;
}

DeviceSpec readDevice(const json& j, const std::string& place)
{
    const Fields f(j, place);
    DeviceSpec d;
    d.targetId = static_cast<uint8_t>(number(f, "target", 255, 0));
    d.lun = static_cast<uint8_t>(number(f, "lun", 255, 0));
    d.type = static_cast<uint8_t>(number(f, "type", 255, d.type));
    d.vendor = text(f, "vendor", d.vendor, 8);
    d.product = text(f, "product", d.product, 16);
    d.revision = text(f, "revision", d.revision, 4);
    d.capacity = static_cast<uint32_t>(number(f, "capacity", UINT32_MAX, d.capacity));
    d.blockSize = static_cast<uint16_t>(number(f, "blockSize", UINT16_MAX, d.blockSize));
    d.transferRate = static_cast<uint32_t>(number(f, "transferRate", UINT32_MAX, d.transferRate));
    d.ready = flag(f, "ready", d.ready);
    d.initialised = flag(f, "initialised", d.initialised);
    d.removable = flag(f, "removable", d.removable);
    d.writeProtected = flag(f, "writeProtected", d.writeProtected);
    d.deviceByte = static_cast<uint8_t>(number(f, "deviceByte", 255, d.deviceByte));
    d.secondLoop = static_cast<uint8_t>(number(f, "secondLoop", 255, d.secondLoop));
    d.diskFormat = static_cast<uint8_t>(number(f, "diskFormat", 255, d.diskFormat));
    d.grownDefects = static_cast<uint32_t>(number(f, "grownDefects", UINT32_MAX, 0));
    d.primaryDefects = static_cast<uint32_t>(number(f, "primaryDefects", UINT32_MAX, 0));
    if (f.has("ownership") &&
        (!parseHex(text(f, "ownership", "", 32), d.ownership) || d.ownership.size() != OWNERSHIP_SIZE))
        fail("\"" + f.placeOf("ownership") + "\" must be 16 hex bytes");
    if (f.has("modeFor17"))
        d.modeFor17 = static_cast<uint8_t>(number(f, "modeFor17", 255, 0));
    if (f.has("enclosure"))
        d.enclosure = readEnclosure(f.at("enclosure"), f.placeOf("enclosure"));
    for (const json& bj : list(f, "infoBytes")) {
        if (!bj.is_array() || bj.size() != 2)
            fail("an \"infoBytes\" entry must be [offset, byte]");
        const auto offset = static_cast<uint8_t>(numberValue(bj[0], "information offset", 111));
        if ((offset >= 36 && offset <= 48) || offset == 57 || offset == 58)
            fail("\"infoBytes\" cannot preset the drive, size, state, type or address bytes");
        d.infoBytes.emplace_back(offset, static_cast<uint8_t>(numberValue(bj[1], "information byte", 255)));
    }
    f.refuseUnknownKeys();
    return d;
}

ChannelSpec readChannel(const json& j, const std::string& place)
{
    const Fields f(j, place);
    ChannelSpec c;
    c.kind = static_cast<uint8_t>(number(f, "kind", 255, c.kind));
    c.ownId = static_cast<uint8_t>(number(f, "ownId", 255, c.ownId));
    c.infoByte = static_cast<uint8_t>(number(f, "info", 255, c.infoByte));
    if (f.has("chip"))
        c.chip = static_cast<uint8_t>(number(f, "chip", 255, 0));
    if (f.has("busType"))
        c.busType = static_cast<uint8_t>(number(f, "busType", 255, 0));
    std::set<std::pair<int, int>> seen;
    const json& devices = list(f, "devices");
    for (size_t i = 0; i < devices.size(); ++i) {
        DeviceSpec d = readDevice(devices[i], f.placeOf("devices", i));
        if (!seen.insert({d.targetId, d.lun}).second)
            fail("two devices with target " + std::to_string(d.targetId) + " lun " + std::to_string(d.lun));
        c.devices.push_back(std::move(d));
    }
    c.reportedDevices = optionalNumber(f, "reportedDevices");
    c.faultBus = flag(f, "faultBus", false);
    c.faultBusActive = flag(f, "faultBusActive", false);
    f.refuseUnknownKeys();
    return c;
}

LogicalDriveSpec readLogicalDrive(const json& j, const std::string& place, const std::vector<ChannelSpec>& channels,
                                  std::set<std::pair<int, int>>& usedDisks)
{
    const Fields f(j, place);
    LogicalDriveSpec l;
    l.number = static_cast<uint32_t>(number(f, "number", 254, 0));
    l.type = static_cast<uint16_t>(number(f, "type", UINT16_MAX, 0));
    l.name = text(f, "name", "", 8);
    for (const json& m : list(f, "members")) {
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
    l.reportedMembers = optionalNumber(f, "reportedMembers");
    l.poolHotFix = flag(f, "poolHotFix", false);
    l.reportedNext = optionalNumber(f, "reportedNext");
    l.removable = flag(f, "removable", false);
    l.writeProtected = flag(f, "writeProtected", false);
    f.refuseUnknownKeys();
    return l;
}

// A list of exactly n 32-bit numbers.
std::vector<uint32_t> wordList(const Fields& obj, const char* name, size_t n)
{
    std::vector<uint32_t> out;
    for (const json& v : list(obj, name))
        out.push_back(static_cast<uint32_t>(numberValue(v, obj.placeOf(name), UINT32_MAX)));
    if (out.size() != n)
        fail("\"" + obj.placeOf(name) + "\" must list " + std::to_string(n) + " numbers");
    return out;
}

// The steady I/O load: per statistics block, the growth of the drive
// counters and of the cache counters (the words of `statrate` and
// `cacherate`), and the percentages of them that the blocks take in turn.
StatisticsRates readLoad(const json& j, const std::string& place)
{
    const Fields f(j, place);
    StatisticsRates r;
    if (f.has("drives")) {
        const std::vector<uint32_t> w = wordList(f, "drives", 4);
        r.drive = TransferCounters{w[0], w[1], w[2], w[3]};
    }
    if (f.has("cache")) {
        const std::vector<uint32_t> w = wordList(f, "cache", 6);
        r.cache = CacheCounters{w[0], w[1], w[2], w[3], 0};
        r.usedBuffers = w[4];
        r.dirtyBuffers = w[5];
    }
    for (const json& v : list(f, "cycle"))
        r.cycle.push_back(static_cast<uint32_t>(numberValue(v, f.placeOf("cycle"), MAX_CYCLE_PERCENT)));
    if (r.cycle.size() > MAX_CYCLE_LENGTH)
        fail("\"" + f.placeOf("cycle") + "\" lists more than " + std::to_string(MAX_CYCLE_LENGTH) + " percentages");
    f.refuseUnknownKeys();
    return r;
}

// The board values a scenario may override on top of the profile's.
void readBoardOverrides(const Fields& f, BoardSpec& b)
{
    b.typeName = text(f, "typeName", b.typeName, 15);
    b.serial = static_cast<uint32_t>(number(f, "serial", UINT32_MAX, b.serial));
    b.firmwareVersion = static_cast<uint32_t>(number(f, "firmwareVersion", UINT32_MAX, b.firmwareVersion));
    b.firmwareRevision = static_cast<uint32_t>(number(f, "firmwareRevision", UINT32_MAX, b.firmwareRevision));
    b.typeValue = static_cast<uint32_t>(number(f, "boardTypeWord", UINT32_MAX, b.typeValue));
    uint32_t features = 0;
    for (size_t i = 0; i < 4; ++i)
        features |= static_cast<uint32_t>(b.features[i]) << (8 * i);
    features = static_cast<uint32_t>(number(f, "features", UINT32_MAX, features));
    for (size_t i = 0; i < 4; ++i)
        b.features[i] = static_cast<uint8_t>(features >> (8 * i));
    b.cacheBytes = static_cast<uint32_t>(number(f, "cacheSize", UINT32_MAX, b.cacheBytes));
    b.reservedBytes = static_cast<uint32_t>(number(f, "reservedBytes", UINT32_MAX, b.reservedBytes));
    b.ramType = static_cast<uint8_t>(number(f, "ramType", 255, b.ramType));
    b.ramCheck = static_cast<uint8_t>(number(f, "ramCheck", 255, b.ramCheck));
    b.configVersion = static_cast<uint32_t>(number(f, "configVersion", UINT32_MAX, b.configVersion));
    b.logState = static_cast<uint32_t>(number(f, "logState", UINT32_MAX, b.logState));
    b.clusterBits = static_cast<uint8_t>(number(f, "clusterBits", 255, b.clusterBits));
    if (!(f.has("enclosureConfigs") && f.at("enclosureConfigs").is_array()))
        b.enclosureConfigs = static_cast<uint32_t>(number(f, "enclosureConfigs", 0xFFFF, b.enclosureConfigs));
    b.nonBuildOffered = flag(f, "nonBuildMode", b.nonBuildOffered);
    // Flash and firmware file values.
    b.flashSize = static_cast<uint32_t>(number(f, "flashSize", 0x1000000, b.flashSize));
    b.flashBase1 = static_cast<uint32_t>(number(f, "flashBase1", UINT32_MAX, b.flashBase1));
    b.secondFlashKb = static_cast<uint32_t>(number(f, "secondFlashKb", 0x4000, b.secondFlashKb));
    b.flashBase2 = static_cast<uint32_t>(number(f, "flashBase2", UINT32_MAX, b.flashBase2));
    b.bootFlag = static_cast<uint32_t>(number(f, "bootFlag", UINT32_MAX, b.bootFlag));
    b.boardType = static_cast<uint32_t>(number(f, "boardType", UINT32_MAX, b.boardType));
    b.componentRow = static_cast<uint8_t>(number(f, "componentRow", 255, b.componentRow));
    b.firmwareFileRule = static_cast<uint32_t>(number(f, "firmwareFileRule", UINT32_MAX, b.firmwareFileRule));
    b.firmwarePattern = text(f, "firmwarePattern", b.firmwarePattern, 15);
    // Hardware values of the report.
    HardwareSpec& h = b.hardware;
    h.ramSpeed = static_cast<uint8_t>(number(f, "ramSpeed", 255, h.ramSpeed));
    h.ramBanks = static_cast<uint8_t>(number(f, "ramBanks", 255, h.ramBanks));
    if (f.has("hardwareLevel")) {
        h.levelValid = true;
        h.level = static_cast<uint8_t>(number(f, "hardwareLevel", 255, 0));
    }
    h.options = static_cast<uint8_t>(number(f, "installedOptions", 255, h.options));
    h.batteryModule = text(f, "batteryModule", h.batteryModule, 15);
    h.batteryState = static_cast<uint8_t>(number(f, "batteryState", 255, h.batteryState));
    h.processorType = static_cast<uint32_t>(number(f, "processorType", UINT32_MAX, h.processorType));
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
void readControllerScalars(const Fields& f, ControllerSpec& c)
{
    for (const ControllerNumber& n : kControllerNumbers)
        std::visit(
            [&](auto member) {
                auto& field = c.*member;
                using Field = std::remove_reference_t<decltype(field)>;
                const uint64_t fallback = n.zeroWhenMissing ? 0 : static_cast<uint64_t>(field);
                field = static_cast<Field>(number(f, n.key, n.max, fallback));
            },
            n.field);
    for (const auto& [key, member] : kControllerFlags)
        c.*member = flag(f, key, false);
}

// Reads the mirrors over the logical drives `numbers`.
void readMirrors(const Fields& f, const std::set<uint32_t>& numbers, ControllerSpec& c)
{
    std::set<uint32_t> mirrored;
    const json& mirrors = list(f, "mirrors");
    for (size_t i = 0; i < mirrors.size(); ++i) {
        const Fields mf(mirrors[i], f.placeOf("mirrors", i));
        MirrorSpec m;
        for (const json& dj : list(mf, "drives")) {
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
        m.missing = static_cast<uint32_t>(number(mf, "missing", 254, 0));
        m.poolAccess = flag(mf, "poolAccess", false);
        m.building = flag(mf, "building", false);
        if (m.drives.empty() || m.drives.size() + m.missing < 2)
            fail("a mirror needs at least two components");
        mf.refuseUnknownKeys();
        c.mirrors.push_back(std::move(m));
    }
}

// Reads the array drives over the logical drives `numbers`.
void readArrays(const Fields& f, const std::set<uint32_t>& numbers, ControllerSpec& c)
{
    std::set<uint32_t> inArrays;
    const json& arrays = list(f, "arrays");
    for (size_t i = 0; i < arrays.size(); ++i) {
        const Fields af(arrays[i], f.placeOf("arrays", i));
        ArraySpec a;
        a.type = static_cast<uint8_t>(number(af, "type", 10, 5));
        if (a.type != 0 && a.type != 4 && a.type != 5 && a.type != 10)
            fail("an array's type is 0, 4, 5 or 10");
        static const std::map<std::string, uint8_t> states = {
            {"idle", 0}, {"build", 2}, {"ready", 4}, {"fail", 6}, {"rebuild", 8}, {"error", 12}, {"invalid", 0x80}};
        const std::string state = text(af, "state", "ready", 16);
        if (!states.count(state))
            fail("unknown array state \"" + state + "\"");
        a.state = states.at(state);
        auto drivesOf = [&](const char* field, std::vector<uint32_t>& out) {
            for (const json& dj : list(af, field)) {
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
        a.name = text(af, "name", "", 8);
        for (const json& sj : list(af, "failedSlots"))
            a.failedSlots.push_back(static_cast<uint32_t>(numberValue(sj, "failed slot", a.drives.size() - 1)));
        for (const json& sj : list(af, "missingSlots"))
            a.missingSlots.push_back(static_cast<uint32_t>(numberValue(sj, "missing slot", a.drives.size() - 1)));
        a.poolAccess = flag(af, "poolAccess", false);
        a.destructive = flag(af, "destructive", false);
        a.verifyState = static_cast<uint8_t>(number(af, "verifyState", 5, 0));
        af.refuseUnknownKeys();
        c.arrays.push_back(std::move(a));
    }
}

ControllerSpec readController(const json& j, const std::string& place)
{
    const Fields f(j, place);
    ControllerSpec c;
    c.profile = text(f, "profile", c.profile, 16);
    const FirmwareProfile* profile = findProfile(c.profile);
    if (!profile)
        fail("unknown profile \"" + c.profile + "\"");
    applyProfile(c, *profile);
    readBoardOverrides(f, c.board);
    readControllerScalars(f, c);
    const json& channels = list(f, "channels");
    for (size_t i = 0; i < channels.size(); ++i)
        c.channels.push_back(readChannel(channels[i], f.placeOf("channels", i)));
    if (!f.has("channels") && f.has("profile"))
        c.channels = profileChannels(*profile);
    if (c.channels.size() > MAX_CHANNELS)
        fail("more than " + std::to_string(MAX_CHANNELS) + " channels");
    std::set<std::pair<int, int>> usedDisks;
    std::set<uint32_t> numbers;
    const json& drives = list(f, "logicalDrives");
    for (size_t i = 0; i < drives.size(); ++i) {
        LogicalDriveSpec l = readLogicalDrive(drives[i], f.placeOf("logicalDrives", i), c.channels, usedDisks);
        if (!numbers.insert(l.number).second)
            fail("two logical drives numbered " + std::to_string(l.number));
        c.logicalDrives.push_back(std::move(l));
    }
    c.reportedDrives = optionalNumber(f, "reportedDrives");
    readMirrors(f, numbers, c);
    readArrays(f, numbers, c);
    c.reportedStatisticsEntries = optionalNumber(f, "reportedStatisticsEntries");
    const json& foreign = list(f, "foreignHostDrives");
    for (size_t i = 0; i < foreign.size(); ++i) {
        const Fields ff(foreign[i], f.placeOf("foreignHostDrives", i));
        ControllerSpec::ForeignHostDrive h;
        h.number = static_cast<uint32_t>(number(ff, "number", 254, 0));
        h.carrier = static_cast<uint32_t>(number(ff, "carrier", 254, h.number));
        h.size = static_cast<uint32_t>(number(ff, "size", UINT32_MAX, 1));
        h.name = text(ff, "name", "", 7);
        ff.refuseUnknownKeys();
        c.foreignHostDrives.push_back(std::move(h));
    }
    if (f.has("enclosureConfigs") && f.at("enclosureConfigs").is_array())
        c.enclosureConfigs = readEnclosureConfigs(f.at("enclosureConfigs"), f.placeOf("enclosureConfigs"));
    if (f.has("surfaceCheck")) {
        const Fields sf(f.at("surfaceCheck"), f.placeOf("surfaceCheck"));
        c.surfaceCheck.step = static_cast<uint32_t>(number(sf, "step", 100, c.surfaceCheck.step));
        c.surfaceCheck.delay = static_cast<uint32_t>(number(sf, "delay", 1000, c.surfaceCheck.delay));
        c.surfaceCheck.seconds = static_cast<uint32_t>(number(sf, "seconds", 86400, c.surfaceCheck.seconds));
        sf.refuseUnknownKeys();
    }
    if (f.has("load"))
        c.load = readLoad(f.at("load"), f.placeOf("load"));
    for (const json& pj : list(f, "pageA")) {
        if (!pj.is_array() || pj.size() != 2)
            fail("a \"pageA\" entry must be [offset, byte]");
        const auto offset = static_cast<uint16_t>(numberValue(pj[0], "page A offset", 379));
        if (offset < 8)
            fail("\"pageA\" cannot preset the page's size and version words");
        c.pageA.emplace_back(offset, static_cast<uint8_t>(numberValue(pj[1], "page A byte", 255)));
    }
    const json& records = list(f, "records");
    for (size_t i = 0; i < records.size(); ++i) {
        const Fields rf(records[i], f.placeOf("records", i));
        RecordSpec r;
        r.key = static_cast<uint32_t>(number(rf, "key", UINT32_MAX, 0));
        r.target = static_cast<uint32_t>(number(rf, "target", UINT32_MAX, 0xFFFF));
        if (!parseHex(text(rf, "hex", "", 1 << 20), r.bytes))
            fail("a record's \"hex\" is not hex bytes");
        rf.refuseUnknownKeys();
        c.records.push_back(std::move(r));
    }
    f.refuseUnknownKeys();
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
        const Fields f(j, "");
        Scenario s;
        s.driverVersion = static_cast<uint16_t>(number(f, "driverVersion", UINT16_MAX, s.driverVersion));
        if (f.has("osVersion")) {
            const Fields os(f.at("osVersion"), "osVersion");
            s.osMajor = static_cast<uint8_t>(number(os, "major", 255, s.osMajor));
            s.osMinor = static_cast<uint8_t>(number(os, "minor", 255, s.osMinor));
            s.osRevision = static_cast<uint16_t>(number(os, "revision", UINT16_MAX, s.osRevision));
            os.refuseUnknownKeys();
        }
        if (f.has("controllerCount"))
            s.controllerCount = static_cast<uint32_t>(number(f, "controllerCount", UINT16_MAX, 0));
        std::set<int> entries;
        const json& controllers = list(f, "controllers");
        for (size_t i = 0; i < controllers.size(); ++i) {
            ControllerSpec c = readController(controllers[i], f.placeOf("controllers", i));
            if (!entries.insert(c.entry).second)
                fail("two controllers at entry " + std::to_string(c.entry));
            s.controllers.push_back(std::move(c));
        }
        f.refuseUnknownKeys();
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
    // In the demonstration a surface check takes a minute, and a modest I/O
    // load that rises and falls keeps the statistics moving: per statistics
    // block (an emulated second) 20 reads of 625 blocks in all and 10 writes
    // of 250 on every disk and drive (320 and 128 KB/s), and 20 read and 10
    // write requests of the cache, 15 and 5 of them hits; the blocks take
    // these rates at 100, 120, 140, 120, 100, 80, 60 and 80 per cent in turn.
    c0.surfaceCheck.seconds = 60;
    c1.surfaceCheck.seconds = 60;
    StatisticsRates load;
    load.drive = TransferCounters{20, 10, 625, 250};
    load.cache = CacheCounters{20, 10, 15, 5, 0};
    load.cycle = {100, 120, 140, 120, 100, 80, 60, 80};
    c0.load = load;
    c1.load = load;
    s.controllers = {c0, c1};
    return s;
}

}  // namespace kzmsim
