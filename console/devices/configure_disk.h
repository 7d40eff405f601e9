// The " Configure Disk " menu of a device and the surface check window.
#pragma once

class CController;
class CPhysDrive;

// The " Configure Disk " menu of the device, run once; returns 1.
int ConfigureDisk(CController& controller, CPhysDrive& device);
// The destructive surface check of the disk with its progress window.
void CheckSurfaceWindow(CPhysDrive& disk);
