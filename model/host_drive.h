// CHostDrive: a host drive, the slice of a logical, mirror or array drive
// (its carrying drive) that the operating system sees. It holds its entry of
// the carrying drive's host drive table, its geometry and cluster record and
// the index of its carrying logical drive, valid until the next
// configuration read.
#pragma once

#include "abstr_base.h"
#include "drive_object.h"
#include "drive_records.h"
#include "model_errors.h"
#include "partition_table.h"

#include <cstdint>
#include <cstring>

class CController;

// One entry of a host drive table as the model holds it (the wire layout is
// HDENTRY_* in drive_records.h).
struct HostDriveEntry {
    char name[8] = {};          // at most 7 characters, zero-terminated
    uint32_t sectors = 0;
    uint8_t number = 0;         // host drive number
    uint8_t carrier = 0;        // carrying drive number
    uint8_t attributes = 0;     // bit 0 write-back cache off, 1 write protected, 2 transaction tracking off
    uint32_t start = 0;         // start sector on the carrying drive
};

// The cluster record of a host drive.
struct ClusterInfo {
    uint8_t type = 0;           // 0 not configured, 1 cluster drive, 2 private
    uint32_t owner = 0;         // serial of the owning controller, 0 none
    uint32_t hasAccess = 0;     // this node has configuration access
    uint32_t shared = 0;        // more than one controller accesses the drive
    uint32_t reserved = 0;
    int32_t value = -1;
};

class CHostDrive : public CDriveObject<CHostDrive> {
public:
    // An empty entry of the controller's list.
    CHostDrive() : CDriveObject(1) {}
    // The host drive of `e` with its geometry, cluster record and carrier
    // word; reads its carrying drive's table for its place among the host
    // drives there, then runs Refresh.
    CHostDrive(uint16_t controllerNo, const HostDriveEntry& e, const DriveGeometry& g, const ClusterInfo& ci,
               int carrier, CController* owner);
    // Copies every field; live workers are started again for the copy.
    CHostDrive(const CHostDrive& other) : CDriveObject(other) { CompleteCopy(other); }
    // Takes over the other's workers; the owner pointer comes along unchanged.
    CHostDrive(CHostDrive&& other) noexcept = default;
    // Copies every field; this object's workers stop, the other's are started again here.
    CHostDrive& operator=(const CHostDrive& other) { return AssignCopy(other); }

    // Reads the partition tables; 0 for a cluster drive another controller owns.
    int Refresh();
    // Reads sector 0 and the extended chain, validates, plans; 1/0 with the code in error.
    int ReadPartitionTable();
    // Decodes record r (base for ordinary entries, extBase for links, total for percentages).
    void ParsePartitionTable(PartitionSector& r, uint64_t base, uint64_t extBase, uint64_t total);
    // Orders and checks the primary table; 1 valid, 0 invalid.
    int ValidatePartitionTable();
    // Works out the DOS plan from the tables; always 1.
    int PlanDosPartitions();
    // Puts our boot loader into bytes 0-439 of sector 0 and writes it back; 1/0.
    int WriteMasterBootCode();
    // Fills the 25-byte DOS 3.31 BPB at `block` for entry n of `record`.
    void BuildBootParameterBlock(uint8_t* block, const PartitionSector& record, int n) const;
    // The primary record with its chain, and the DOS plan, as last read.
    const PartitionSector* GetPartitions() const { return &partitions; }
    const DosPlan* GetDosPlan() const { return &dosPlan; }
    // True when all four primary entries are unused.
    bool PartitionTableEmpty() const;
    // Makes the disks of the carrying drive show themselves; bool.
    bool Identify();
    // Gives this host drive number n; a host drive that had n gets this one's (refresh when asked). 1/0.
    int SwapNumbers(int n, int refresh);
    // Table edits of the carrying drive's table, re-read when asked; 1/0.
    int SetName(const char* text);
    int SetClusterType(int type, int reRead);
    int SetAttributes(int mask, int values, int reRead);
    int SetWriteProtect(int on) { return SetAttributes(2, on ? 2 : 0, 0); }
    int SetWriteBackCache(int on) { return SetAttributes(1, on ? 0 : 1, 0); }
    int SetTransactionTracking(int on) { return SetAttributes(4, on ? 0 : 4, 0); }
    // Splits off a new host drive behind this one: `size` (sectors, else MB)
    // is this drive's new size, or the new drive's own when `newDriveSize`. 1/0.
    int Split(uint32_t size, int reRead, int inSectors, int newDriveSize);
    // Merges this host drive with its neighbour; 1/0.
    int Merge(int reRead);
    // Sets this host drive's size in sectors; 1/0.
    int SetSize(uint32_t sectors, int reRead);
    // Deletes the carrying drive (array, mirror or logical drive); refresh when asked. 1/0.
    int Remove(int refresh, int releaseEnclosureSlots);
    // Unloads the host drive; refresh when asked. 1/0.
    int Unload(int refresh);
    // *out := 1 when the controller has clustering on for this host drive; always 1.
    int IsClusterEnabled(int* out);
    // True when the carrying drive has more host drives.
    bool SharesCarrier() const;
    // The carrying drive's answer.
    bool HasOldFormatMembers() const;
    // Takes a statistics sample; `first` starts the series.
    void UpdateStatistics(DriveStatSample* x, int first);
    // Resets the host drive's access on the controller; 1/0.
    int ResetAccess();
    // Refreshes in a background worker every `seconds` seconds (0 stops it).
    int SetAutoRefresh(int seconds);
    // The refresh worker.
    void ThreadProc1(CThreadEntry& slot) override;

