// The drive configuration the emulated firmware keeps beyond single logical
// drives: mirror chains, the hot fix pool, failures, builds and the events
// they raise. Layouts and values: docs/firmware-layout.md (Logical drives,
// mirror chains and host drive tables).
#pragma once

#include "controller_firmware.h"

#include <cstddef>
#include <cstdint>

namespace kzmsim {

// Event numbers the firmware raises for mirrors (service 9).
constexpr uint16_t EVT_MIRROR_FAILED = 5;
constexpr uint16_t EVT_MIRROR_BUILD_DONE = 24;
constexpr uint16_t EVT_MIRROR_BUILD_FAILED = 25;
constexpr uint16_t EVT_MIRROR_BUILD_STARTED = 44;
constexpr uint16_t EVT_MIRROR_HOT_FIX = 45;
constexpr uint16_t EVT_MIRROR_NO_POOL_DRIVE = 48;
constexpr uint16_t EVT_MIRROR_BUILD_ABORTED = 59;

constexpr uint32_t NO_NEXT_DRIVE = 0xFFFFFFFF;
constexpr uint32_t MAX_DRIVE_NUMBER = 254;
constexpr uint32_t PERCENT_DONE = 100;            // progress of a finished build or check

// Host drive table records: head, then entries of HOST_ENTRY_SIZE bytes.
constexpr size_t HOST_TABLE_HEAD = 16;
constexpr uint32_t HOST_TABLE_WORD1 = 16;
constexpr size_t HOST_ENTRY_NUMBER = 12;          // entry byte: the host drive's number
constexpr uint32_t DRIVE_TYPE_SINGLE = 0;
constexpr uint32_t DRIVE_TYPE_RAID0 = 16;
constexpr uint32_t DRIVE_TYPE_CHAIN = 32;

// Builds the chains and pool of a scenario (after its logical drives).
void setUpDriveConfig(ControllerFirmware& fw, const ControllerSpec& desc);

// The logical drive numbered n, or nullptr.
LogicalDrive* findDrive(ControllerFirmware& fw, uint32_t n);
// The head of the chain holding drive n, or -1 when n is in no chain.
int64_t chainHead(const ControllerFirmware& fw, uint32_t n);
// True when drive n is named by the drive list: no chain member but a head.
bool listedDrive(const ControllerFirmware& fw, uint32_t n);
// The capacity drive d answers: its used capacity, else the whole.
uint32_t driveCapacityOf(const ControllerFirmware& fw, const LogicalDrive& d);
// The whole capacity of drive d over its members.
uint32_t driveFullCapacity(const ControllerFirmware& fw, const LogicalDrive& d);
// True when number n is taken by a logical drive or by a host drive of any table.
bool numberTaken(const ControllerFirmware& fw, uint32_t n);
// Fills the configuration fields of a 57-byte drive information record.
void fillDriveState(const ControllerFirmware& fw, const LogicalDrive& d, uint8_t* info57);

// Adds drive `component` to the mirror headed by (or becoming one with) `head`
// and starts its build.
void attachComponent(ControllerFirmware& fw, uint32_t head, uint32_t component);
// Takes `component` out of its chain (it stays as it is); aborts its build.
void detachComponent(ControllerFirmware& fw, uint32_t component);
// Drops the missing components of the mirror headed by `head`.
void dropMissing(ControllerFirmware& fw, uint32_t head);
// Moves the builds of the mirror headed by `head` on by one query.
void advanceBuilds(ControllerFirmware& fw, uint32_t head);
// Fails every drive that lost or has a failed member disk, with what follows
// for its mirror (hot fix from the pool, events).
void settleDrives(ControllerFirmware& fw);
// Marks the member disks of drive d, about to be deleted, as fragments
// (information byte 59): initialised disks that no drive uses any more.
void leaveFragments(ControllerFirmware& fw, const LogicalDrive& d);
// Drops the data kept on the sectors of carrying drive n (it was deleted).
void dropCarrierData(ControllerFirmware& fw, uint32_t n);
// Sets how every progress of the firmware advances.
void setProgressSpeed(ControllerFirmware& fw, const ProgressSpeed& speed);

}  // namespace kzmsim
