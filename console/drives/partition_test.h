// The partition test the removal screens share: whether a host drive's table
// of primary partitions is in use.
#pragma once

class CController;

// 1 when the PARTITION switch is set or no host drive has the number; else 1
// only when all four primary partition entries of the drive are unused.
int IsPartitionTableEmpty(const CController& controller, int hostDriveNumber);
// 1 when the host drive's partition table, read anew, has a used entry or
// cannot be read; 0 when it is empty, without such a host drive, or under
// the PARTITION switch.
int HostDrivePartitionsInUse(const CController& controller, int number);
// Whether the host drive `number` carries a partition table in use; a
// table that cannot be read counts as in use.
int DriveHasUsedPartitions(const CController& controller, int number);
