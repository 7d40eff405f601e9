// RAID-1 drives in the console: configuration access, adding and removing
// components and hot fix drives, the component list and the build progress.
#pragma once

class CController;
class CLogDrive;
class CMirrorDrive;

// Configuration access for the RAID-1 drive's first host drive (-1: the
// whole controller, also when `whole`); M5042 and 0 when refused.
int EnterMirrorMaintenance(CMirrorDrive& mirror, int whole);
// Gives that access back; returns 1.
int LeaveMirrorMaintenance(CMirrorDrive& mirror, int whole);
// Adds a RAID-1 component (hotFix 0) or a private hot fix drive (1) to the
// logical drive; 1 on success.
int AddRaid1Component(CController& controller, CLogDrive& drive, int hotFix);
// " Select Drive to be removed " and the removal of one component or of the
// missing ones; returns 1.
int RemoveRaid1Component(CController& controller, CMirrorDrive& mirror);
// Removal of the RAID-1 drive's hot fix drive; 0 when it has no pool hot fix drive.
int RemoveMirrorHotFix(CController& controller, CMirrorDrive& mirror, int freeDrive);
// " Logical Drives " list of the RAID-1 drive's components; returns 1.
int ShowMirrorComponents(CController& controller, CMirrorDrive& mirror);
// The build progress window; *kind 0 while a build was shown, -1 when none
// runs. 0 when left with ESC, else 1.
int ShowArrayBuildProgress(CController& controller, CMirrorDrive& mirror, int* kind);
