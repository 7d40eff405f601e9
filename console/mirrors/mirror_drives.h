// RAID-1 drives in the console: adding and removing components and hot fix
// drives, the component lists and the build progress.
#pragma once

#include <vector>

class CController;
class CLogDrive;
class CMirrorDrive;
class CListBox;

// Adds a RAID-1 component (hotFix 0) or a private hot fix drive (1) to the
// logical drive; 1 on success.
int AddRaid1Component(CController& controller, CLogDrive& drive, int hotFix);
// " Select Drive to be removed " and the removal of one component or of the
// missing ones; returns 1.
int RemoveRaid1Component(CController& controller, CMirrorDrive& mirror);
// Removal of the RAID-1 drive's hot fix drive; 0 when it has no pool hot fix drive.
int RemoveMirrorHotFix(CController& controller, CMirrorDrive& mirror, int freeDrive);
// Runs a " Logical Drives " component list to ESC (lines stand for the list
// indices `drives`): F5 identifies, F2 and F4 show the disks of the drive at
// the line; missing drives do neither. With `raid1Whole` a RAID-1 component
// stands for its RAID-1 drive: F5 identifies that, F2 and F4 list its components.
void RunComponentList(CController& controller, CListBox& list, const std::vector<int>& drives, int raid1Whole);
// " Logical Drives " list of the RAID-1 drive's components; returns 1.
int ShowMirrorComponents(CController& controller, CMirrorDrive& mirror);
// The build progress window; *kind 0 while a build was shown, -1 when none
// runs. 0 when left with ESC, else 1.
int ShowArrayBuildProgress(CController& controller, CMirrorDrive& mirror, int* kind);
