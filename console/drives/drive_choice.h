// Finding a drive to add to an array, RAID-1 or logical drive: the drive
// reference, the capacity rules, " Select Drive to be added " and the new
// disk made a single-disk logical drive.
#pragma once

#include <cstdint>

class CController;
class CArrayDrive;
class CMirrorDrive;
class CLogDrive;
class CPhysDrive;

// Kinds of a DriveRef.
constexpr int driveRefArray = 0;
constexpr int driveRefMirror = 1;
constexpr int driveRefLogical = 2;

// The drive an operation works on; the pointer of its kind is set.
struct DriveRef {
    int kind = -1;
    CArrayDrive* array = nullptr;
    CMirrorDrive* mirror = nullptr;
    CLogDrive* logical = nullptr;
};

// Kinds of a DriveCandidate (also the candidate flags).
constexpr int candidateFreeLogical = 1;
constexpr int candidateNewDisk = 2;
constexpr int candidateHotPlug = 8;
constexpr int candidateFlags = candidateNewDisk | candidateHotPlug;  // what a hot fix or mirror may take

// A line of " Select Drive to be added ".
struct DriveCandidate {
    int kind = 0;
    CLogDrive* logical = nullptr;
    CPhysDrive* disk = nullptr;
};

// Configuration access for the referenced drive (`flag` as the kind's own
// Enter function takes it); 1 or 0.
int EnterDriveRefMaintenance(DriveRef& ref, int flag);
// Gives that access back; returns 1.
int LeaveDriveRefMaintenance(DriveRef& ref, int flag);
// The referenced drive's number, -1 for none.
int DriveRefNumber(const DriveRef& ref);
// 1 when the referenced drive has old-format members.
int DriveRefHasOldFormatMembers(const DriveRef& ref);
// Finds the referenced drive again by its number after a re-read; 0 when gone.
int FindDriveRefAgain(CController& controller, DriveRef& ref);
// The array's capacity per component (per data component for RAID 5), in sectors.
uint32_t ArrayComponentCapacity(const CArrayDrive& array);
// The capacity of the RAID-1 drive's first component, in sectors.
uint32_t MirrorComponentCapacity(const CController& controller, const CMirrorDrive& mirror);
// The smallest size a new component or hot fix drive of the reference needs.
uint32_t DriveCapacity(const CController& controller, const DriveRef& ref);
// " Select Drive to be added " over the candidates of `flags`; 1 when chosen.
int SelectReplacementDrive(CController& controller, const DriveRef& ref, DriveCandidate* chosen, int flags);
// The hot plug procedure behind the hot plug line, passed in by the screen
// that offers the line: `plugDisk` plugs a new disk in at channel/target
// (channel -1: ask) and, with `makeLogical`, makes it a logical drive whose
// number goes to *number; `replaceDisk` hot replaces the failed logical
// drive. Each returns 1 or 0.
struct HotPlugStep {
    int (*plugDisk)(CController& controller, int makeLogical, int* number, int channel, int target);
    int (*replaceDisk)(CController& controller, CLogDrive& failed);
};

// Finds or makes the logical drive to add: its list index, -1 when nothing
// was chosen, -2 when a hot replace of `replace` already did the work. The
// hot plug line runs `hotPlug`.
int AddDriveToArray(CController& controller, DriveRef& ref, int flags, CLogDrive* replace, int ask,
                    const HotPlugStep& hotPlug);
// Makes the disk a single-disk logical drive (its number in *number when
// given); 1 or 0.
int InitializeNewLogicalDrive(CController& controller, CPhysDrive& disk, int* number, int reread, int freePosition,
                              int diskFormat);

struct DiskParameters;

// The parameters a new disk is initialised with: transfer mode and rate by
// its channel's bus type, cache bits by firmware level, and `diskFormat`.
DiskParameters NewDiskParameters(const CController& controller, const CPhysDrive& disk, int diskFormat);
