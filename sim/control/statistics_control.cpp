#include "statistics_control.h"

#include "text_util.h"

namespace kzmsim {

namespace {

// Entry, channel index and target ID of a control line's words 1-3.
struct DiskPlace {
    uint64_t entry;
    size_t channel;
    uint8_t target;
};

bool parseDiskPlace(const std::vector<std::string>& w, DiskPlace& at)
{
    uint64_t entry, channel, target;
    if (!parseNumber(w[1], 255, entry) || !parseNumber(w[2], 0xFFFD, channel) || !parseNumber(w[3], 255, target))
        return false;
    at = {entry, static_cast<size_t>(channel), static_cast<uint8_t>(target)};
    return true;
}

// Words from 2 on as `count` 32-bit numbers; false when one is not a number.
bool parseRateWords(const std::vector<std::string>& w, size_t count, uint32_t* out)
{
    if (w.size() != 2 + count)
        return false;
    for (size_t k = 0; k < count; ++k) {
        uint64_t v;
        if (!parseNumber(w[2 + k], UINT32_MAX, v))
            return false;
        out[k] = static_cast<uint32_t>(v);
    }
    return true;
}

// Sets the rates of entry `entry` through `set`; a rate line makes every
// rate steady (the load's cycle ends).
template <class Set>
ControlAction rateAction(uint64_t entry, Set set)
{
    return [entry, set](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (!fw)
            return false;
        set(fw->stats.rates);
        fw->stats.rates.cycle.clear();
        return true;
    };
}

}  // namespace

bool parseClock(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry, value;
    if (w.size() != 3 || !parseNumber(w[1], 255, entry) || !parseNumber(w[2], UINT32_MAX, value))
        return false;
    a = [entry, value](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (fw)
            fw->stats.clock = static_cast<uint32_t>(value);
        return fw != nullptr;
    };
    return true;
}

bool parseStatRate(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry;
    uint32_t v[4];
    if (w.size() < 2 || !parseNumber(w[1], 255, entry) || !parseRateWords(w, 4, v))
        return false;
    a = rateAction(entry, [t = TransferCounters{v[0], v[1], v[2], v[3]}](StatisticsRates& r) { r.drive = t; });
    return true;
}

bool parseCacheRate(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry;
    uint32_t v[6];
    if (w.size() < 2 || !parseNumber(w[1], 255, entry) || !parseRateWords(w, 6, v))
        return false;
    a = rateAction(entry, [v0 = v[0], v1 = v[1], v2 = v[2], v3 = v[3], v4 = v[4], v5 = v[5]](StatisticsRates& r) {
        r.cache = CacheCounters{v0, v1, v2, v3, 0};
        r.usedBuffers = v4;
        r.dirtyBuffers = v5;
    });
    return true;
}

bool parseDiskErr(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    DiskPlace at{};
    uint64_t retries, reassigns;
    if (w.size() != 6 || !parseDiskPlace(w, at) || !parseNumber(w[4], UINT32_MAX, retries) ||
        !parseNumber(w[5], UINT32_MAX, reassigns))
        return false;
    a = [at, retries, reassigns](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, at.entry);
        if (!fw)
            return false;
        if (at.channel >= fw->channels.size())
            return d.refuse("entry " + std::to_string(at.entry) + " has no channel index " + std::to_string(at.channel));
        const uint32_t address = fw->channels[at.channel].address | static_cast<uint32_t>(at.target) << 8;
        const Device* dev = fw->deviceAt(address);
        if (!dev || dev->info[48] != 0)
            return d.refuse("no disk at ID " + std::to_string(at.target) + " of channel index " +
                            std::to_string(at.channel) + " on entry " + std::to_string(at.entry));
        DiskCounters& counters = fw->stats.disks[address];
        counters.retries = static_cast<uint32_t>(retries);
        counters.reassigns = static_cast<uint32_t>(reassigns);
        return true;
    };
    return true;
}

}  // namespace kzmsim
