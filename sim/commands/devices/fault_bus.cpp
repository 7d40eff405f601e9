#include "fault_bus.h"

#include <byte_order.h>

#include <algorithm>

namespace kzmsim {

namespace {

constexpr size_t STATE_SIZE = 46;   // key 0x50
constexpr size_t TEST_SIZE = 38;    // key 0x51
constexpr size_t STATE_PRESENT = 1;
constexpr size_t STATE_SHELF = 2;
constexpr size_t STATE_SWAPS = 4;   // u32
constexpr size_t STATE_SIGNALS = 14;
constexpr size_t TEST_SIGNALS = 6;
constexpr uint8_t TEST_SLOTS = 16;
constexpr uint8_t TEST_BYTE3 = 10;
constexpr uint16_t TEST_WORD4 = 250;
constexpr size_t PAGE_FAULT_BUS = 60;  // page bytes 60 + c: fault bus of channel c on

// Page A bytes a restart carries into page B: fault bus settings and patterns,
// the cluster channel records and the cluster header.
struct PageRange {
    size_t from;
    size_t to;  // exclusive
};
constexpr PageRange kTakenOver[] = {{60, 100}, {120, 120 + 6 * 28}, {344, 364}};

// The signal a slot shows for the disk at its target ID; the fault bus sees a
// disk as soon as it sits in its slot, before any scan has found it.
uint16_t slotSignal(const Channel& ch, unsigned slot)
{
    for (const std::vector<Device>* list : {&ch.devices, &ch.unscanned})
        for (const Device& d : *list) {
            if (d.entry != (slot << 8) || d.info[48] != 0)
                continue;
            if (d.state.failed || d.info[46] == 0)
                return SLOT_SIGNAL_REMOVE;
            if (d.state.surface.running)
                return SLOT_SIGNAL_BUILD;
            if (d.info[47] == 0)
                return SLOT_SIGNAL_IDLE;
        }
    return SLOT_SIGNAL_OK;
}

}  // namespace

uint32_t faultBusStateCmd(ControllerFirmware& fw, IoctlCall& c)
{
    std::vector<uint8_t>& q = c.param;
    if (q.size() != STATE_SIZE)
        return FW_STATUS_BAD_RECORD;
    const uint8_t ch = q[0];
    if (ch >= fw.channels.size())
        return FW_STATUS_INVALID_TARGET;
    std::fill(q.begin() + 1, q.end(), 0);
    if (ch >= FAULT_BUS_CHANNELS || !fw.faultBus.present[ch])
        return FW_STATUS_OK;  // no fault bus: present flag 0
    q[STATE_PRESENT] = 1;
    q[STATE_SHELF] = fw.pageB[PAGE_FAULT_BUS + ch] != 0 ? 1 : 0;
    wire::put32(q.data(), STATE_SWAPS, fw.faultBus.swaps[ch]);
    for (unsigned s = 0; s < FAULT_BUS_SLOTS; ++s) {
        const uint16_t word = fw.faultBus.testing[ch] ? fw.faultBus.pattern[ch][s] : slotSignal(fw.channels[ch], s);
        wire::put16(q.data(), STATE_SIGNALS + 2 * s, word);
    }
    return FW_STATUS_OK;
}

uint32_t faultBusTestCmd(ControllerFirmware& fw, IoctlCall& c)
{
    std::vector<uint8_t>& q = c.param;
    if (q.size() != TEST_SIZE || q[0] > 1)
        return FW_STATUS_BAD_RECORD;
    if (q[0] == 0) {
        fw.faultBus.testing.fill(false);  // every test ends
        return FW_STATUS_OK;
    }
    if (q[2] != TEST_SLOTS || q[3] != TEST_BYTE3 || wire::get16(q.data(), 4) != TEST_WORD4)
        return FW_STATUS_BAD_RECORD;
    const uint8_t ch = q[1];
    if (ch >= fw.channels.size() || ch >= FAULT_BUS_CHANNELS || !fw.faultBus.present[ch] ||
        fw.pageB[PAGE_FAULT_BUS + ch] == 0)
        return FW_STATUS_INVALID_TARGET;
    for (unsigned s = 0; s < FAULT_BUS_SLOTS; ++s)
        fw.faultBus.pattern[ch][s] = wire::get16(q.data(), TEST_SIGNALS + 2 * s);
    fw.faultBus.testing[ch] = true;
    return FW_STATUS_OK;
}

void noteDeviceChange(ControllerFirmware& fw, size_t channel, uint32_t address)
{
    if (channel < FAULT_BUS_CHANNELS)
        ++fw.faultBus.swaps[channel];
    fw.stats.disks.erase(address);
}

void takeOverFaultBusAndCluster(ControllerFirmware& fw)
{
    for (const PageRange& r : kTakenOver)
        std::copy(fw.configPageA.begin() + static_cast<std::ptrdiff_t>(r.from),
                  fw.configPageA.begin() + static_cast<std::ptrdiff_t>(r.to),
                  fw.pageB.begin() + static_cast<std::ptrdiff_t>(r.from));
}

}  // namespace kzmsim
