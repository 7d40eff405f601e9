// CHostDrive's partition tables: reading sector 0 and the chain of extended
// boot records through the block requests, the check of the primary table,
// the DOS plan, and rewriting the master boot code.
#include "host_drive.h"

#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "master_boot_code.h"
#include "model_errors.h"

#include <cstring>
#include <new>

namespace {

constexpr size_t kWords = SECTOR_SIZE / 4;
constexpr size_t kFirstSpareWord = 84;   // words the image keeps free for the checksum rule
constexpr size_t kLastSpareWord = 108;
constexpr size_t kSignatureWord = 110;   // bytes 440-443, the disk signature
constexpr uint32_t kSumLimit = 0x0FFFFFFF;
constexpr uint32_t kSpareValue = 0x10000000;
constexpr uint32_t kSignatureValue = 0x1a3e4b57;

}  // namespace

void CHostDrive::ClearPartitions()
{
    partitions.next.reset();
    partitions = PartitionSector{};
    dosPlan = DosPlan{};
}

uint32_t CHostDrive::TransferSector(uint32_t s, uint8_t* data, bool write)
{
    BlockIoRecord r;
    r.controller = controllerNumber;
    r.hostDrive = static_cast<uint16_t>(hostDriveNumber);
    r.firstBlock = s;
    r.blockCount = 1;
    r.data = data;
    r.dataSize = SECTOR_SIZE;
    return write ? ctl_write_blocks(r) : ctl_read_blocks(r);
}

void CHostDrive::ParsePartitionTable(PartitionSector& r, uint64_t base, uint64_t extBase, uint64_t total)
{
    ParsePartitionEntries(r, base, extBase, total, Geometry());
}

int CHostDrive::ValidatePartitionTable()
{
    return ValidatePartitionEntries(partitions, Geometry()) ? 1 : 0;
}

int CHostDrive::PlanDosPartitions()
{
    const OsVersionInfo* os = controller != nullptr ? &controller->hostSystem.os : nullptr;
    PlanDosSpace(dosPlan, partitions, Geometry(), os != nullptr ? os->name : nullptr, os != nullptr ? os->major : 0,
                 os != nullptr ? os->minor : 0);
    return 1;
}

bool CHostDrive::PartitionTableEmpty() const
{
    for (const PartitionEntry& e : partitions.entries)
        if (!e.unused)
            return false;
    return true;
}

int CHostDrive::ReadPartitionTable()
{
    uint8_t sector[SECTOR_SIZE];
    const uint32_t code = TransferSector(0, sector, false);
    if (code != 0) {
        error = code;
        return 0;
    }
    std::memcpy(partitions.raw, sector + PART_TABLE_OFFSET, PART_RAW_SIZE);
    partitions.sectorNumber = 0;
    ParsePartitionTable(partitions, 0, 0, uint64_t{cylinders} * heads * sectors);
    if (ValidatePartitionTable() == 0) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    partitions.logicalCount = 0;
    int ext = -1;
    if (partitions.HasSignature())
        for (int k = 0; k < PART_ENTRIES && ext < 0; ++k)
            if (partitions.Type(k) == PART_TYPE_EXTENDED)
                ext = k;
    if (ext >= 0) {
        const uint64_t x = partitions.Start(ext);
        const uint64_t y = partitions.Size(ext);
        uint32_t seen[PART_CHAIN_LIMIT];
        int reads = 0;
        PartitionSector* tail = &partitions;
        uint64_t at = x;
        // The chain ends at a sector already read, a link outside the
        // extended partition, or after PART_CHAIN_LIMIT records.
        while (reads < PART_CHAIN_LIMIT && at >= x && at < x + y && at <= UINT32_MAX) {
            const auto s = static_cast<uint32_t>(at);
            bool again = false;
            for (int i = 0; i < reads; ++i)
                again = again || seen[i] == s;
            if (again)
                break;
            seen[reads++] = s;
            const uint32_t readCode = TransferSector(s, sector, false);
            if (readCode != 0) {
                error = readCode;
                break;
            }
            std::unique_ptr<PartitionSector> r(new (std::nothrow) PartitionSector);
            if (!r) {
                error = MODERR_NO_MEMORY;
                break;
            }
            r->sectorNumber = s;
            std::memcpy(r->raw, sector + PART_TABLE_OFFSET, PART_RAW_SIZE);
            ParsePartitionTable(*r, s, x, y);
            const bool link = r->Type(1) == PART_TYPE_EXTENDED;
            if (!r->HasSignature() || (r->entries[0].unused && !link))
                break;
            if (!r->entries[0].unused)
                ++partitions.logicalCount;
            at = x + r->Start(1);
            tail->next = std::move(r);
            tail = tail->next.get();
            if (!link)
                break;
        }
    }
    PlanDosPartitions();
    return 1;
}

int CHostDrive::WriteMasterBootCode()
{
    uint8_t sector[SECTOR_SIZE];
    uint32_t code = TransferSector(0, sector, false);
    if (code != 0) {
        error = code;
        return 0;
    }
    // Bytes 440-445 (the disk signature and the word after it) stay.
    std::memcpy(sector, MasterBootCode, sizeof MasterBootCode);
    uint32_t sum = 0;
    for (size_t w = 0; w < kWords; ++w)
        sum += wire::get32(sector, 4 * w);
    if (0u - sum <= kSumLimit) {
        size_t word = kSignatureWord;
        for (size_t w = kLastSpareWord + 1; w-- > kFirstSpareWord;)
            if (wire::get32(sector, 4 * w) == 0) {
                word = w;
                break;
            }
        wire::put32(sector, 4 * word, word == kSignatureWord ? kSignatureValue : kSpareValue);
    }
    code = TransferSector(0, sector, true);
    if (code != 0) {
        error = code;
        return 0;
    }
    return 1;
}

void CHostDrive::BuildBootParameterBlock(uint8_t* block, const PartitionSector& record, int n) const
{
    const int major = controller != nullptr ? controller->hostSystem.os.major : 0;
    FillBootParameterBlock(block, record, n, Geometry(), major);
}
