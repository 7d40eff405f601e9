// Decoding, checking and planning of PC partition tables (partition_table.h).
#include "partition_table.h"

#include "byte_order.h"
#include "request_words.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

struct TypeName {
    uint8_t type;
    const char* name;
};

constexpr TypeName kTypeNames[] = {
    {0x01, "FAT12"},  {0x02, "XENIX"},       {0x03, "XENIX"}, {0x04, "FAT16"},   {0x05, "EXTDOS"},
    {0x06, "BIGDOS"}, {0x07, "IFS"},         {0x0A, "BOOTMANAGER"}, {0x0B, "FAT32"}, {0x4D, "QNX"},
    {0x63, "UNIX"},   {0x64, "NETWARE"},     {0x65, "NETWARE"}, {0x82, "LINUX swap"}, {0x83, "LINUX native"},
};

constexpr const char* kHidden = "(hidden)";
constexpr uint64_t kHalfMb = 1024;

// Cylinder of sector s; 0 for a geometry without heads or sectors.
uint32_t Cylinder(uint64_t s, const PartitionGeometry& g)
{
    const uint64_t perCylinder = uint64_t{g.heads} * g.sectors;
    if (perCylinder == 0)
        return 0;
    const uint64_t c = s / perCylinder;
    return c > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(c);
}

}  // namespace

uint32_t PartitionSector::Start(int k) const
{
    return wire::get32(raw, PART_ENTRY_SIZE * static_cast<size_t>(k) + PART_ENTRY_START);
}

uint32_t PartitionSector::Size(int k) const
{
    return wire::get32(raw, PART_ENTRY_SIZE * static_cast<size_t>(k) + PART_ENTRY_SIZE_FIELD);
}

bool PartitionSector::HasSignature() const
{
    return wire::get16(raw, PART_SIGNATURE) == PART_SIGNATURE_VALUE;
}

const char* PartitionTypeName(uint8_t type)
{
    for (const TypeName& t : kTypeNames)
        if (t.type == type)
            return t.name;
    return "OTHER";
}

uint32_t PartitionSizeMb(uint64_t sectors)
{
    return static_cast<uint32_t>(sectors / kSectorsPerMb + (sectors % kSectorsPerMb > kHalfMb ? 1 : 0));
}

uint32_t PartitionPercent(uint64_t size, uint64_t total)
{
    if (total < 100)
        return total == 0 ? 0 : static_cast<uint32_t>(size * 100 / total);
    const uint64_t unit = total / 100;
    return static_cast<uint32_t>(size / unit + (size % unit > total / 200 ? 1 : 0));
}

void ParsePartitionEntries(PartitionSector& r, uint64_t base, uint64_t extBase, uint64_t total,
                           const PartitionGeometry& g)
{
    for (PartitionEntry& e : r.entries)
        e = PartitionEntry{};
    if (!r.HasSignature())
        return;
    for (int k = 0; k < PART_ENTRIES; ++k) {
        PartitionEntry& e = r.entries[k];
        uint8_t& type = r.raw[PART_ENTRY_SIZE * static_cast<size_t>(k) + PART_ENTRY_TYPE];
        const bool hidden = (type & PART_TYPE_HIDDEN) != 0;
        type = static_cast<uint8_t>(type & ~PART_TYPE_HIDDEN);
        if (type == 0)
            continue;
        e.unused = 0;
        std::snprintf(e.typeName, sizeof e.typeName, "%s%s", PartitionTypeName(type), hidden ? kHidden : "");
        const uint64_t start = (type == PART_TYPE_EXTENDED ? extBase : base) + r.Start(k);
        const uint64_t size = r.Size(k);
        e.startCylinder = Cylinder(start, g);
        e.endCylinder = Cylinder(size == 0 ? start : start + size - 1, g);
        e.sizeMb = PartitionSizeMb(size);
        e.percent = PartitionPercent(size, total);
    }
}

