#include "enclosure_commands.h"
#include "command_words.h"

#include <byte_order.h>

#include <algorithm>
#include <string>

namespace kzmsim {

namespace {
constexpr size_t INFO_SIZE = 51;
constexpr size_t LAYOUT_SIZE = 10;
constexpr size_t QUERY_HEAD = 12;
constexpr size_t CONFIG_HEAD = 32;
constexpr size_t CONFIG_TAIL = 8;
constexpr size_t CONFIG_ENTRY = 8;
constexpr size_t CONFIG_SIZE_RECORD = 8;
constexpr uint32_t CONFIG_ID_BASE = 0x30000;
constexpr uint8_t CONFIG_ENTRY_KIND = 3;
constexpr uint16_t SLOT_MAP_WORD = 48;
constexpr uint32_t EMPTY_SLOT = 0xFFFFFFFF;

enum Selector : uint8_t {
    SEL_SPEAKER = 0,
    SEL_DOOR = 1,
    SEL_SLOT_IDS = 2,
    SEL_SLOT_STATES = 3,
    SEL_POWER = 4,
    SEL_FANS = 5,
    SEL_TEMPERATURES = 6,
    SEL_SET_SPEAKER = 16,
    SEL_SET_DOOR = 17,
};

// An enclosure processor with its device and channel.
struct Found {
    Channel* channel = nullptr;
    Device* device = nullptr;
    EnclosureState* enclosure() const { return &*device->state.enclosure; }
};

// The enclosure processor a predicate picks, or an empty result.
template <class Pred>
Found findEnclosure(ControllerFirmware& fw, Pred pred)
{
    for (Channel& ch : fw.channels)
        for (Device& d : ch.devices)
            if (d.state.enclosure && pred(*d.state.enclosure))
                return {&ch, &d};
    return {};
}

Found byIdentifier(ControllerFirmware& fw, uint32_t id)
{
    return findEnclosure(fw, [id](const EnclosureState& e) { return e.identifier == id; });
}

// The enclosure whose four identity words stand at p + off.
Found byIdentity(ControllerFirmware& fw, const uint8_t* p, size_t off)
{
    return findEnclosure(fw, [p, off](const EnclosureState& e) {
        for (size_t k = 0; k < 4; ++k)
            if (wire::get32(p, off + 4 * k) != e.identityWords[k])
                return false;
        return true;
    });
}

// True when a disk sits at target ID t (LUN 0) on the channel.
bool diskAt(const Channel& ch, uint8_t t)
{
    for (const Device& d : ch.devices)
        if (d.entry == static_cast<uint16_t>(t << 8) && d.info[48] == 0)
            return true;
    return false;
}

// Common checks of enclosure commands: exact or least size, controller target.
uint32_t checkCall(const IoctlCall& c, size_t size, bool exact)
{
    if (exact ? c.param.size() != size : c.param.size() < size)
        return FW_STATUS_BAD_RECORD;
    return c.target == CONTROLLER_TARGET ? FW_STATUS_OK : FW_STATUS_INVALID_TARGET;
}

// The enclosure identity fields of a slot map and slot lookup record.
void putSlotIdentity(uint8_t* p, const Found& f, uint8_t slot)
{
    const EnclosureState& e = *f.enclosure();
    for (size_t k = 0; k < 4; ++k)
        wire::put32(p, 8 + 4 * k, e.identityWords[k]);
    std::copy_n(f.device->info.begin() + 8, 16, p + 24);
    p[40] = slot;
    p[41] = static_cast<uint8_t>(f.channel->number);
    p[42] = static_cast<uint8_t>(f.device->entry >> 8);
    p[43] = static_cast<uint8_t>(f.device->entry);
    p[44] = static_cast<uint8_t>(e.identifier >> 16);  // low byte of the identity word
}

// The configuration an identifier 0x30000 | index names, or nullptr.
EnclosureConfig* configOf(ControllerFirmware& fw, uint32_t id)
{
    if ((id & 0xFFFF0000) != CONFIG_ID_BASE || (id & 0xFFFF) >= fw.enclosureConfigs.size())
        return nullptr;
    return &fw.enclosureConfigs[id & 0xFFFF];
}

// Checks a configuration record's size against its slot count; the count, or -1.
int64_t configSlots(const IoctlCall& c)
{
    if (c.param.size() < CONFIG_HEAD + CONFIG_TAIL)
        return -1;
    const uint64_t n = wire::get32(c.param.data(), 28);
    return c.param.size() == CONFIG_HEAD + CONFIG_TAIL + n * CONFIG_ENTRY ? static_cast<int64_t>(n) : -1;
}

// A NUL-padded text field.
std::string textAt(const uint8_t* p, size_t off, size_t width)
{
    std::string s(reinterpret_cast<const char*>(p + off), width);
    return s.substr(0, s.find('\0'));
}

}  // namespace

uint32_t enclosureInfoCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (const uint32_t st = checkCall(c, INFO_SIZE, true); st != FW_STATUS_OK)
        return st;
    uint8_t* p = c.param.data();
    Channel* ch = fw.channelByNumber(p[0]);
    Device* d = ch ? fw.device(ch->address | static_cast<uint32_t>(p[1]) << 8 | p[2]) : nullptr;
    if (!d)
        return FW_STATUS_INVALID_TARGET;
    std::fill(c.param.begin() + 3, c.param.end(), 0);
    if (!d->state.enclosure)
        return ok();  // found flag 0: not an enclosure processor
    const EnclosureState& e = *d->state.enclosure;
    p[3] = 1;
    wire::put32(p, 4, e.identifier);  // its high half is the identity word at 6
    for (size_t k = 0; k < 4; ++k)
        wire::put32(p, 12 + 4 * k, e.identityWords[k]);
    std::copy_n(d->info.begin() + 8, 16, p + 28);   // product
    std::copy_n(d->info.begin() + 24, 4, p + 44);   // revision
    wire::put16(p, 48, static_cast<uint16_t>(e.parts.slots.size()));
    p[50] = 1;
    return ok();
}

