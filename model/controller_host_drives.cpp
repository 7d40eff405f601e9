// The host drives of a configuration read: each carrying drive's table, the
// controller-wide table for host drives no local drive carries, their order
// by number and their links to the carrying drives.
#include "controller.h"

#include "byte_order.h"
#include "ctl_commands.h"
#include "drive_lists.h"
#include "firmware_levels.h"
#include "model_errors.h"
#include "request_words.h"

#include <cstring>

namespace {
constexpr uint32_t kForeignOwner = 0xFFFFFFFF;
constexpr size_t kClusterRecordSize = 8;
constexpr uint32_t kAccessBit = 0x2;
constexpr uint32_t kSharedBit = 0x1;

// Entry k of a table as the model holds it.
HostDriveEntry EntryAt(const uint8_t* table, int k)
{
    const uint8_t* p = table + HDTABLE_HEAD + HDENTRY_SIZE * static_cast<size_t>(k);
    HostDriveEntry e;
    std::memcpy(e.name, p + HDENTRY_NAME, HDENTRY_NAME_CHARS);
    e.name[HDENTRY_NAME_CHARS] = '\0';
    e.sectors = wire::get32(p, HDENTRY_SECTORS);
    e.number = p[HDENTRY_NUMBER];
    e.carrier = p[HDENTRY_CARRIER];
    e.attributes = p[HDENTRY_ATTRIBUTES];
    e.start = wire::get32(p, HDENTRY_START);
    return e;
}

}  // namespace

bool CController::ReadHostTable(int carrier, uint8_t* table, bool controllerWide)
{
    const auto c = static_cast<uint16_t>(index);
    // A failed read is tried once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::memset(table, 0, HDTABLE_SIZE);
        wire::put32(table, HDTABLE_COUNT, HDTABLE_MAX_ENTRIES);
        wire::put32(table, HDTABLE_WORD1, HDTABLE_WORD1_VALUE);
        const uint32_t rc =
            controllerWide
                ? ctl_get_host_drive_table_2(c, 0, kAllHostDrives, table, static_cast<uint16_t>(HDTABLE_SIZE))
                : ctl_get_host_drive_table(c, 0, static_cast<uint32_t>(carrier), table, static_cast<uint16_t>(HDTABLE_SIZE));
        if (rc == 0)
            return true;
    }
    std::memset(table, 0, HDTABLE_SIZE);
    return false;
}

void CController::ReadCarrierHostDrives(int carrier, int kind, const CLogDrive& drive, uint8_t* table,
                                        const CArray<CHostDrive>& old, int& result)
{
    if (FirmwareLevel() < kLevelHostTables) {
        // Older firmware keeps no tables: one host drive over the whole carrying drive.
        std::memset(table, 0, HDTABLE_SIZE);
        wire::put32(table, HDTABLE_COUNT, 1);
        uint8_t* e = table + HDTABLE_HEAD;
        const uint8_t* name = drive.info + LDINFO_NAME;
        uint32_t size = wire::get32(drive.info, LDINFO_CAPACITY);
        if (kind == 16 && arrayDrives.count > 0 && arrayDrives[arrayDrives.count - 1].arrayNumber == carrier) {
            name = arrayDrives[arrayDrives.count - 1].info + ARREC_NAME;
            size = arrayDrives[arrayDrives.count - 1].Capacity();
        } else if (kind == 1) {
            name = drive.info + LDINFO_MIRROR_NAME;
        }
        std::memcpy(e + HDENTRY_NAME, name, HDENTRY_NAME_CHARS);
        wire::put32(e, HDENTRY_SECTORS, size);
        e[HDENTRY_NUMBER] = static_cast<uint8_t>(carrier);
        e[HDENTRY_CARRIER] = static_cast<uint8_t>(carrier);
    } else {
        ReadHostTable(carrier, table, false);
    }
    AppendHostDrives(table, carrier, kind, false, old, result);
}

void CController::ReadForeignHostDrives(uint8_t* table, const CArray<CHostDrive>& old, int& result)
{
    ReadHostTable(-1, table, true);
    AppendHostDrives(table, -1, 0, true, old, result);
}

