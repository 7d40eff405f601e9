// The "belongs to" texts of array and RAID-1 drives in drive lists.
#pragma once

class CController;
class CArrayDrive;
class CMirrorDrive;

// Fills the shared text buffer with "Host  %d" for the array's first host
// drive, or empties it; returns the buffer.
const char* ArrayHostLabel(const CController& controller, const CArrayDrive& array);
// Fills the shared text buffer with "Array %d" of the array the RAID-1 drive
// belongs to, else "Host  %d" of its first host drive, else empties it.
const char* MirrorHostLabel(const CController& controller, const CMirrorDrive& mirror);
