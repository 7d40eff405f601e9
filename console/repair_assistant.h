// The repair assistant: the controller's failed, faulty, building and
// rebuilding drives sorted into lists, the summary, and the repairs.
#pragma once

class CController;
class CMirrorDrive;

// The repair assistant; 1, or 0 when the scan failed.
int RepairArrayDrives(CController& controller);
// Removes the missing components of the RAID-1 drive (asking M3036 when
// `ask`); 1 or 0.
int RemoveMissingMirrorComponents(CMirrorDrive& mirror, int ask);
