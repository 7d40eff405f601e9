// The " Configure Disk " menu of a device and the surface check window.
#pragma once

class CController;
class CPhysDrive;

// The " Configure Disk " menu of the device, run once; returns 1.
int ConfigureDisk(CController& controller, CPhysDrive& device);
// The destructive surface check of the disk with its progress window.
void CheckSurfaceWindow(CPhysDrive& disk);
// The enclosure status and slot configuration of an enclosure processor;
// still to come with the enclosure screens, they show M0000. The slot
// configuration returns 1 when the slot table was read.
void EnclosureStatusSeam(CController& controller, CPhysDrive& device);
int EnclosureSlotsSeam(CController& controller, CPhysDrive& device);
