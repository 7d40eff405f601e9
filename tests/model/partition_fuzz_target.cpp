// Fuzz target of the partition table code: a geometry, then sector 0's
// bytes 446-511 and up to eight extended records of 66 bytes each, decoded,
// checked and planned as a refresh would, without a controller behind.
#include "byte_order.h"
#include "partition_table.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr size_t kHead = 8;  // u32 cylinders, heads, sectors, DOS major, DOS minor
    if (size < kHead + PART_RAW_SIZE)
        return 0;
    PartitionGeometry g{wire::get32(data, 0), data[4], data[5]};
    const int major = data[6] & 7;
    const int minor = data[7];
    const uint64_t total = uint64_t{g.cylinders} * g.heads * g.sectors;
    PartitionSector primary;
    std::memcpy(primary.raw, data + kHead, PART_RAW_SIZE);
    ParsePartitionEntries(primary, 0, 0, total, g);
    if (ValidatePartitionEntries(primary, g)) {
        PartitionSector* tail = &primary;
        const uint64_t x = primary.Start(0);
        for (size_t at = kHead + PART_RAW_SIZE; at + PART_RAW_SIZE <= size && at < kHead + 9 * PART_RAW_SIZE;
             at += PART_RAW_SIZE) {
            std::unique_ptr<PartitionSector> r(new (std::nothrow) PartitionSector);
            if (!r)
                break;
            std::memcpy(r->raw, data + at, PART_RAW_SIZE);
            r->sectorNumber = static_cast<uint32_t>(x + at);
            ParsePartitionEntries(*r, r->sectorNumber, x, primary.Size(0), g);
            if (!r->entries[0].unused)
                ++primary.logicalCount;
            tail->next = std::move(r);
            tail = tail->next.get();
        }
    }
    DosPlan plan;
    PlanDosSpace(plan, primary, g, "MS-DOS", major, minor);
    uint8_t bpb[BPB_SIZE];
    for (int k = 0; k < PART_ENTRIES; ++k)
        FillBootParameterBlock(bpb, primary, k, g, major);
    PartitionSector copy;
    CopyPartitionChain(copy, primary);
    return 0;
}
