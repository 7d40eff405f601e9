// The controller's information as CController::GetInfo reads it: the
// information record, one record per channel and the controller parameter.
// In-memory records; the controller's own bytes are decoded into them.
#pragma once

#include "controller_records.h"

#include <cstdint>

constexpr size_t PCI_TEXT_SIZE = 16;
constexpr size_t TYPE_NAME_SIZE = 16;
constexpr size_t FIRMWARE_TEXT_SIZE = 16;
constexpr size_t DRIVER_TEXT_SIZE = 18;
constexpr size_t CHANNEL_NAME_SIZE = 16;

// What the controller says about itself.
struct ControllerInfo {
    uint8_t controllerClass = 0;   // class byte of the controller type record
    uint16_t subtype = 0;          // 0x61xx and 0x62xx subdivide class 0xFE
    uint16_t ident2 = 0;           // identification words of the type record
    uint16_t ident3 = 0;
    uint8_t featureByte = 0;       // RAID feature bits: 0x01 RAID 0, 0x02 RAID 10, 0x10 RAID 4, 0x20 RAID 5
    int32_t raid1Value = 0;        // non-zero: the controller offers RAID 1
    int32_t raid0Value = 0;        // non-zero: RAID 0
    int32_t chainingValue = 0;     // non-zero: chaining
    int32_t channelCount = 0;      // 0..6 channel records are valid
    uint16_t firmwareLevelWord = 0;  // low byte: firmware level; high byte 1 or 2
    uint16_t driverVersion = 0;    // high byte major, low byte minor
    int32_t driverVersionValue = 0;
    uint16_t ident = 0;            // first identification word of the type record
    uint16_t pciLocation = 0;      // bus in the high byte, device in bits 3..7
    char pciText[PCI_TEXT_SIZE] = {};              // "[PCI bus/device]" or empty
    char typeName[TYPE_NAME_SIZE] = {};
    char firmwareText[FIRMWARE_TEXT_SIZE] = {};    // "major.minor.build-Lrev"
    char driverText[DRIVER_TEXT_SIZE] = {};
};

// How a channel attaches its devices (the kind byte of its description).
constexpr uint8_t CHANNEL_KIND_SCSI = 2;
constexpr uint8_t CHANNEL_KIND_FC = 3;
constexpr uint8_t CHANNEL_KIND_SATA = 4;

// One channel of the controller.
struct ControllerChannel {
    int32_t usable = 0;                        // 1: disks here may be used for new drives
    uint8_t record[CHANNEL_RECORD_SIZE] = {};  // the controller's channel record
    // Channel description: address, kind, number and its last word.
    uint32_t address = 0;
    uint8_t kind = 0;
    uint8_t number = 0;
    uint16_t descTail = 0;
    char name[CHANNEL_NAME_SIZE] = {};         // "SCSI-A", "FCAL-B", "SATA"
    uint8_t loop[FC_LOOP_RECORD_SIZE] = {};    // Fibre Channel loop record; first u32 -1 when unread
    uint8_t port[FC_PORT_RECORD_SIZE] = {};    // Fibre Channel port record; the same

    // The speed code of the channel record.
    uint8_t SpeedCode() const { return record[1]; }
};

// The controller parameter record of the non-build mode.
struct ControllerParam {
    uint32_t kind = 0;
    uint32_t value = 0;     // non-zero: the controller offers the non-build mode
    uint8_t writeFlag = 0;
    uint8_t flags = 0;      // bit 0: the non-build mode is on
};
