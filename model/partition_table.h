// Partition tables of a host drive: the decoded master boot record with its
// chain of extended boot records, the consistency check of the primary
// table, the plan of free space for a DOS partition, and the DOS 3.31 BIOS
// parameter block. Pure functions over sectors; the sector I/O lives in
// CHostDrive (host_drive_partitions.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr size_t SECTOR_SIZE = 512;
constexpr size_t PART_TABLE_OFFSET = 446;    // first entry in the sector
constexpr size_t PART_RAW_SIZE = 66;         // four entries and the signature
constexpr size_t PART_ENTRY_SIZE = 16;
constexpr size_t PART_ENTRY_BOOT = 0;        // boot indicator (0x80 active)
constexpr size_t PART_ENTRY_TYPE = 4;
constexpr size_t PART_ENTRY_START = 8;       // u32 start sector
constexpr size_t PART_ENTRY_SIZE_FIELD = 12; // u32 size in sectors
constexpr size_t PART_SIGNATURE = 64;        // u16 in the raw copy
constexpr uint16_t PART_SIGNATURE_VALUE = 0xAA55;
constexpr uint8_t PART_TYPE_EXTENDED = 5;
constexpr uint8_t PART_TYPE_HIDDEN = 0x10;
constexpr int PART_ENTRIES = 4;
constexpr int PART_CHAIN_LIMIT = 128;        // extended boot records read at most
constexpr size_t PART_NAME_SIZE = 32;
constexpr size_t BPB_SIZE = 25;              // DOS 3.31 BPB from its bytes-per-sector field

// One decoded table entry.
struct PartitionEntry {
    uint32_t unused = 1;         // 1: empty entry or a sector without signature
    uint32_t reserved = 0;
    int32_t order = -1;          // place in start-cylinder order, -1 when not ordered
    char typeName[PART_NAME_SIZE] = {};
    uint32_t startCylinder = 0;  // kept in 32 bits: large drives have more than 65535 cylinders
    uint32_t endCylinder = 0;
    uint32_t sizeMb = 0;
    uint32_t percent = 0;        // of the drive, for logical partitions of the extended partition
};

// One decoded sector: the master boot record or an extended boot record.
struct PartitionSector {
    uint32_t reserved0 = 0;
    uint32_t sectorNumber = 0;   // where the record lies on the host drive
    uint32_t reserved1 = 0;
    uint8_t raw[PART_RAW_SIZE] = {};  // bytes 446-511, hidden bits cleared
    PartitionEntry entries[PART_ENTRIES];
    std::unique_ptr<PartitionSector> next;  // next extended boot record
    uint32_t logicalCount = 0;   // primary record: logical partitions in the chain

    // The type byte of entry k in the raw copy.
    uint8_t Type(int k) const { return raw[PART_ENTRY_SIZE * static_cast<size_t>(k) + PART_ENTRY_TYPE]; }
    // The boot indicator of entry k.
    uint8_t Boot(int k) const { return raw[PART_ENTRY_SIZE * static_cast<size_t>(k) + PART_ENTRY_BOOT]; }
    // The start sector of entry k as stored.
    uint32_t Start(int k) const;
    // The size in sectors of entry k.
    uint32_t Size(int k) const;
    // True when bytes 510-511 hold 0xAA55.
    bool HasSignature() const;
};

// Where a DOS partition could go (for a machine running MS-DOS).
struct DosPlan {
    uint32_t valid = 0;             // the host system is MS-DOS
    uint8_t dosLevel = 0;
    uint32_t largestCylinders = 0;  // largest DOS partition in cylinders
    uint32_t freeStart = 0;         // outside the extended partition
    uint32_t freeCylinders = 0;
    uint32_t extFreeStart = 0;      // inside the extended partition
    uint32_t extFreeCylinders = 0;
    int32_t extFreeAfter = -1;      // chain index of the record the space follows, -1: the extended start
};

// The geometry the cylinders are counted in.
struct PartitionGeometry {
    uint32_t cylinders = 0;
    uint32_t heads = 0;
    uint32_t sectors = 0;
};

// The type name of a partition type byte (hidden bit already cleared).
const char* PartitionTypeName(uint8_t type);
// Size in MB of `sectors`, rounded up when the remainder exceeds half a MB.
uint32_t PartitionSizeMb(uint64_t sectors);
// Share of `size` in `total`, in percent, rounded as the tables show it.
uint32_t PartitionPercent(uint64_t size, uint64_t total);
// Decodes the four entries of r: base for ordinary entries, extBase for
// links (type 5), total for the percentage; clears hidden bits in r.raw.
void ParsePartitionEntries(PartitionSector& r, uint64_t base, uint64_t extBase, uint64_t total,
                           const PartitionGeometry& g);
// Orders the used primary entries by start cylinder and checks them; true when valid.
bool ValidatePartitionEntries(PartitionSector& primary, const PartitionGeometry& g);
// Fills the DOS plan from the validated primary record and its chain.
void PlanDosSpace(DosPlan& plan, const PartitionSector& primary, const PartitionGeometry& g, const char* osName,
                  int major, int minor);
// Fills the 25-byte DOS 3.31 BPB at `bpb` for primary entry k of `record`.
void FillBootParameterBlock(uint8_t* bpb, const PartitionSector& record, int k, const PartitionGeometry& g,
                            int dosMajor);
// Copies `from` with its whole chain into `to`; false when memory ran out (the chain is cut there).
bool CopyPartitionChain(PartitionSector& to, const PartitionSector& from);
