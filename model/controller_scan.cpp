// CController::ScanDevices and the device lookup: the physical device list
// with the disks' links to enclosure processors and enclosure configurations.
#include "controller.h"

#include "byte_order.h"
#include "ctl_channels.h"
#include "ctl_commands.h"
#include "ctl_devices.h"
#include "enclosure_config_layout.h"
#include "model_alloc.h"
#include "model_errors.h"
#include "request_words.h"

#include <cstring>
#include <utility>

namespace {

constexpr int kFamilyOwnIdsInPage = 37;

}  // namespace

bool CController::AppendDevice(const CPhysDrive& d)
{
    if (!physDrives.SetSize(physDrives.count + 1))
        return false;
    physDrives[physDrives.count - 1] = d;
    return true;
}

int CController::ScanDevices()
{
    // The old list stays until the end, for what the new objects carry over.
    CArray<CPhysDrive> old = std::move(physDrives);
    const auto c = static_cast<uint16_t>(index);
    ChannelEntry entries[CONTROLLER_MAX_CHANNELS];
    uint16_t listed = 0;
    error = ctl_list_channels(c, entries, CONTROLLER_MAX_CHANNELS, &listed);
    if (error != 0)
        return 0;
    const bool ownIdsInPage = GetFamily(FAMILY_MODE_FAMILY) == kFamilyOwnIdsInPage;
    for (int ch = 0; ch < listed; ++ch) {
        for (int d = 0; d < entries[ch].devices; ++d) {
            CPhysDrive dev(c, ch, d, 0, this, 1);
            for (int k = 0; k < old.count && dev.targetId >= 0; ++k) {
                const CPhysDrive& was = old[k];
                if (was.channel == ch && was.targetId == dev.targetId && was.lun == dev.lun) {
                    for (int n = 0; n < DISK_SAMPLES; ++n)
                        dev.SetSample(n, was.samples[n]);
                    dev.progress = was.progress;
                    break;
                }
            }
            const uint8_t percent = dev.info[DEVINFO_SURFACE_PERCENT];
            if ((dev.info[DEVINFO_SURFACE_RUNNING] == 1 && percent < kSurfaceDone) || dev.progress >= 0)
                dev.progress = percent < kSurfaceDone ? percent
                               : wire::get32(dev.info, DEVINFO_SURFACE_ERRORS) == 0 ? SURFACE_FINISHED
                                                                                    : SURFACE_FINISHED_ERRORS;
            if (!AppendDevice(dev)) {
                error = MODERR_NO_MEMORY;
                return 0;
            }
        }
        const uint8_t ownId = entries[ch].info[0];
        channels[ch].usable = entries[ch].info[1] == 0 ? 1 : 0;
        if (!AppendDevice(CPhysDrive(c, ch, ownId, 1, this, 1))) {
            error = MODERR_NO_MEMORY;
            return 0;
        }
        if (ownIdsInPage)
            configPageA[kPageOwnIds + ch] = ownId;
    }
    if (!LinkDiskEnclosures())
        return 0;
    LinkEnclosureConfigs();
    error = 0;
    return 1;
}

bool CController::LinkDiskEnclosures()
{
    const auto c = static_cast<uint16_t>(index);
    for (int k = 0; k < physDrives.count; ++k) {
        CPhysDrive& disk = physDrives[k];
        disk.SetEnclosureLink(-1, -1);
        disk.SetEnclosureConfigLink(-1, -1);
        if (disk.DeviceType() != DEVICE_TYPE_DISK)
            continue;
        DriveAddress where;
        where.controller = c;
        where.channelIndex = static_cast<uint8_t>(disk.channel);
        where.deviceIndex = disk.deviceIndex;
        error = ctl_resolve_device(&where);
        if (error != 0)
            return false;
        uint8_t rec[SLOTMAP_SIZE] = {};
        wire::put32(rec, SLOTMAP_ADDRESS, where.deviceAddress());
        rec[SLOTMAP_ONE] = 1;
        wire::put16(rec, SLOTMAP_KIND, SLOTMAP_KIND_VALUE);
        if (ctl_enclosure_cmd_11(c, rec, SLOTMAP_SIZE) != 0)
            continue;
        for (int j = 0; j < physDrives.count; ++j) {
            const CPhysDrive& e = physDrives[j];
            if (e.isEnclosureProcessor && wire::get32(e.enclosureInfo, ENCINFO_WORDS) == wire::get32(rec, SLOTMAP_WORDS) &&
                wire::get32(e.enclosureInfo, ENCINFO_WORDS + 4) == wire::get32(rec, SLOTMAP_WORDS + 4)) {
                disk.SetEnclosureLink(j, rec[SLOTMAP_SLOT]);
                break;
            }
        }
    }
    return true;
}

