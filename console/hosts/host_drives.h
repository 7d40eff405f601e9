// The host drive screens: " Select Host Drive ", the carrier window, the
// " Host Drive " menu with its actions, and the host drive creation dialog.
#pragma once

class CController;
class CHostDrive;
class CLogDrive;
class CArrayDrive;
class CMirrorDrive;

// The host drive screen of the controller until ESC; returns 1.
int ConfigureHostDrives(CController& controller);
// Fills the shared text buffer with the "belongs to" text of the host drive
// and returns it.
const char* HostDriveLineLabel(const CController& controller, const CHostDrive& drive);
// The one-line " Array/Logical Drive " window of the drive that carries the
// host drive, with its keys, until ESC; returns 1.
int ShowHostDriveCarrier(CController& controller, const CHostDrive& drive);
// The " Host Drive " menu of the host drive; 1 when the menu ran, else 0.
int HostDriveMenu(CController& controller, CHostDrive& drive);
// A new drive number for the host drive by swapping; 1 on success.
int SwapHostDrives(CController& controller, CHostDrive& drive);
// Merges the host drive with its neighbour; 1, or 0 when refused.
int MergeHostDrives(CController& controller, CHostDrive& drive);
// The cluster type menu of the host drive; 1 when the menu ran.
int SetHostDriveClusterType(CController& controller, CHostDrive& drive);
// The removal of the host drive with its checks and questions; 1 when it
// was removed.
int RemoveHostDrive(CController& controller, CHostDrive& drive);

// The creation of a new host drive from free disks; 1 when the selection
// ran, 0 when refused.
int CreateNewHostDrive(CController& controller);
// Creation types of the " Choose Type " menu.
enum HostDriveType {
    hostTypeSingle = 0,
    hostTypeChaining = 1,
    hostTypeRaid0 = 2,
    hostTypeRaid1 = 3,
    hostTypeRaid1HotFix = 4,
    hostTypeRaid4 = 5,
    hostTypeRaid4HotFix = 6,
    hostTypeRaid5 = 7,
    hostTypeRaid5HotFix = 8,
    hostTypeRaid10 = 9,
    hostTypeRaid10HotFix = 10,
};
// The creation itself from `count` physical device indices and the type;
// 1 when it ran to its end, 0 when refused or a step failed.
int BuildNewHostDrive(CController& controller, int count, const int* disks, int type);
// The SAF-TE or controller enclosure set-up of the new drive's disks; 1 when
// a configuration was written (or nothing was needed).
int SetupEnclosureSlots(CController& controller, int count, const int* disks);
// Question M3105 when the disks all lie on cluster channels; the answer, or
// 0 when not asked.
int AskClusterDriveType(CController& controller, int count, const int* disks, int raidCode);
// Makes the new host drive `number` a cluster (or private) drive; 1 or 0.
int MakeClusterHostDrive(CController& controller, int number);