bool ValidatePartitionEntries(PartitionSector& primary, const PartitionGeometry& g)
{
    if (!primary.HasSignature())
        return true;
    int ordered = 0;
    for (;;) {
        int pick = -1;
        for (int k = 0; k < PART_ENTRIES; ++k) {
            const PartitionEntry& e = primary.entries[k];
            if (e.unused || e.order >= 0)
                continue;
            if (pick < 0 || e.startCylinder < primary.entries[pick].startCylinder)
                pick = k;
        }
        if (pick < 0)
            break;
        primary.entries[pick].order = ordered++;
    }
    int64_t previousEnd = -1;
    for (int n = 0; n < ordered; ++n) {
        for (const PartitionEntry& e : primary.entries) {
            if (e.unused || e.order != n)
                continue;
            if (static_cast<int64_t>(e.startCylinder) <= previousEnd || e.endCylinder < e.startCylinder ||
                e.endCylinder >= g.cylinders)
                return false;
            previousEnd = e.endCylinder;
        }
    }
    return true;
}

namespace {

// The used primary entries in start-cylinder order.
int InOrder(const PartitionSector& primary, int out[PART_ENTRIES])
{
    int n = 0;
    for (int place = 0; place < PART_ENTRIES; ++place)
        for (int k = 0; k < PART_ENTRIES; ++k)
            if (!primary.entries[k].unused && primary.entries[k].order == place)
                out[n++] = k;
    return n;
}

// Keeps the largest gap [start, start + count) seen so far; ties keep the first.
struct Gap {
    int64_t start = 0;
    int64_t count = -1;
    int32_t after = -1;
    void Offer(int64_t s, int64_t c, int32_t a)
    {
        if (c > count) {
            start = s;
            count = c;
            after = a;
        }
    }
};

uint32_t Clamp(int64_t v)
{
    return v < 0 ? 0 : v > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(v);
}

}  // namespace

void PlanDosSpace(DosPlan& plan, const PartitionSector& primary, const PartitionGeometry& g, const char* osName,
                  int major, int minor)
{
    plan = DosPlan{};
    plan.valid = osName != nullptr && std::strcmp(osName, "MS-DOS") == 0 ? 1 : 0;
    if (!plan.valid)
        return;
    plan.dosLevel = major < 3 ? 3 : major == 3 ? (minor < 30 ? 4 : 5) : 6;
    const uint64_t perCylinder = uint64_t{g.heads} * g.sectors;
    const uint64_t largest = plan.dosLevel == 6 ? 0x400000 : 0x10000;
    plan.largestCylinders = perCylinder == 0 ? 0 : static_cast<uint32_t>(largest / perCylinder);

    // Outside the extended partition: the gap before an entry wins when the space behind it is smaller.
    int order[PART_ENTRIES];
    const int used = InOrder(primary, order);
    int64_t m = 0;
    int64_t o = static_cast<int64_t>(g.cylinders) - 1;
    for (int i = 0; i < used; ++i) {
        const PartitionEntry& e = primary.entries[order[i]];
        if (o - static_cast<int64_t>(e.endCylinder) < static_cast<int64_t>(e.startCylinder) - m) {
            o = static_cast<int64_t>(e.startCylinder) - 1;
            break;
        }
        m = static_cast<int64_t>(e.endCylinder) + 1;
    }
    plan.freeStart = Clamp(m);
    plan.freeCylinders = Clamp(o - m + 1);

    int ext = -1;
    for (int k = 0; k < PART_ENTRIES && ext < 0; ++k)
        if (!primary.entries[k].unused && primary.Type(k) == PART_TYPE_EXTENDED)
            ext = k;
    if (ext < 0)
        return;
    const PartitionEntry& x = primary.entries[ext];
    if (primary.logicalCount == 0) {
        plan.extFreeStart = x.startCylinder;
        plan.extFreeCylinders = Clamp(int64_t{x.endCylinder} - x.startCylinder + 1);
        plan.extFreeAfter = -1;
        return;
    }
    Gap gap;
    int64_t previousEnd = static_cast<int64_t>(x.startCylinder) - 1;
    int32_t previous = -1;
    int32_t index = 0;
    for (const PartitionSector* r = primary.next.get(); r != nullptr; r = r->next.get(), ++index) {
        const bool own = !r->entries[0].unused;
        const bool link = !r->entries[1].unused && r->Type(1) == PART_TYPE_EXTENDED;
        if (!own && link) {
            gap.Offer(previousEnd + 1, int64_t{r->entries[1].startCylinder} - previousEnd - 1, previous);
        } else if (own && !link) {
            gap.Offer(int64_t{r->entries[0].endCylinder} + 1, int64_t{x.endCylinder} - r->entries[0].endCylinder,
                      index);
        } else if (own && link) {
            const PartitionSector* n = r->next.get();
            const int64_t nextStart = n != nullptr && !n->entries[0].unused ? n->entries[0].startCylinder
                                                                            : r->entries[1].startCylinder;
            gap.Offer(int64_t{r->entries[0].endCylinder} + 1, nextStart - r->entries[0].endCylinder - 1, index);
        }
        if (own) {
            previousEnd = r->entries[0].endCylinder;
            previous = index;
        }
    }
    if (gap.count < 0)
        return;
    plan.extFreeStart = Clamp(gap.start);
    plan.extFreeCylinders = Clamp(gap.count);
    plan.extFreeAfter = gap.after;
}

