// CMirrorDrive: a RAID-1 mirror drive of a controller, a chain of logical
// drives under the number of its master (first) component. Its links
// (components, array, host drives) are indices into the controller's lists,
// valid until the next configuration read. An operation that re-reads the
// controller when asked replaces this object with a new one: look the mirror
// up again by number; a failure of the re-read is in the controller's error word.
#pragma once

#include "abstr_base.h"
#include "drive_object.h"
#include "carray.h"
#include "progress_request.h"

#include <cstdint>

class CController;

constexpr int MIRROR_TEXT_SIZE = 16;

class CMirrorDrive : public CDriveObject<CMirrorDrive> {
public:
    // An empty entry of the controller's list.
    CMirrorDrive();
    // Mirror `number` with the counts the configuration read found; reads its pool access.
    CMirrorDrive(uint16_t controllerNumber, uint16_t number, int ready, int building, int missing, CController* owner);
    // Copies every field and list; live workers are started again for the copy.
    CMirrorDrive(const CMirrorDrive& other);
    // Takes over the other's lists and workers.
    CMirrorDrive(CMirrorDrive&& other) noexcept = default;
    // Copies every field and list; this object's workers stop, the other's start again here.
    CMirrorDrive& operator=(const CMirrorDrive& other);
    ~CMirrorDrive() override = default;

    // Reads the pool access flag and sets the texts; 1/0.
    int Refresh();
    // Takes the component at `position` (or, with -1, every component after
    // the master) out under free numbers, deleting them when asked; 1/0.
    int RemoveComponent(int deleteDrives, int reRead, int position);
    // Adds the pending drives as components; 1/0.
    int AddComponents(int reRead);
    // Drops the components the mirror lacks; 1/0.
    int RemoveMissingComponents(int reRead);
    // Copies the mirror's name (8 characters and a NUL) into out; 1, or 0 without a master.
    int GetName(char* out9) const;
    // Renames the mirror; 1/0.
    int SetName(const char* text);
    // Switches the access to the hot fix pool; 1/0.
    int SetPoolHotFixAccess(int on);
    // Appends a logical drive index to the pending list; the new position (-1 out of memory).
    int AddPendingComponent(int index);
    // Removes the pending entry at `position`; the index, or -1.
    int RemovePendingComponent(int position);
    // Puts the pending drives into the hot fix pool and gives the mirror access; 1/0.
    int AddHotFixDrives(int refresh);
    // Takes a pool hot fix drive out of the pool (deleting it when asked); 1/0.
    int RemoveHotFixDrive(int logIndex, int deleteDrive, int refresh);
    // Build progress (operation 2): 1 while it runs, 0 at 100 percent (error 0) or on failure.
    int GetBuildProgress(ProgressRequest* r);
    // Makes the disks of every component show themselves; true when all succeed.
    bool Identify();
    // Reads the mirror's component disk record (count word at byte 22 in); bool.
    bool QueryComponentDisks(void* record);
    // Cluster predicates of the mirror's first host drive.
    bool HasConfigAccess() const;
    bool IsSharedWithOtherNodes() const;
    bool IsClusterDrive() const;
    // True when a component has disks of the old format (by firmware).
    bool HasOldFormatMembers() const;
    // Frees the enclosure slots and configuration entries of the components' disks; 1/0.
    int ReleaseEnclosureSlots();
    // Refreshes in a background worker every `seconds` seconds (0 stops it).
    int SetAutoRefresh(int seconds);
    // The refresh worker.
    void ThreadProc1(CThreadEntry& slot) override;

    int GetPendingCount() const { return pending.count; }
    const int* GetCounts() const { return &readyCount; }
    int GetPoolHotFixAccess() const { return poolHotFixAccess; }

    uint16_t mirrorNumber = 0;          // the master component's drive number
    int readyCount = 0;                 // the three counts stay together (GetCounts)
    int buildingCount = 0;
    int missingCount = 0;
    int poolHotFixAccess = 0;
    char stateText[MIRROR_TEXT_SIZE] = {};
    char typeText[MIRROR_TEXT_SIZE] = {};
    CArray<int> pending;
    CController* controller = nullptr;  // owner
    CArray<int> components;             // logical drive indices, master first
    int arrayIndex = -1;
    CArray<int> hostDrives;
    uint16_t controllerNumber = 0;

private:
    friend class CDriveObject<CMirrorDrive>;
    void CopyFields(const CMirrorDrive& other);
    void SetTexts();
    // Sends the pool access flag with one of the two keys that carry it.
    uint32_t SendPoolAccess(int on);
    // Gives a component split off under `number` a host drive, or deletes it.
    uint32_t SettleSplitDrive(uint16_t number, int deleteDrive);
    // True when the controller has exactly one mirror and no array drive.
    bool OnlyMirror() const;
};
