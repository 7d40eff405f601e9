// Expansion and RAID type conversion of array drives, the parity verify
// window and the progress displays of builds, rebuilds and expansions.
#pragma once

struct ProgressRequest;
class CController;
class CArrayDrive;

// The " Expand " menu; 1 when an expansion or conversion was started or watched.
int ExpandArrayDrive(CController& controller, CArrayDrive& array);
// "Use free Logical Drive space"; the model result.
int ExpandIntoFreeSpace(CController& controller, CArrayDrive& array, ProgressRequest& request);
// "Change RAID type"; 1 when a conversion ran.
int ChangeRaidType(CController& controller, CArrayDrive& array);
// "Add hard disk to array"; 1 when an expansion ran.
int AddDisksToArray(CController& controller, CArrayDrive& array);
// Starts the passes to `raidType` and watches them; 0 when the watch found an error.
int RunExpandConvert(CController& controller, CArrayDrive& array, ProgressRequest& request, int raidType);
// The parity verify window; 0 when refused at M3108, else 1.
int ParityVerify(CArrayDrive& array);
// Progress of a running expansion, build or rebuild; *kind 0 expansion,
// 1 build, 2 rebuild, -1 nothing running. 0 when left with ESC, else 1.
int ShowBuildProgress(CArrayDrive& array, int* kind);
