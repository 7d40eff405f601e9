// CLogDrive: one logical drive of a controller: a disk, a chain or a RAID-0
// stripe set. Its links (disks, mirror, array, host drives) are indices into
// the controller's lists, filled by CController::ReadConfiguration and valid
// until the next read. An operation that re-reads the controller when asked
// (MakeMirror, Remove) replaces this object with a new one: look the drive
// up again by number; a failure of the re-read is in the controller's error word.
#pragma once

#include "abstr_base.h"
#include "drive_object.h"
#include "carray.h"
#include "drive_records.h"

#include <cstdint>

class CController;

constexpr int LDTEXT_SIZE = 16;
constexpr int LDKIND_TEXT_SIZE = 17;

class CLogDrive : public CDriveObject<CLogDrive> {
public:
    // An empty entry of the controller's list.
    CLogDrive();
    // Drive `number`; the two packed words of its array list entry give the
    // roles (word1 bits 16-23 master, 24-31 parity; word2 bits 0-7 private
    // hot fix). Without `refreshNow` it shows as missing until a Refresh.
    CLogDrive(uint16_t controllerNumber, int number, uint32_t ignored, uint32_t word1, uint32_t word2, CController* owner,
              int refreshNow);
    // Copies every field and list; live workers are started again for the copy.
    CLogDrive(const CLogDrive& other);
    // Takes over the other's lists and workers.
    CLogDrive(CLogDrive&& other) noexcept = default;
    // Copies every field and list; this object's workers stop, the other's start again here.
    CLogDrive& operator=(const CLogDrive& other);
    ~CLogDrive() override = default;

    // Re-reads the drive information; 1, or 0 with the failure.
    int Refresh();
    // Appends a logical drive index to the pending list; the new position (-1 out of memory).
    int AddPendingComponent(int index);
    // Removes the pending entry at `position`; the index, or -1.
    int RemovePendingComponent(int position);
    // Makes this drive the master of a mirror with the pending drives; 1/0.
    int MakeMirror(int reRead);
    // Array operations (log_drive_array.cpp).
    // Creates an array drive of `type` (0, 4, 5, 10; + 0x80 destructive) from
    // this drive and the pending ones; *spansChannels and *arrayNumber out. 1/0.
    int CreateArray(int type, int* spansChannels, int* arrayNumber, uint32_t stripeSize);
    // Turns this drive and the pending drives into RAID-1 pairs for RAID 10;
    // the pending list then holds the pairs' masters. 1/0.
    int PairForRaid10(int* spansChannels);
    // The array's capacity and the largest it could have; 1/0 by the last request.
    int GetArrayCapacity(uint32_t* largest, uint32_t* capacity);
    // Sets the capacity of the array this drive created (0: unchanged); always 1.
    int SetArrayCapacity(uint32_t sectors);
    // Creates the host drive of the array this drive created; the re-read's result.
    int CreateArrayHostDrive(int reRead);
    // CreateArray, then CreateArrayHostDrive when it succeeded.
    int CreateArrayWithHostDrive(int type, int* spansChannels, int* arrayNumber, uint32_t stripeSize, int reRead);
    // Creates one host drive over the whole drive under `hostNumber`; 1/0.
    int CreateHostDrive(int hostNumber);
    // Renames the drive (8 characters); 1/0.
    int SetName(const char* text);
    // True when block 0 of every disk of the drive can be read.
    bool CheckDisksReadable();
    // Makes every disk of the drive show itself; 1/0.
    int Identify();
    // Deletes the drive; 1, or the Refresh result when asked.
    int Remove(int refresh);
    // Takes a statistics sample; `first` starts the series.
    void UpdateStatistics(DriveStatSample* x, int first);
    // Configuration access of a clustered drive (true without host drives or below level 30).
    bool HasConfigAccess() const;
    // True when another cluster node shares the drive.
    bool IsSharedWithOtherNodes() const;
    // True when a disk of the drive has the old disk format (by firmware).
    bool HasOldFormatMembers() const;
    // Reads the drive's component disk record (count word at byte 22 in); bool.
    bool QueryComponentDisks(void* record);
    // -1 when an index of the list occurs in more than one pair; else the
    // number of pairs whose two drives share a channel.
    int CountSharedChannelPairs(const uint8_t* pairs, int pairCount, const CArray<int>& indexList) const;
    // Refreshes in a background worker every `seconds` seconds (0 stops it).
    int SetAutoRefresh(int seconds);
    // The refresh worker.
    void ThreadProc1(CThreadEntry& slot) override;

    // The drive number as a signed 16-bit value.
    int16_t GetNumber() const { return static_cast<int16_t>(driveNumber); }
    int GetPendingCount() const { return pending.count; }
    const uint8_t* GetInfo() const { return info; }
    const char* GetName() const { return reinterpret_cast<const char*>(info + LDINFO_NAME); }
    const DriveStatSample* GetSample(int n) const { return &samples[n]; }
    void SetSample(int n, const DriveStatSample& s) { samples[n] = s; }
    void SetBaseSample() { samples[DRIVE_SAMPLE_BASE] = samples[DRIVE_SAMPLE_CURRENT]; }
    // True for a pool hot fix drive (kind value 4 set).
    bool IsPoolHotFix() const { return (kind & LDKIND_POOL_HOT_FIX) != 0; }
    // The drive's flags byte (bit 0 failed, bit 1 building, bit 2 pool hot fix).
    uint8_t Flags() const { return info[LDINFO_FLAGS]; }

    int driveNumber = -1;              // the drive's number on the controller
    int kind = LDKIND_MISSING;         // 0 disk, 1 RAID 0, 2 chain, 3 missing; | 4 pool hot fix
    uint8_t info[LDINFO_SIZE] = {};
    char stateText[LDTEXT_SIZE] = {};
    char attributeText[LDTEXT_SIZE] = {};
    char kindText[LDKIND_TEXT_SIZE] = {};
    int isMaster = 0;
    int isParity = 0;
    int isPrivateHotFix = 0;
    CArray<int> pending;               // logical drive indices for the next mirror or array
    DriveStatSample samples[DRIVE_SAMPLES] = {};
    CController* controller = nullptr; // owner
    CArray<int> disks;                 // indices in the controller's physical device list
    int mirrorIndex = -1;
    int arrayIndex = -1;
    CArray<int> hostDrives;
    uint16_t controllerNumber = 0;     // controller number of every request

private:
    friend class CDriveObject<CLogDrive>;
    void CopyFields(const CLogDrive& other);
    // Shows the drive as missing.
    void SetMissing();
};