    int GetCarrierWord() const { return carrierWord; }
    const HostDriveEntry* GetEntry() const { return &entry; }
    const ClusterInfo* GetCluster() const { return &cluster; }
    bool IsClusterDrive() const { return cluster.type == 1; }

    int hostDriveNumber = -1;          // the host drive number (the entry's number byte)
    int carrierWord = 0;               // 0 logical drive, 1 mirror chain, 16 array drive
    HostDriveEntry entry;
    uint32_t cylinders = 0;
    uint8_t heads = 0;
    uint8_t sectors = 0;
    ClusterInfo cluster;
    PartitionSector partitions;        // sector 0 with the chain of extended boot records
    DosPlan dosPlan;
    DriveStatSample samples[DRIVE_SAMPLES] = {};
    int hostDriveCount = 0;            // host drives on the same carrying drive
    int position = 0;                  // place among them along the gap rule
    CController* controller = nullptr; // owner
    int carrierIndex = -1;             // carrying logical drive, -1 until linked
    uint16_t controllerNumber = 0;     // controller number of every request

private:
    // Reads the carrying drive's table into `table` (HDTABLE_SIZE bytes), a second try on failure.
    bool ReadTable(uint8_t* table);
    // Writes `table` back to carrying drive `target`; 1/0.
    bool WriteTable(uint8_t* table, int target);
    // The table edit: read, change (false stops with the code in error), write, re-read.
    template <class Change>
    int EditTable(int reRead, Change change);
    // The geometry the partition cylinders are counted in.
    PartitionGeometry Geometry() const { return {cylinders, heads, sectors}; }
    // Clears the primary record, its chain and the DOS plan.
    void ClearPartitions();
    // Reads or writes sector `s` through the block requests; the library code, 0 on success.
    uint32_t TransferSector(uint32_t s, uint8_t* data, bool write);
    // The capacity of the carrying drive in sectors.
    uint64_t CarrierCapacity() const;
    friend class CDriveObject<CHostDrive>;
    void CopyFields(const CHostDrive& other)
    {
        hostDriveNumber = other.hostDriveNumber;
        carrierWord = other.carrierWord;
        entry = other.entry;
        cylinders = other.cylinders;
        heads = other.heads;
        sectors = other.sectors;
        cluster = other.cluster;
        if (!CopyPartitionChain(partitions, other.partitions))
            error = MODERR_NO_MEMORY;
        dosPlan = other.dosPlan;
        std::memcpy(samples, other.samples, sizeof samples);
        hostDriveCount = other.hostDriveCount;
        position = other.position;
        controller = other.controller;
        carrierIndex = other.carrierIndex;
        controllerNumber = other.controllerNumber;
    }
};
