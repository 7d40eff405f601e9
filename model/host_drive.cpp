// CHostDrive: construction with its place on the carrying drive, and Refresh.
#include "host_drive.h"

#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "model_alloc.h"
#include "model_errors.h"
#include "request_words.h"

#include <cstring>

namespace {

constexpr int kHostWorkerSlots = 1;

}  // namespace

CHostDrive::CHostDrive(uint16_t controllerNo, const HostDriveEntry& e, const DriveGeometry& g, const ClusterInfo& ci,
                       int carrier, CController* owner)
    : CDriveObject(kHostWorkerSlots), hostDriveNumber(e.number), carrierWord(carrier), entry(e), cylinders(g.cylinders),
      heads(g.heads), sectors(g.sectors), cluster(ci), controller(owner), controllerNumber(controllerNo)
{
    auto* table = static_cast<uint8_t*>(ModelAlloc(HDTABLE_SIZE));
    if (table == nullptr) {
        error = MODERR_NO_MEMORY;
    } else {
        std::memset(table, 0, HDTABLE_SIZE);
        wire::put32(table, HDTABLE_COUNT, HDTABLE_MAX_ENTRIES);
        wire::put32(table, HDTABLE_WORD1, HDTABLE_WORD1_VALUE);
        error = ctl_get_host_drive_table(controllerNumber, 0, entry.carrier, table, static_cast<uint16_t>(HDTABLE_SIZE));
        if (error == 0) {
            uint32_t count = wire::get32(table, HDTABLE_COUNT);
            if (count > HDTABLE_MAX_ENTRIES)
                count = HDTABLE_MAX_ENTRIES;
            hostDriveCount = static_cast<int>(count);
            auto start = [table](uint32_t k) { return wire::get32(table, HDTABLE_HEAD + HDENTRY_SIZE * k + HDENTRY_START); };
            auto size = [table](uint32_t k) { return wire::get32(table, HDTABLE_HEAD + HDENTRY_SIZE * k + HDENTRY_SECTORS); };
            uint32_t lowest = 0;
            for (uint32_t k = 1; k < count; ++k)
                if (start(k) < start(lowest))
                    lowest = k;
            // Walk along the gap rule from the first drive to this one.
            int steps = 0;
            if (count > 0) {
                const uint64_t gap = start(lowest);
                uint32_t at = lowest;
                while (start(at) != entry.start && steps < hostDriveCount) {
                    const uint64_t next = static_cast<uint64_t>(start(at)) + size(at) + gap;
                    for (uint32_t k = 0; k < count; ++k) {
                        if (start(k) == next) {
                            at = k;
                            break;
                        }
                    }
                    ++steps;
                }
            }
            position = steps;
        }
        ModelFree(table);
    }
    refreshInterval = 0;
    Refresh();
}

int CHostDrive::Refresh()
{
    ClearPartitions();
    // A cluster drive that another controller owns cannot be read here.
    if (cluster.type == kClusterDrive && cluster.owner != 0 &&
        (controller == nullptr || cluster.owner != controller->SerialNumber()))
        return 0;
    return ReadPartitionTable();
}
