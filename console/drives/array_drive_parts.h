// Pieces of array and RAID-1 drives that the drive screens share: first host
// drives, slot status texts, component lines, hot fix drives, the RAID 10
// test, and the "look it up again" helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CController;
class CArrayDrive;
class CMirrorDrive;
class CLogDrive;
class CHostDrive;
class CListBox;

// The controller's array drive numbered `number`, or null.
CArrayDrive* ArrayByNumber(CController& controller, int number);
// The controller's RAID-1 drive numbered `number`, or null.
CMirrorDrive* MirrorByNumber(CController& controller, int number);
// The logical drive at list index `index`, or null.
CLogDrive* LogicalAt(CController& controller, int index);
// The first host drive of the array or RAID-1 drive, or null.
CHostDrive* FirstArrayHostDrive(CController& controller, const CArrayDrive& array);
CHostDrive* FirstMirrorHostDrive(CController& controller, const CMirrorDrive& mirror);
// The first component logical drive of the RAID-1 drive, or null.
CLogDrive* MirrorMaster(CController& controller, const CMirrorDrive& mirror);
// A drive's name as the lists show it (at most 8 characters).
std::string DriveNameText(const char* name);
// The capacity of logical drive `drive` in sectors.
uint32_t LogicalCapacity(const CLogDrive& drive);
// Status text of array slot `slot` for a component list: "missing", "fail"
// (with "/first" for the first failed component), "invalid", else the
// drive's own text (its RAID-1 drive's for a RAID-1 component).
std::string SlotStatusText(const CController& controller, const CArrayDrive& array, int slot, const CLogDrive* drive);
// The slot flags of array slot `slot`.
uint8_t SlotFlags(const CArrayDrive& array, int slot);
// The number of component slots of the array (one more for RAID 4).
int ComponentSlotCount(const CArrayDrive& array);
// A drive list line for a logical drive with the given texts.
void SetComponentLine(CListBox& list, int line, const CLogDrive& drive, char second, const std::string& status,
                      const char* type, const std::string& label);
// The array's private hot fix drives (logical drive list indices).
std::vector<int> PrivateHotFixDrives(const CController& controller, const CArrayDrive& array);
// The controller's pool hot fix drives (logical drive list indices).
std::vector<int> PoolHotFixDrives(const CController& controller);
// The RAID-1 drive the logical drive is a component of, or null.
CMirrorDrive* MirrorOf(CController& controller, const CLogDrive& drive);
const CMirrorDrive* MirrorOf(const CController& controller, const CLogDrive& drive);
// After a change and the refresh that followed it: shows the change's error
// `error` when it failed (`ok` 0), else the controller's when the refresh did.
void ShowChangeError(const CController& controller, int ok, int refreshed, uint32_t error);
// Marks the controller changed (bit 0 of its change mark).
void MarkChanged(CController& controller);
// Shows the error box of the formatted message `key` with one text argument.
void ShowFormatted(const char* key, const char* argument, int error);
// The wait box with M2000.
void WaitBox();
// 1 when the firmware takes configuration access per host drive number and
// the array's first host drive is accessed by more than one controller.
int AccessedByOtherControllers(CController& controller, const CHostDrive* first);
// 1 when the RAID 0 array may become RAID 10 (feature 0x02, every component
// a RAID-1 component).
int CanConvertToRaid10(CController& controller, CArrayDrive& array);
