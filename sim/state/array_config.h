// The array firmware over the logical drives and mirror chains: array
// records, capacities, builds, rebuilds, parity verifies, expansions,
// failures with their hot fix drives, and the events they raise. Layouts and
// values: docs/firmware-layout.md (Array drives).
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

constexpr uint8_t LAST_PHASE = 3;  // an expansion runs phases 1 to 3

// Array record (324 bytes).
constexpr size_t ARRAY_RECORD_SIZE = 324;
constexpr size_t AR_TYPE = 0;
constexpr size_t AR_DATA_COUNT = 1;
constexpr size_t AR_STATE = 2;
constexpr size_t AR_NUMBER = 3;
constexpr size_t AR_SERIAL = 4;
constexpr size_t AR_CAPACITY = 8;
constexpr size_t AR_STRIPE = 12;
constexpr size_t AR_FIRST_FAILED = 20;    // u32 the slot of the first failed component
constexpr uint32_t NO_FAILED_SLOT = 0xFFFFFFFF;
constexpr size_t AR_NAME = 24;
constexpr size_t AR_SLOTS = 36;           // 35 slots of 8 bytes {u32 serial, drive, failure mark, 0, 0}
constexpr size_t AR_SLOT_SIZE = 8;
constexpr size_t AR_MAX_SLOTS = 35;
constexpr size_t AR_SLOT_COUNT = 316;
constexpr size_t AR_VERIFY = 318;
constexpr size_t AR_FLAGS = 319;
constexpr size_t AR_PHASE = 320;
constexpr size_t AR_OFFLINE = 321;
constexpr uint32_t LEVEL_OFFLINE_FLAG = 30;  // firmware level from which byte 321 is reported
constexpr uint8_t SLOT_END = 0xFF;        // drive byte of the slot that ends a list

// Array states (record byte 2).
constexpr uint8_t ARRAY_IDLE = 0;
constexpr uint8_t ARRAY_BUILD = 2;
constexpr uint8_t ARRAY_READY = 4;
constexpr uint8_t ARRAY_FAIL = 6;
constexpr uint8_t ARRAY_REBUILD = 8;
constexpr uint8_t ARRAY_ERROR = 12;       // more components lost than the redundancy covers
constexpr uint8_t ARRAY_INVALID = 0x80;   // needs a state patch

// Record byte 319.
constexpr uint8_t AFLAG_PATCHED = 0x01;
constexpr uint8_t AFLAG_PARITY_ERROR = 0x08;
constexpr uint8_t AFLAG_EXPANDING = 0x10;
constexpr uint8_t AFLAG_DESTRUCTIVE = 0x20;

// Parity verify states (record byte 318).
constexpr uint8_t VERIFY_RUNNING = 2;
constexpr uint8_t VERIFY_DONE = 3;
constexpr uint8_t VERIFY_PARITY_ERROR = 4;
constexpr uint8_t VERIFY_STOPPED = 5;

// Event numbers the firmware raises for arrays (service 9).
constexpr uint16_t EVT_ARRAY_DRIVE_FAILED = 13;
constexpr uint16_t EVT_ARRAY_FAIL = 14;
constexpr uint16_t EVT_ARRAY_ERROR = 15;
constexpr uint16_t EVT_ARRAY_REPLACED = 16;
constexpr uint16_t EVT_ARRAY_BUILD_FAILED = 17;
constexpr uint16_t EVT_ARRAY_REBUILD_FAILED = 18;
constexpr uint16_t EVT_ARRAY_BUILD_DONE = 20;
constexpr uint16_t EVT_ARRAY_REBUILD_DONE = 21;
constexpr uint16_t EVT_ARRAY_HOT_FIX = 22;
constexpr uint16_t EVT_ARRAY_REBUILD_STARTED = 26;
constexpr uint16_t EVT_ARRAY_BUILD_STARTED = 42;
constexpr uint16_t EVT_ARRAY_NO_POOL_DRIVE = 46;
constexpr uint16_t EVT_ARRAY_POOL_DRIVE = 47;
constexpr uint16_t EVT_EXPAND_STARTED = 51;
constexpr uint16_t EVT_EXPAND_DONE = 52;
constexpr uint16_t EVT_EXPAND_FAILED = 53;
constexpr uint16_t EVT_ARRAY_BUILD_ABORTED = 60;
constexpr uint16_t EVT_ARRAY_REBUILD_ABORTED = 61;
constexpr uint16_t EVT_VERIFY_STARTED = 62;
constexpr uint16_t EVT_VERIFY_DONE = 63;
constexpr uint16_t EVT_VERIFY_FAILED = 64;
constexpr uint16_t EVT_PARITY_ERROR = 65;
constexpr uint16_t EVT_VERIFY_ABORTED = 66;

// The array numbered n, or nullptr.
ArrayDrive* findArray(ControllerFirmware& fw, uint32_t n);
// The number of the array that holds drive n (component, private hot fix
// drive or a drive an expansion adds), or -1.
int64_t arrayOfDrive(const ControllerFirmware& fw, uint32_t n);
// True when drive n can join an array: it exists, is in no chain, array or
// pool, has not failed and carries no host drive table (unless the firmware
// takes the table over: `tablesTaken`).
bool freeForArray(const ControllerFirmware& fw, uint32_t n, bool tablesTaken = false);
// Record byte 1: the components that hold data (RAID 4: one less).
uint8_t dataCount(const ArrayDrive& a);
// The smallest component capacity (`full`: not limited by a used capacity).
uint32_t memberCapacity(const ControllerFirmware& fw, const ArrayDrive& a, bool full);
// The capacity of type `type` over `count` components of `member` sectors each.
uint32_t arrayCapacityFor(uint8_t type, size_t count, uint32_t member);
// The largest capacity the array's components allow.
uint32_t largestCapacity(const ControllerFirmware& fw, const ArrayDrive& a);
// The capacity a host drive table of carrying drive n may fill: the array's
// when n is an array number, else the drive's.
uint32_t carrierCapacity(const ControllerFirmware& fw, uint32_t n);
// Record bytes 20-23: the slot whose component failed first while it still
// holds its failure mark, else the first slot that holds one (marks taken
// from a scenario or a state patch), else NO_FAILED_SLOT.
uint32_t firstFailedSlot(const ArrayDrive& a);
// Marks slot k failed, recording it as the first failed one when no marked
// slot is recorded yet.
void markSlotFailed(ArrayDrive& a, size_t k);
// Fills the 324-byte array record of array `number`.
void fillArrayRecord(const ControllerFirmware& fw, uint32_t number, uint8_t* p);
// Fills the 12-byte array list entry of drive n (zero when it is in no array).
void fillArrayListEntry(const ControllerFirmware& fw, uint32_t n, uint8_t* e);
// Raises an array event: u16 at data offset 6 the array, u16 at 8 `second`.
void raiseArrayEvent(ControllerFirmware& fw, uint16_t event, uint32_t array, uint32_t second);
// Moves a progress value on by one query (per step, or with time).
uint32_t advancePercent(const ControllerFirmware& fw, uint32_t percent, uint64_t startMs);
// The steady clock in milliseconds.
uint64_t arrayClockMs();
// Starts a rebuild of array `number`.
void startRebuild(ControllerFirmware& fw, uint32_t number);
// Fails the arrays whose components failed, hands them hot fix drives, and
// makes arrays whose lost disks came back invalid (0x80). Runs after every
// control write.
void settleArrays(ControllerFirmware& fw);
// Arrays with pool access that lack a drive take one from the pool.
void takePoolDrives(ControllerFirmware& fw);

}  // namespace kzmsim
