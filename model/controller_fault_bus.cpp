// CController fault bus, cluster channels and two channel queries. Settings
// are written into a work copy of configuration page A.
#include "controller.h"

#include "byte_order.h"
#include "cbuffer.h"
#include "ctl_commands.h"
#include "model_errors.h"

#include <algorithm>
#include <cstring>

namespace {

// Configuration page bytes of the fault bus.
constexpr size_t PAGE_FAULT_BUS_ENABLE = 60;   // + channel
constexpr size_t PAGE_FAULT_BUS_CLEAR = 68;    // + channel
constexpr size_t PAGE_SHELF_MONITORING = 76;
constexpr size_t PAGE_SHELF_ALARM = 77;
constexpr size_t PAGE_AUTO_HOT_PLUG = 78;
constexpr size_t PAGE_FAULT_BUS_ON = 81;
constexpr size_t PAGE_FAULT_BUS_WORD = 84;     // u16 250
constexpr size_t PAGE_FAULT_BUS_PATTERNS = 86; // seven u16
// Cluster channels.
constexpr size_t PAGE_CLUSTER_MASK = 344;
constexpr size_t PAGE_CLUSTER_HEAD_END = 364;
constexpr uint8_t CLUSTER_HEAD_BYTE = 10;      // page byte 345
constexpr size_t PAGE_CLUSTER_RECORDS = 120;   // + 28 x channel
constexpr size_t CLUSTER_RECORD_SIZE = 28;
// Board details byte 12 + c: channel c has a fault bus.
constexpr size_t BOARD_DETAILS_FAULT_BUS = 12;
constexpr int FAULT_BUS_MAX_CHANNELS = 8;
// Fault bus requests: state read (0x50) and test (0x51).
constexpr size_t FB_STATE_SIZE = 46;
constexpr size_t FB_STATE_SIGNALS = 14;
constexpr size_t FB_TEST_SIZE = 38;
constexpr uint8_t FB_TEST_SLOTS = 16;
constexpr uint8_t FB_TEST_BYTE3 = 10;
constexpr uint16_t FB_WORD = 250;
constexpr size_t FB_TEST_SIGNALS = 6;

}  // namespace

int CController::WriteWorkPage(uint8_t* page)
{
    wire::put32(page, 0, CONFIG_PAGE_SIZE);
    error = ctl_set_config_page(static_cast<uint16_t>(index), 0, page);
    if (error != 0)
        return 0;
    if (!CommitConfigPage() || !FinishConfigPage())
        return 0;
    GetInfo();
    return 1;
}

int CController::SetFaultBusSettings(const FaultBusSettings& settings)
{
    uint8_t page[CONFIG_PAGE_SIZE];
    std::memcpy(page, configPageA, sizeof page);
    page[PAGE_AUTO_HOT_PLUG] = static_cast<uint8_t>(settings.autoHotPlug);
    page[PAGE_SHELF_MONITORING] = static_cast<uint8_t>(settings.shelfMonitoring);
    page[PAGE_SHELF_ALARM] = static_cast<uint8_t>(settings.shelfAlarm);
    page[PAGE_FAULT_BUS_ON] = 1;
    wire::put16(page, PAGE_FAULT_BUS_WORD, FB_WORD);
    for (int k = 0; k < FAULT_BUS_PATTERNS; ++k)
        wire::put16(page, PAGE_FAULT_BUS_PATTERNS + 2 * static_cast<size_t>(k), faultBusPatterns[k]);
    const int channels = std::clamp(info.channelCount, 0, FAULT_BUS_SETTING_CHANNELS);
    for (int c = 0; c < channels; ++c) {
        page[PAGE_FAULT_BUS_ENABLE + static_cast<size_t>(c)] = static_cast<uint8_t>(settings.channelEnable[c]);
        page[PAGE_FAULT_BUS_CLEAR + static_cast<size_t>(c)] = 0;
    }
    return WriteWorkPage(page);
}

