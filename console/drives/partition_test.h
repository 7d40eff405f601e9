// The partition test the removal screens share: whether a host drive's table
// of primary partitions is in use.
#pragma once

class CController;

// 1 when the PARTITION switch is set or no host drive has the number; else 1
// only when all four primary partition entries of the drive are unused.
int IsPartitionTableEmpty(const CController& controller, int hostDriveNumber);