void FillBootParameterBlock(uint8_t* bpb, const PartitionSector& record, int k, const PartitionGeometry& g,
                            int dosMajor)
{
    std::memset(bpb, 0, BPB_SIZE);
    const uint64_t sectors = record.Size(k);
    const uint64_t bytes = sectors * SECTOR_SIZE;
    constexpr uint64_t MB = 1024 * 1024;
    struct Step {
        uint64_t upTo;
        uint8_t perCluster;
    };
    static constexpr Step kNewer[] = {{16 * MB, 8}, {128 * MB, 4}, {256 * MB, 8}, {512 * MB, 16}, {1024 * MB, 32}};
    static constexpr Step kOlder[] = {{1 * MB, 2}, {8 * MB, 4}, {16 * MB, 8}};
    uint8_t perCluster = dosMajor > 2 ? 64 : 16;
    if (dosMajor > 2) {
        for (const Step& s : kNewer)
            if (bytes <= s.upTo) {
                perCluster = s.perCluster;
                break;
            }
    } else {
        for (const Step& s : kOlder)
            if (bytes <= s.upTo) {
                perCluster = s.perCluster;
                break;
            }
    }
    wire::put16(bpb, 0, static_cast<uint16_t>(SECTOR_SIZE));
    bpb[2] = perCluster;
    wire::put16(bpb, 3, 1);    // reserved sectors
    bpb[5] = 2;                // FATs
    wire::put16(bpb, 6, 512);  // root directory entries
    // Up to 32 MB the small count; exactly 32 MB (65536 sectors) does not fit in it.
    if (bytes <= 32 * MB && sectors <= UINT16_MAX)
        wire::put16(bpb, 8, static_cast<uint16_t>(sectors));
    else
        wire::put32(bpb, 21, static_cast<uint32_t>(sectors));
    bpb[10] = 0xF8;
    const double perEntry = record.Type(k) == 1 ? 1.5 : 2.0;
    const double fatSectors = static_cast<double>(sectors / perCluster) * perEntry / static_cast<double>(SECTOR_SIZE);
    wire::put16(bpb, 11, static_cast<uint16_t>(static_cast<uint32_t>(fatSectors) + 1));
    wire::put16(bpb, 13, static_cast<uint16_t>(g.sectors));
    wire::put16(bpb, 15, static_cast<uint16_t>(g.heads));
    wire::put32(bpb, 17, record.Start(k));
}

bool CopyPartitionChain(PartitionSector& to, const PartitionSector& from)
{
    to.reserved0 = from.reserved0;
    to.sectorNumber = from.sectorNumber;
    to.reserved1 = from.reserved1;
    std::memcpy(to.raw, from.raw, sizeof to.raw);
    for (int k = 0; k < PART_ENTRIES; ++k)
        to.entries[k] = from.entries[k];
    to.logicalCount = from.logicalCount;
    to.next.reset();
    PartitionSector* tail = &to;
    for (const PartitionSector* r = from.next.get(); r != nullptr; r = r->next.get()) {
        tail->next.reset(new (std::nothrow) PartitionSector);
        if (!tail->next)
            return false;
        tail = tail->next.get();
        tail->sectorNumber = r->sectorNumber;
        std::memcpy(tail->raw, r->raw, sizeof tail->raw);
        for (int k = 0; k < PART_ENTRIES; ++k)
            tail->entries[k] = r->entries[k];
        tail->logicalCount = r->logicalCount;
    }
    return true;
}