uint32_t enclosureLayoutCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (const uint32_t st = checkCall(c, LAYOUT_SIZE, true); st != FW_STATUS_OK)
        return st;
    uint8_t* p = c.param.data();
    const Found f = byIdentifier(fw, wire::get32(p, 0));
    if (!f.device)
        return FW_STATUS_INVALID_TARGET;
    const EnclosureSpec& parts = f.enclosure()->parts;
    p[4] = static_cast<uint8_t>(parts.slots.size());
    p[5] = static_cast<uint8_t>(parts.powerSupplies.size());
    p[6] = static_cast<uint8_t>(parts.fans.size());
    p[7] = static_cast<uint8_t>(parts.sensors.size());
    p[8] = parts.doorLock ? 1 : 0;
    p[9] = parts.speaker ? 1 : 0;
    return ok();
}

uint32_t enclosureQueryCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (const uint32_t st = checkCall(c, QUERY_HEAD, false); st != FW_STATUS_OK)
        return st;
    uint8_t* p = c.param.data();
    const uint64_t count = wire::get32(p, 4);
    if (p[9] != QUERY_HEAD || c.param.size() < QUERY_HEAD + count)
        return FW_STATUS_BAD_RECORD;
    const Found f = byIdentifier(fw, wire::get32(p, 0));
    if (!f.device)
        return FW_STATUS_INVALID_TARGET;
    EnclosureState& e = *f.enclosure();
    const EnclosureSpec& parts = e.parts;
    uint8_t* data = p + QUERY_HEAD;
    // The count each selector takes, and whether the enclosure has the part.
    auto expect = [&](uint64_t n, bool has) -> uint32_t {
        if (!has)
            return FW_STATUS_INVALID_TARGET;
        return count == n ? FW_STATUS_OK : FW_STATUS_BAD_RECORD;
    };
    const size_t slots = parts.slots.size();
    uint32_t st = FW_STATUS_BAD_RECORD;
    switch (p[8]) {
    case SEL_SPEAKER:
        if ((st = expect(1, parts.speaker)) == FW_STATUS_OK)
            data[0] = e.speakerOn;
        break;
    case SEL_DOOR:
        if ((st = expect(1, parts.doorLock)) == FW_STATUS_OK)
            data[0] = e.doorLocked;
        break;
    case SEL_SET_SPEAKER:
        if ((st = expect(1, parts.speaker)) == FW_STATUS_OK)
            e.speakerOn = data[0] != 0 ? 1 : 0;
        break;
    case SEL_SET_DOOR:
        if ((st = expect(1, parts.doorLock)) == FW_STATUS_OK)
            e.doorLocked = data[0] != 0 ? 1 : 0;
        break;
    case SEL_SLOT_IDS:
        if ((st = expect(slots, true)) == FW_STATUS_OK)
            std::copy(parts.slots.begin(), parts.slots.end(), data);
        break;
    case SEL_SLOT_STATES:
        if ((st = expect(4 * slots, true)) == FW_STATUS_OK) {
            std::fill_n(data, 4 * slots, 0);
            for (size_t i = 0; i < slots; ++i)
                data[4 * i + 3] = diskAt(*f.channel, parts.slots[i]) ? 1 : 0;
        }
        break;
    case SEL_POWER:
        if ((st = expect(parts.powerSupplies.size(), true)) == FW_STATUS_OK)
            std::copy(parts.powerSupplies.begin(), parts.powerSupplies.end(), data);
        break;
    case SEL_FANS:
        if ((st = expect(parts.fans.size(), true)) == FW_STATUS_OK)
            std::copy(parts.fans.begin(), parts.fans.end(), data);
        break;
    case SEL_TEMPERATURES:
        if ((st = expect(3 * parts.sensors.size() + 1, true)) == FW_STATUS_OK) {
            for (size_t i = 0; i < parts.sensors.size(); ++i) {
                wire::put16(data, 3 * i, static_cast<uint16_t>(parts.sensors[i].degrees));
                data[3 * i + 2] = parts.sensors[i].state;
            }
            data[3 * parts.sensors.size()] = parts.overall;
        }
        break;
    default:
        break;
    }
    return st;
}