void CController::LinkEnclosureConfigs()
{
    const auto c = static_cast<uint16_t>(index);
    for (uint32_t e = 0; e < enclosureConfigCount && e <= 0xFFFF; ++e) {
        uint8_t sizeRecord[kConfigSizeRecord] = {};
        wire::put32(sizeRecord, 0, kConfigIdBase | e);
        if (ctl_get_enclosure_record_22(c, sizeRecord) != 0)
            continue;
        const uint64_t n = wire::get32(sizeRecord, 4);
        const uint64_t size = kConfigHead + kConfigTail + kConfigEntry * n;
        if (n == 0 || size > kMaxRequestSize)
            continue;
        auto* buf = static_cast<uint8_t*>(ModelAlloc(static_cast<size_t>(size)));
        if (buf == nullptr)
            continue;
        std::memset(buf, 0, static_cast<size_t>(size));
        wire::put32(buf, 0, kConfigIdBase | e);
        wire::put32(buf, kConfigSlotCount, static_cast<uint32_t>(n));
        if (ctl_get_enclosure_list(c, buf, static_cast<uint16_t>(size)) == 0) {
            for (uint64_t i = 0; i < n; ++i) {
                const uint8_t* entry = buf + kConfigHead + kConfigEntry * i;
                const int k = FindPhysDrive(entry[5], entry[6], 0);
                if (k >= 0)
                    physDrives[k].SetEnclosureConfigLink(static_cast<int>(wire::get32(entry, 0)), entry[7]);
            }
        }
        ModelFree(buf);
    }
}

int CController::FindPhysDrive(int channel, int targetId, int lun) const
{
    for (int k = 0; k < physDrives.count; ++k) {
        const CPhysDrive& d = physDrives[k];
        if (d.channel == channel && d.targetId == targetId && d.lun == lun)
            return k;
    }
    return -1;
}

int CController::ReadEnclosureConfig(void* record, size_t size)
{
    error = size > kMaxRequestSize ? MODERR_BAD_PARAMETER
                                   : ctl_get_enclosure_list(static_cast<uint16_t>(index), record, static_cast<uint16_t>(size));
    return error == 0 ? 1 : 0;
}

int CController::WriteEnclosureConfig(void* record, size_t size)
{
    error = size > kMaxRequestSize ? MODERR_BAD_PARAMETER
                                   : ctl_enclosure_cmd_20(static_cast<uint16_t>(index), record, static_cast<uint16_t>(size));
    return error == 0 ? 1 : 0;
}

int CController::ResetEnclosureConfig(void* record, size_t size)
{
    error = size > kMaxRequestSize ? MODERR_BAD_PARAMETER
                                   : ctl_enclosure_cmd_24(static_cast<uint16_t>(index), record, static_cast<uint16_t>(size));
    return error == 0 ? 1 : 0;
}

int CController::GetEnclosureInfo(void* sizeRecord)
{
    error = ctl_get_enclosure_record_22(static_cast<uint16_t>(index), sizeRecord);
    return error == 0 ? 1 : 0;
}

int CController::RemoveEnclosureConfigs(int mode)
{
    uint8_t byte = static_cast<uint8_t>(mode);
    error = ctl_set_enclosure_byte(static_cast<uint16_t>(index), &byte);
    return error == 0 ? 1 : 0;
}