int CController::GetFaultBusStates(FaultBusStates* states)
{
    if (states == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    CBuffer<uint8_t> buf;
    if (!buf.SetSize(FB_STATE_SIZE)) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    uint8_t* p = buf.At(0);
    p[0] = states->head[0];
    error = ctl_get_channel_settings(static_cast<uint16_t>(index), p, FB_STATE_SIZE);
    if (error != 0)
        return 0;
    std::memcpy(states->head, p, FAULT_BUS_STATE_HEAD);
    for (int s = 0; s < FAULT_BUS_STATE_SLOTS; ++s) {
        const uint16_t word = wire::get16(p, FB_STATE_SIGNALS + 2 * static_cast<size_t>(s));
        int32_t state = word;
        if (word == faultBusPatterns[6])
            state = SLOT_STATE_OFF;
        else if (word == faultBusPatterns[0])
            state = SLOT_STATE_ON;
        else if (word == faultBusPatterns[2])
            state = SLOT_STATE_SLOW;
        else if (word == faultBusPatterns[4])
            state = SLOT_STATE_QUICK;
        states->slots[s] = state;
    }
    return 1;
}

int CController::TestFaultBus(int pattern)
{
    CBuffer<uint8_t> buf;
    if (!buf.SetSize(FB_TEST_SIZE)) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    uint8_t* p = buf.At(0);
    const auto c = static_cast<uint16_t>(index);
    if (pattern == 0) {
        error = ctl_set_channel_settings(c, p, FB_TEST_SIZE);
        return error == 0 ? 1 : 0;
    }
    const uint16_t word = pattern == 1 ? 0x0FFF : pattern == 2 ? 0x111 : 0x555;
    const int channels = std::clamp(info.channelCount, 0, FAULT_BUS_MAX_CHANNELS);
    for (int ch = 0; ch < channels; ++ch) {
        const auto at = static_cast<size_t>(ch);
        if (boardDetails[BOARD_DETAILS_FAULT_BUS + at] == 0 || configPageB[PAGE_FAULT_BUS_ENABLE + at] == 0)
            continue;
        p[0] = 1;
        p[1] = static_cast<uint8_t>(ch);
        p[2] = FB_TEST_SLOTS;
        p[3] = FB_TEST_BYTE3;
        wire::put16(p, 4, FB_WORD);
        for (size_t s = 0; s < FB_TEST_SLOTS; ++s)
            wire::put16(p, FB_TEST_SIGNALS + 2 * s, word);
        error = ctl_set_channel_settings(c, p, FB_TEST_SIZE);
        return error == 0 ? 1 : 0;
    }
    // No channel drives a fault bus: nothing to test.
    error = MODERR_NOT_SUPPORTED;
    return 0;
}

int CController::SetClusterChannels(const int32_t* flags)
{
    if (flags == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    uint8_t page[CONFIG_PAGE_SIZE];
    std::memcpy(page, configPageA, sizeof page);
    std::memset(page + PAGE_CLUSTER_MASK, 0, PAGE_CLUSTER_HEAD_END - PAGE_CLUSTER_MASK);
    page[PAGE_CLUSTER_MASK + 1] = CLUSTER_HEAD_BYTE;
    for (int c = 0; c < CLUSTER_CHANNELS; ++c) {
        uint8_t* record = page + PAGE_CLUSTER_RECORDS + CLUSTER_RECORD_SIZE * static_cast<size_t>(c);
        std::memset(record, 0, CLUSTER_RECORD_SIZE);
        if (flags[c] == 0)
            continue;
        std::memset(record, 1, 5);
        record[6] = 2;
        page[PAGE_CLUSTER_MASK] = static_cast<uint8_t>(page[PAGE_CLUSTER_MASK] | 1u << c);
    }
    return WriteWorkPage(page);
}

int CController::IsSataChannel(int c) const
{
    if (c < 0 || c >= std::min(info.channelCount, CONTROLLER_MAX_CHANNELS))
        return 0;
    return channels[c].kind == CHANNEL_KIND_SATA ? 1 : 0;
}

int CController::FindEnclosureDevice(int c) const
{
    for (int k = 0; k < physDrives.count; ++k)
        if (physDrives[k].channel == c && physDrives[k].DeviceType() == DEVICE_TYPE_IO_PROCESSOR)
            return k;
    return -1;
}
