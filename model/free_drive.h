// CFreeDrive: a drive number that no logical and no host drive uses yet,
// with the disks chosen for the logical drive to be made under it. Commit
// and Create with a refresh replace this object (the free list is read anew);
// a failure of the refresh is in the controller's error word.
#pragma once

#include "abstr_base.h"
#include "carray.h"

#include <cstdint>

class CController;

class CFreeDrive : public CAbstrBase {
public:
    // An empty entry of the controller's list.
    CFreeDrive() = default;
    // Free number `number` of the controller.
    CFreeDrive(uint16_t controllerNumber, uint16_t number, CController* owner);
    // Copies every field and the disk list.
    CFreeDrive(const CFreeDrive& other);
    CFreeDrive(CFreeDrive&& other) noexcept = default;
    CFreeDrive& operator=(const CFreeDrive& other);
    ~CFreeDrive() = default;

    // Appends a physical device index; the new position (-1 out of memory).
    int AddDisk(int physIndex);
    // Removes the disk at `position`; the removed index, or -1.
    int RemoveDiskAt(int position);
    // Creates the logical drive (type 0 single disk, 16 RAID 0, 32 chain) from the disks; 1/0.
    int CreateLogicalDrive(uint16_t type);
    // Reads the drive's capacity value into *out; 1/0.
    int GetCapacity(uint32_t* out);
    // Sets the capacity the drive uses, in sectors; 1/0.
    int SetUsedCapacity(uint32_t sectors);
    // Names the new drive after its first disk, commits and gives it its host
    // drive; 1, or the controller's Refresh result when asked.
    int Commit(int refresh);
    // CreateLogicalDrive, then Commit; as those.
    int Create(uint16_t type, int refresh);

    uint16_t driveNumber = 0;           // the free drive number
    CArray<int> disks;                  // physical device indices, in the order chosen
    CController* controller = nullptr;  // owner
    uint16_t controllerNumber = 0;      // controller number of every request
};