// Slot map writes (0x20010 for a slot holding a disk, 0x20012 for any slot): kept per slot.
uint32_t writeSlotMap(ControllerFirmware& fw, IoctlCall& c, bool occupied)
{
    if (const uint32_t st = checkCall(c, SLOT_MAP_SIZE, true); st != FW_STATUS_OK)
        return st;
    const uint8_t* p = c.param.data();
    if (p[45] != 1 || wire::get16(p, 46) != SLOT_MAP_WORD)
        return FW_STATUS_BAD_RECORD;
    const Found f = byIdentity(fw, p, 8);
    if (!f.device || p[40] >= f.enclosure()->parts.slots.size())
        return FW_STATUS_INVALID_TARGET;
    if (p[41] != f.channel->number || p[42] != (f.device->entry >> 8) || p[43] != (f.device->entry & 0xFF))
        return FW_STATUS_BAD_RECORD;
    const uint32_t address = wire::get32(p, 4);
    const Device* disk = address == EMPTY_SLOT ? nullptr : fw.deviceAt(address);
    if ((occupied || address != EMPTY_SLOT) && (!disk || disk->info[48] != 0))
        return FW_STATUS_INVALID_TARGET;
    std::copy_n(p, SLOT_MAP_SIZE, f.enclosure()->slotMaps[p[40]].begin());
    return ok();
}

uint32_t slotMapOccupiedCmd(ControllerFirmware& fw, IoctlCall& c) { return writeSlotMap(fw, c, true); }

uint32_t slotMapCmd(ControllerFirmware& fw, IoctlCall& c) { return writeSlotMap(fw, c, false); }

uint32_t slotOfDiskCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (const uint32_t st = checkCall(c, SLOT_MAP_SIZE, true); st != FW_STATUS_OK)
        return st;
    uint8_t* p = c.param.data();
    if (p[45] != 1 || wire::get16(p, 46) != SLOT_MAP_WORD)
        return FW_STATUS_BAD_RECORD;
    const uint32_t address = wire::get32(p, 4);
    const Device* disk = (address & 0xFFFF) == 0xFFFF ? nullptr : fw.deviceAt(address);
    if (!disk || (disk->entry & 0xFF) != 0)
        return FW_STATUS_INVALID_TARGET;
    const uint8_t target = static_cast<uint8_t>(disk->entry >> 8);
    for (Channel& ch : fw.channels) {
        if (ch.address != (address & 0xFFFF0000))
            continue;
        for (Device& d : ch.devices) {
            if (!d.state.enclosure)
                continue;
            const EnclosureState& e = *d.state.enclosure;
            const std::vector<uint8_t>& slots = e.parts.slots;
            // A slot whose map was written holds the disk that map names; an
            // unwritten slot holds its target's disk only when the slots
            // start mapped.
            for (size_t i = 0; i < slots.size(); ++i) {
                const auto map = e.slotMaps.find(static_cast<uint8_t>(i));
                const bool holds = map != e.slotMaps.end()
                                       ? wire::get32(map->second.data(), 4) == address
                                       : e.parts.slotsMapped && slots[i] == target;
                if (holds) {
                    putSlotIdentity(p, Found{&ch, &d}, static_cast<uint8_t>(i));
                    return ok();
                }
            }
        }
    }
    return FW_STATUS_INVALID_TARGET;  // no enclosure holds the disk
}

uint32_t configCountCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != ENCLOSURE_RECORD_SIZE || wire::get32(c.param.data(), 0) != ENCLOSURE_RECORD_QUERY)
        return FW_STATUS_BAD_RECORD;
    wire::put32(c.param.data(), 4, static_cast<uint32_t>(fw.enclosureConfigs.size()));
    wire::put32(c.param.data(), 8, fw.enclosureSlotMax);
    return ok();
}

uint32_t configSizeCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (const uint32_t st = checkCall(c, CONFIG_SIZE_RECORD, true); st != FW_STATUS_OK)
        return st;
    const EnclosureConfig* e = configOf(fw, wire::get32(c.param.data(), 0));
    if (!e)
        return FW_STATUS_INVALID_TARGET;
    wire::put32(c.param.data(), 4, static_cast<uint32_t>(e->slots.size()));
    return ok();
}

