// CArrayDrive: an array drive of a controller (RAID 0, 4, 5 or 10) over
// logical drives (for RAID 10 the masters of mirror drives). It holds a copy
// of the controller's array record with display texts and the indices of its
// components and host drives, valid until the next configuration read. An
// operation that refreshes or re-reads the controller when asked replaces
// this object: look the array up again by number; a failure of the re-read
// is in the controller's error word.
#pragma once

#include "abstr_base.h"
#include "drive_object.h"
#include "array_records.h"
#include "carray.h"
#include "progress_request.h"

#include <cstdint>

class CController;

constexpr int ARTEXT_SIZE = 16;

// Parity verify progress values beside 0..99 percent.
constexpr int VERIFY_PROGRESS_NONE = -1;
constexpr int VERIFY_PROGRESS_OK = -2;
constexpr int VERIFY_PROGRESS_FAILED = -3;
constexpr int VERIFY_PROGRESS_ABORTED = -4;

class CArrayDrive : public CDriveObject<CArrayDrive> {
public:
    // An empty entry of the controller's list.
    CArrayDrive();
    // Array `number` of controller `controllerNo`; reads it when `refreshNow`.
    CArrayDrive(uint16_t controllerNo, int number, CController* owner, int refreshNow);
    // Copies every field and list, the refresh interval too; live workers are started again (drive_object.h).
    CArrayDrive(const CArrayDrive& other);
    // Takes over the other's lists and workers.
    CArrayDrive(CArrayDrive&& other) noexcept = default;
    // As the copy constructor; this object's workers stop.
    CArrayDrive& operator=(const CArrayDrive& other);
    ~CArrayDrive() override = default;

    // Re-reads the array record, its texts, pool access and verify progress; 1/0.
    int Refresh();
    // Deletes the array; its components get host drives of their own, or are
    // deleted (mirrors split) with `freeComponents`; re-read when asked. 1/0.
    int Remove(int freeComponents, int reRead);
    // Frees the enclosure slots of every component disk before a deletion; 1/0.
    int ReleaseEnclosureSlots();
    // Creates one host drive over the whole array under number n and appends it; 1/0.
    int CreateHostDrive(int n);
    // Renames the array (at most 8 characters); 1/0.
    int SetName(const char* text);
    // Lets the array take pool hot fix drives, or not; 1/0.
    int SetPoolHotFixAccess(int on);
    // Starts (1), watches (2) or aborts (3) a parity verify; 1/0.
    int ParityVerify(ProgressRequest* r);
    // Recalculates the parity (operation 1); 1/0.
    int RecalculateParity(ProgressRequest* r);
    // Repairs the array state to r->percent (bit 0x80 of the operation: check only); 1/0.
    int PatchState(ProgressRequest* r);
    // Build and rebuild progress (operation 2); 1 while running, 0 otherwise.
    int GetBuildProgress(ProgressRequest* r);
    int GetRebuildProgress(ProgressRequest* r);
    // Expansion and conversion: r->percent the requested type, r->value the capacity; 1/0.
    int ExpandConvert(ProgressRequest* r);
    // Appends a logical drive index to the pending list; the new position (-1 out of memory).
    int AddPendingComponent(int index);
    // Removes the pending entry at `position`; the index, or -1.
    int RemovePendingComponent(int position);
    // Adds the pending drives as pool or private hot fix drives; refresh when asked. 1/0.
    int AddHotFixDrives(int pool, int refresh);
    // Removes hot fix drive `logIndex` (deleting it when asked); refresh when asked. 1/0.
    int RemoveHotFixDrive(int logIndex, int deleteDrive, int refresh);
    // Replaces the component of `slot` by logical drive `logIndex`; refresh when asked. 1/0.
    int ReplaceComponent(int slot, int logIndex, int refresh);
    // Reads the component disk record (count word at byte 22 in); bool.
    bool QueryComponentDisks(void* record);
    // Makes every disk of every component show itself; true when all succeed.
    bool Identify();
    // The slot of component `position`, -1 when none.
    int FindComponentSlot(int position) const;
    // Cluster answers of the array's first host drive.
    bool HasConfigAccess() const;
    bool IsSharedWithOtherNodes() const;
    bool IsClusterDrive() const;
    // True when a component has the old disk format (by firmware).
    bool HasOldFormatMembers() const;
    // True when a component belongs to a mirror drive.
    bool HasMirroredComponents() const;
    // Refreshes in a background worker every `seconds` seconds (0 stops it).
    int SetAutoRefresh(int seconds);
    // The refresh worker.
    void ThreadProc1(CThreadEntry& slot) override;

    int GetPendingCount() const { return pending.count; }
    int* GetPoolHotFixAccessPtr() { return &poolHotFixAccess; }
    const char* GetName() const { return reinterpret_cast<const char*>(info + ARREC_NAME); }
    int GetPoolHotFixAccess() const { return poolHotFixAccess; }
    // Record fields.
    uint8_t Type() const { return info[ARREC_TYPE]; }
    uint8_t State() const { return info[ARREC_STATE]; }
    uint32_t Capacity() const;
    // The filled slots (at most 35) and slot k's drive number.
    int SlotCount() const;
    int SlotDrive(int k) const { return info[ARREC_SLOTS + ARREC_SLOT_SIZE * static_cast<size_t>(k) + ARREC_SLOT_DRIVE]; }

    uint16_t arrayNumber = 0;          // the master drive's number
    int poolHotFixAccess = 0;
    uint8_t info[ARRAY_RECORD_SIZE] = {};
    char stateText[ARTEXT_SIZE] = {};
    char attributeText[ARTEXT_SIZE] = {};
    char typeText[ARTEXT_SIZE] = {};
    CArray<int> pending;               // logical drive indices for the next expansion or hot fix addition
    CController* controller = nullptr; // owner
    CArray<int> components;            // logical drive indices, master first
    CArray<int> hostDrives;            // host drive indices
    uint16_t controllerNumber = 0;     // controller number of every request
    int progress = VERIFY_PROGRESS_NONE;

private:
    friend class CDriveObject<CArrayDrive>;
    void CopyFields(const CArrayDrive& other);
    // The steps of ExpandConvert.
    int ExpandProgress(ProgressRequest* r);
    int GrowIntoFreeSpace(ProgressRequest* r);
    int ConvertRaid0(ProgressRequest* r);
    int RemoveRedundancy(ProgressRequest* r);
    int AddDrives(ProgressRequest* r);
    // Checks before ExpandConvert sends anything; false with the code in error.
    bool CheckExpansion(const ProgressRequest* r);
    // One progress query with key-specific builder `query`.
    int QueryState(ProgressRequest* r, bool rebuild);
    // One parity command; the percent into *percent.
    uint32_t ParityCommand(uint8_t code, int* percent);
    // True when every pending index names a logical drive.
    bool PendingValid() const;
    // Refresh of the controller when asked (its result), else 1.
    int RefreshController(int refresh);
};