void CController::AppendHostDrives(const uint8_t* table, int carrier, int kind, bool foreign,
                                   const CArray<CHostDrive>& old, int& result)
{
    const auto c = static_cast<uint16_t>(index);
    // The controller's count is trusted only as far as the table reaches.
    uint32_t count = wire::get32(table, HDTABLE_COUNT);
    if (count > HDTABLE_MAX_ENTRIES)
        count = HDTABLE_MAX_ENTRIES;
    for (int k = 0; k < static_cast<int>(count); ++k) {
        const HostDriveEntry e = EntryAt(table, k);
        if (foreign && FindHostDrive(e.number) >= 0)
            continue;
        DriveGeometry g;
        const uint8_t sectors = table[HDTABLE_SECTORS];
        const uint8_t heads = table[HDTABLE_HEADS];
        // A header without heads or sectors never divides.
        if (sectors != 0 && heads != 0) {
            g.sectors = sectors;
            g.heads = heads;
            g.cylinders = e.sectors / sectors / heads;
        } else {
            ComputeGeometry(e.sectors, &g);
        }
        ClusterInfo cluster;
        if (foreign) {
            cluster.type = kClusterDrive;
            cluster.owner = kForeignOwner;
        } else {
            cluster.type = table[HDTABLE_CLUSTER];
            cluster.owner = wire::get32(table, HDTABLE_OWNER);
            if (FirmwareLevel() >= kLevelCluster) {
                uint8_t rec[kClusterRecordSize] = {};
                if (ctl_get_host_drive_param_06(c, static_cast<uint32_t>(carrier), rec) == 0) {
                    const uint32_t word = wire::get32(rec, 0);
                    cluster.hasAccess = (word & kAccessBit) != 0 ? 1 : 0;
                    cluster.shared = (word & kSharedBit) != 0 ? 1 : 0;
                    cluster.value = static_cast<int32_t>(wire::get32(rec, 4));
                }
            }
        }
        CHostDrive h(c, e, g, cluster, kind, this);
        for (int i = 0; i < old.count; ++i) {
            if (old[i].hostDriveNumber == e.number) {
                for (int n = 0; n < DRIVE_SAMPLES; ++n)
                    h.samples[n] = old[i].samples[n];
                break;
            }
        }
        if (!hostDrives.SetSize(hostDrives.count + 1)) {
            error = MODERR_NO_MEMORY;
            result = -1;
            continue;
        }
        hostDrives[hostDrives.count - 1] = h;
    }
}

void CController::SortHostDrives()
{
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (int k = 0; k + 1 < hostDrives.count; ++k) {
            if (static_cast<uint16_t>(hostDrives[k].hostDriveNumber) >
                static_cast<uint16_t>(hostDrives[k + 1].hostDriveNumber)) {
                CHostDrive t = hostDrives[k];
                hostDrives[k] = hostDrives[k + 1];
                hostDrives[k + 1] = t;
                swapped = true;
            }
        }
    }
}

void CController::LinkHostDrive(int at)
{
    CHostDrive& h = hostDrives[at];
    const int carrier = h.entry.carrier;
    for (int a = 0; a < arrayDrives.count; ++a) {
        if (arrayDrives[a].arrayNumber == carrier) {
            if (AppendIndex(arrayDrives[a].hostDrives, at) < 0)
                error = MODERR_NO_MEMORY;
            break;
        }
    }
    for (int m = 0; m < mirrorDrives.count; ++m) {
        if (mirrorDrives[m].mirrorNumber == carrier) {
            if (AppendIndex(mirrorDrives[m].hostDrives, at) < 0)
                error = MODERR_NO_MEMORY;
            break;
        }
    }
    for (int i = 0; i < logDrives.count; ++i) {
        if (logDrives[i].driveNumber == carrier) {
            h.carrierIndex = i;
            if (AppendIndex(logDrives[i].hostDrives, at) < 0)
                error = MODERR_NO_MEMORY;
            break;
        }
    }
}
