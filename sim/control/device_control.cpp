#include "device_control.h"

#include "driver.h"
#include "fault_bus.h"
#include "text_util.h"

#include <algorithm>

namespace kzmsim {

namespace {

using Words = std::vector<std::string>;

// Entry, channel index and target ID of a device command's first words.
struct DevicePlace {
    int entry = 0;
    size_t channel = 0;
    uint8_t target = 0;
};

bool parsePlace(const Words& w, DevicePlace& out)
{
    uint64_t entry, channel, target;
    if (w.size() < 4 || !parseNumber(w[1], 255, entry) || !parseNumber(w[2], 0xFFFD, channel) ||
        !parseNumber(w[3], 255, target))
        return false;
    out = {static_cast<int>(entry), static_cast<size_t>(channel), static_cast<uint8_t>(target)};
    return true;
}

// The place as the reasons of refused lines name it.
std::string placeText(const DevicePlace& at)
{
    return "ID " + std::to_string(at.target) + " of channel index " + std::to_string(at.channel) + " on entry " +
           std::to_string(at.entry);
}

// The channel of a place, or nullptr (with the reason given to the driver)
// when the entry or channel does not exist.
Channel* channelAt(Driver& d, const DevicePlace& at)
{
    ControllerFirmware* fw = controllerOf(d, static_cast<uint64_t>(at.entry));
    if (!fw)
        return nullptr;
    if (at.channel >= fw->channels.size()) {
        d.refuse("entry " + std::to_string(at.entry) + " has no channel index " + std::to_string(at.channel));
        return nullptr;
    }
    return &fw->channels[at.channel];
}

// The device of a place (LUN 0) that a scan has found, or nullptr (with the
// reason given to the driver).
Device* deviceAt(Driver& d, const DevicePlace& at)
{
    Channel* ch = channelAt(d, at);
    if (!ch)
        return nullptr;
    for (Device& dev : ch->devices)
        if (dev.entry == static_cast<uint16_t>(at.target << 8))
            return &dev;
    d.refuse("no device at " + placeText(at));
    return nullptr;
}

// A command on one existing disk: the place and a change of the disk.
template <class F>
bool diskCommand(const Words& w, size_t extraWords, ControlAction& a, F change)
{
    DevicePlace at;
    if (w.size() != 4 + extraWords || !parsePlace(w, at))
        return false;
    a = [at, change](Driver& d) {
        Device* dev = deviceAt(d, at);
        if (!dev)
            return false;
        if (dev->info[48] != 0)
            return d.refuse("the device at " + placeText(at) + " is no disk");
        change(*dev);
        return true;
    };
    return true;
}

}  // namespace

bool parsePull(const Words& w, const std::string&, ControlAction& a)
{
    DevicePlace at;
    if (w.size() != 4 || !parsePlace(w, at))
        return false;
    a = [at](Driver& d) {
        Channel* ch = channelAt(d, at);
        if (!ch)
            return false;
        const auto here = [&](const Device& dev) { return dev.entry == at.target << 8; };
        // A disk leaves whether or not a scan has found it.
        const size_t found = std::erase_if(ch->devices, here);
        const size_t waiting = std::erase_if(ch->unscanned, here);
        if (found + waiting != 1)
            return d.refuse("no device at " + placeText(at));
        noteDeviceChange(*d.firmware(at.entry), at.channel, ch->address | static_cast<uint32_t>(at.target) << 8);
        return true;
    };
    return true;
}

bool parseInsert(const Words& w, const std::string&, ControlAction& a)
{
    DevicePlace at;
    uint64_t capacity = DeviceSpec{}.capacity, sectorSize = DeviceSpec{}.blockSize;
    if (w.size() < 4 || w.size() > 6 || !parsePlace(w, at) ||
        (w.size() > 4 && (!parseNumber(w[4], UINT32_MAX, capacity) || capacity == 0)) ||
        (w.size() > 5 && (!parseNumber(w[5], 0xFFFF, sectorSize) || sectorSize == 0)))
        return false;
    a = [at, capacity, sectorSize](Driver& d) {
        Channel* ch = channelAt(d, at);
        if (!ch)
            return false;
        const auto here = [&](const Device& dev) { return dev.entry == at.target << 8; };
        if (std::any_of(ch->devices.begin(), ch->devices.end(), here))
            return d.refuse(placeText(at) + " is taken by a device");
        if (std::any_of(ch->unscanned.begin(), ch->unscanned.end(), here))
            return d.refuse(placeText(at) + " is taken by a disk that waits for a scan");
        DeviceSpec wanted;
        wanted.targetId = at.target;
        wanted.capacity = static_cast<uint32_t>(capacity);
        wanted.blockSize = static_cast<uint16_t>(sectorSize);
        wanted.initialised = false;
        wanted.diskFormat = 0;
        // The disk waits until the controller scans for it (device_scan.h).
        ch->unscanned.push_back(makeDevice(wanted, ch->number, d.firmware(at.entry)->identity.board.serial));
        noteDeviceChange(*d.firmware(at.entry), at.channel, ch->address | static_cast<uint32_t>(at.target) << 8);
        return true;
    };
    return true;
}

bool parseFail(const Words& w, const std::string&, ControlAction& a)
{
    return diskCommand(w, 0, a, [](Device& dev) {
        dev.state.failed = true;
        dev.info[46] = 0;
    });
}

bool parseRestore(const Words& w, const std::string&, ControlAction& a)
{
    return diskCommand(w, 0, a, [](Device& dev) {
        dev.state.failed = false;
        dev.info[46] = dev.state.readyAtStart;
    });
}

bool parseSurface(const Words& w, const std::string&, ControlAction& a)
{
    uint64_t errors = 0, second = 0;
    if (w.size() < 5 || w.size() > 6 || !parseNumber(w[4], UINT32_MAX, errors) ||
        (w.size() == 6 && !parseNumber(w[5], UINT32_MAX, second)))
        return false;
    return diskCommand(w, w.size() - 4, a, [errors, second](Device& dev) {
        dev.state.surface.found = static_cast<uint32_t>(errors);
        dev.state.surface.foundSecond = static_cast<uint32_t>(second);
    });
}

bool parseSensor(const Words& w, const std::string&, ControlAction& a)
{
    DevicePlace at;
    uint64_t n;
    long long degrees = 0;
    if (w.size() != 6 || !parsePlace(w, at) || !parseNumber(w[4], 255, n))
        return false;
    const std::string& t = w[5];
    const bool negative = !t.empty() && t[0] == '-';
    uint64_t magnitude;
    if (!parseNumber(negative ? t.substr(1) : t, negative ? 32768 : 32767, magnitude))
        return false;
    degrees = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    a = [at, n, degrees](Driver& d) {
        Device* dev = deviceAt(d, at);
        if (!dev)
            return false;
        if (!dev->state.enclosure)
            return d.refuse("the device at " + placeText(at) + " is no enclosure processor");
        if (n >= dev->state.enclosure->parts.sensors.size())
            return d.refuse("the enclosure processor at " + placeText(at) + " has no sensor " + std::to_string(n));
        dev->state.enclosure->parts.sensors[n].degrees = static_cast<int16_t>(degrees);
        return true;
    };
    return true;
}

}  // namespace kzmsim
