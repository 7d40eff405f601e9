// The initialisation dialogs of SCSI, SATA and Fibre Channel disks with
// their transfer parameters, and the advanced domain validation setting.
#pragma once

#include <cstdint>

class CController;
class CPhysDrive;

// " Initialize SCSI Disk ", " Initialize SATA Disk ", " Initialize FC Disk ":
// the disk's parameters, sent after the question; each returns 1.
int InitializeScsiDisk(CController& controller, CPhysDrive& disk);
int InitializeSataDisk(CController& controller, CPhysDrive& disk);
int InitializeFcDisk(CController& controller, CPhysDrive& disk);
// " Advanced Disk Configuration ": domain validation (bits 2 and 3 of the
// word); 1 when the word changed.
int AdvancedDiskConfiguration(CPhysDrive& disk, uint32_t* domainValidation);
// The rate menu items (ids in tenths of MB/s) that a channel bus type
// offers, ended by id 0; empty for the bus types whose parameters the
// controller sets itself.
const int* RateIdsForBusType(uint8_t busType);