uint32_t configListCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (const uint32_t st = checkCall(c, CONFIG_HEAD + CONFIG_TAIL, false); st != FW_STATUS_OK)
        return st;
    uint8_t* p = c.param.data();
    const uint32_t id = wire::get32(p, 0);
    const EnclosureConfig* e = configOf(fw, id);
    if (!e)
        return FW_STATUS_INVALID_TARGET;
    const int64_t n = configSlots(c);
    if (n < 0 || static_cast<size_t>(n) != e->slots.size())
        return FW_STATUS_BAD_RECORD;
    std::fill(c.param.begin() + 4, c.param.end(), 0);
    wire::putBytes(p, 4, e->vendor.data(), std::min<size_t>(e->vendor.size(), 11));
    wire::putBytes(p, 16, e->name.data(), std::min<size_t>(e->name.size(), 11));
    wire::put32(p, 28, static_cast<uint32_t>(n));
    for (size_t i = 0; i < e->slots.size(); ++i) {
        uint8_t* entry = p + CONFIG_HEAD + CONFIG_ENTRY * i;
        wire::put32(entry, 0, id & 0xFFFF);
        entry[4] = CONFIG_ENTRY_KIND;
        entry[5] = e->slots[i].channel;
        entry[6] = e->slots[i].targetId;
        entry[7] = e->slots[i].slot;
    }
    return ok();
}

// The slot entries of a configuration record; false when one is malformed.
bool readConfigSlots(const IoctlCall& c, int64_t n, uint32_t index, std::vector<EnclosureConfigSlot>& out)
{
    for (int64_t i = 0; i < n; ++i) {
        const uint8_t* entry = c.param.data() + CONFIG_HEAD + CONFIG_ENTRY * static_cast<size_t>(i);
        if (wire::get32(entry, 0) != index || entry[4] != CONFIG_ENTRY_KIND)
            return false;
        out.push_back({entry[5], entry[6], entry[7]});
    }
    return true;
}

uint32_t configWriteCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (const uint32_t st = checkCall(c, CONFIG_HEAD + CONFIG_TAIL, false); st != FW_STATUS_OK)
        return st;
    const int64_t n = configSlots(c);
    if (n < 0)
        return FW_STATUS_BAD_RECORD;
    const uint32_t id = wire::get32(c.param.data(), 0);
    const uint32_t index = id & 0xFFFF;
    // A configuration is replaced, or one more is added at the end.
    if ((id & 0xFFFF0000) != CONFIG_ID_BASE || index > fw.enclosureConfigs.size())
        return FW_STATUS_INVALID_TARGET;
    EnclosureConfig e;
    e.vendor = textAt(c.param.data(), 4, 11);
    e.name = textAt(c.param.data(), 16, 11);
    if (!readConfigSlots(c, n, index, e.slots))
        return FW_STATUS_BAD_RECORD;
    if (index == fw.enclosureConfigs.size())
        fw.enclosureConfigs.push_back(std::move(e));
    else
        fw.enclosureConfigs[index] = std::move(e);
    return ok();
}

uint32_t configReleaseCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (const uint32_t st = checkCall(c, CONFIG_HEAD + CONFIG_TAIL, false); st != FW_STATUS_OK)
        return st;
    const int64_t n = configSlots(c);
    if (n < 0)
        return FW_STATUS_BAD_RECORD;
    const uint32_t id = wire::get32(c.param.data(), 0);
    EnclosureConfig* e = configOf(fw, id);
    if (!e)
        return FW_STATUS_INVALID_TARGET;
    std::vector<EnclosureConfigSlot> released;
    if (!readConfigSlots(c, n, id & 0xFFFF, released))
        return FW_STATUS_BAD_RECORD;
    // Every slot named must be in the configuration; then all of them leave it.
    auto sameSlot = [](const EnclosureConfigSlot& a, const EnclosureConfigSlot& b) {
        return a.slot == b.slot && a.channel == b.channel && a.targetId == b.targetId;
    };
    for (const EnclosureConfigSlot& r : released)
        if (std::none_of(e->slots.begin(), e->slots.end(), [&](const auto& s) { return sameSlot(s, r); }))
            return FW_STATUS_INVALID_TARGET;
    for (const EnclosureConfigSlot& r : released)
        std::erase_if(e->slots, [&](const auto& s) { return sameSlot(s, r); });
    return ok();
}

uint32_t configRemoveCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (const uint32_t st = checkCall(c, 1, true); st != FW_STATUS_OK)
        return st;
    switch (c.param[0]) {
    case 1:  // every configuration
        fw.enclosureConfigs.clear();
        return ok();
    case 2:  // the configurations without slots
        std::erase_if(fw.enclosureConfigs, [](const EnclosureConfig& e) { return e.slots.empty(); });
        return ok();
    default:
        return FW_STATUS_BAD_RECORD;
    }
}

}  // namespace kzmsim
