#include "enclosure_release.h"

#include "byte_order.h"
#include "controller.h"
#include "enclosure_config_layout.h"
#include "model_alloc.h"
#include "model_errors.h"

#include <cstring>

namespace {
constexpr size_t kEntryChannel = 5;
constexpr size_t kEntryTarget = 6;
constexpr uint32_t kMaxConfigSlots = (0xFFFF - kConfigHead - kConfigTail) / kConfigEntry;

// Size of a configuration record of n slots.
size_t ConfigSize(uint32_t n) { return kConfigHead + kConfigTail + kConfigEntry * n; }

}  // namespace

bool ReleaseEnclosureProcessorSlots(CController& c, const CArray<int>& disks, uint32_t& error)
{
    CArray<EnclosureSlot> table;
    int current = -1;
    for (int i = 0; i < disks.count; ++i) {
        if (disks[i] < 0 || disks[i] >= c.physDrives.count)
            continue;
        const int enclosure = c.physDrives[disks[i]].enclosureIndex;
        if (enclosure < 0 || enclosure >= c.physDrives.count)
            continue;
        if (enclosure != current) {
            if (current >= 0 && !c.physDrives[current].WriteSlotTable(table.data)) {
                error = c.physDrives[current].error;
                return false;
            }
            CPhysDrive& processor = c.physDrives[enclosure];
            if (!table.SetSize(0) || !table.SetSize(processor.enclosureLayout[ENCLAYOUT_SLOTS] + 1)) {
                error = MODERR_NO_MEMORY;
                return false;
            }
            if (!processor.ReadSlotTable(table.data)) {
                error = processor.error;
                return false;
            }
            current = enclosure;
        }
        for (int s = 0; s < table.count; ++s) {
            if (table[s].drive == disks[i]) {
                table[s].occupied = 0;
                table[s].drive = -1;
            }
        }
    }
    if (current >= 0 && !c.physDrives[current].WriteSlotTable(table.data)) {
        error = c.physDrives[current].error;
        return false;
    }
    return true;
}

bool ReleaseEnclosureConfigSlots(CController& c, const CArray<int>& disks, uint32_t& error)
{
    uint8_t* record = nullptr;
    int current = -1;
    auto writeBack = [&](bool onlyWithEntries) {
        if (record == nullptr)
            return true;
        const uint32_t n = wire::get32(record, kConfigSlotCount);
        bool ok = true;
        if (!onlyWithEntries || n > 0) {
            ok = c.WriteEnclosureConfig(record, ConfigSize(n)) == 1;
            if (!ok)
                error = c.error;
        }
        ModelFree(record);
        record = nullptr;
        return ok;
    };
    for (int i = 0; i < disks.count; ++i) {
        if (disks[i] < 0 || disks[i] >= c.physDrives.count)
            continue;
        const CPhysDrive& disk = c.physDrives[disks[i]];
        const int config = disk.enclosureConfigId;
        if (config < 0)
            continue;
        if (config != current) {
            if (!writeBack(false))
                return false;
            uint8_t sizeRecord[kConfigSizeRecord] = {};
            wire::put32(sizeRecord, 0, kConfigIdBase | static_cast<uint32_t>(config));
            if (!c.GetEnclosureInfo(sizeRecord)) {
                error = c.error;
                return false;
            }
            const uint32_t n = wire::get32(sizeRecord, 4);
            if (n > kMaxConfigSlots) {
                error = MODERR_BAD_PARAMETER;
                return false;
            }
            record = static_cast<uint8_t*>(ModelAlloc(ConfigSize(n)));
            if (record == nullptr) {
                error = MODERR_NO_MEMORY;
                return false;
            }
            std::memset(record, 0, ConfigSize(n));
            wire::put32(record, 0, kConfigIdBase | static_cast<uint32_t>(config));
            wire::put32(record, kConfigSlotCount, n);
            if (!c.ReadEnclosureConfig(record, ConfigSize(n)) || !c.ResetEnclosureConfig(record, ConfigSize(n))) {
                error = c.error;
                ModelFree(record);
                return false;
            }
            current = config;
        }
        // The disk's entry goes; the later ones move down.
        uint32_t n = wire::get32(record, kConfigSlotCount);
        for (uint32_t k = 0; k < n; ++k) {
            uint8_t* entry = record + kConfigHead + kConfigEntry * k;
            if (entry[kEntryChannel] == disk.channel && entry[kEntryTarget] == disk.targetId) {
                std::memmove(entry, entry + kConfigEntry, kConfigEntry * (n - k - 1) + kConfigTail);
                wire::put32(record, kConfigSlotCount, --n);
                break;
            }
        }
    }
    return writeBack(true);
}
