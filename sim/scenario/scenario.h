// The emulated machine: driver identity and the controllers behind it, as a
// scenario file (JSON) describes them.
#pragma once

#include "device_spec.h"
#include "firmware_profile.h"
#include "statistics_rates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kzmsim {

// One device on a channel.
struct DeviceSpec {
    uint8_t targetId = 0;
    uint8_t lun = 0;
    uint8_t type = 0;            // SCSI peripheral type: 0 disk, 3 processor, ...
    std::string vendor = "KZM";
    std::string product = "VIRTUAL DISK";
    std::string revision = "0001";
    uint32_t capacity = 2097152; // blocks
    uint16_t blockSize = 512;
    uint32_t transferRate = 80000; // kB/s
    bool ready = true;
    bool initialised = true;
    bool removable = false;
    bool writeProtected = false;
    uint8_t deviceByte = 0;      // information byte 59 (the device byte; non-zero: initialised but unused)
    uint8_t secondLoop = 0;      // information byte 80 (Fibre Channel: reached through the second loop)
    uint8_t diskFormat = 2;
    uint32_t grownDefects = 0;
    uint32_t primaryDefects = 0;
    std::vector<uint8_t> ownership;      // 16-byte ownership record; empty: the default
    std::optional<uint8_t> modeFor17;    // transfer mode the disk settles on when 17 is asked
    std::optional<EnclosureSpec> enclosure;  // an enclosure processor's parts
    std::vector<std::pair<uint8_t, uint8_t>> infoBytes;  // DeviceInfo bytes preset at start (offset, byte)
};

// One I/O channel.
struct ChannelSpec {
    uint8_t kind = 2;            // 2 SCSI, 3 Fibre Channel, 4 SATA
    uint8_t ownId = 7;           // the controller's own target ID on the channel
    uint8_t infoByte = 0;        // second channel information byte; 0 = usable
    std::optional<uint8_t> chip; // I/O chip id; default by kind and profile
    std::optional<uint8_t> busType;  // channel record byte 5 in place of its connector byte
    std::vector<DeviceSpec> devices;
    std::optional<uint32_t> reportedDevices;  // device count answered in place of the real one
    bool faultBus = false;        // the channel has a fault bus (board details 12 + c)
    bool faultBusActive = false;  // the running firmware drives it (page B 60 + c)
};

// A member of a logical drive, by position, or a device address taken as is
// (which may name no device at all).
struct MemberSpec {
    uint8_t channel = 0;
    uint16_t device = 0;
    std::optional<uint32_t> address;
};

// One logical drive the controller holds at start.
struct LogicalDriveSpec {
    uint32_t number = 0;
    uint16_t type = 0;           // 0 single disk, 16 RAID 0, 32 chain
    std::string name;
    std::vector<MemberSpec> members;
    std::optional<uint32_t> reportedMembers;  // member count answered in place of the real one
    bool poolHotFix = false;     // starts in the hot fix pool
    std::optional<uint32_t> reportedNext;  // next-in-chain answered in place of the real one
    bool removable = false;      // drive information byte 21
    bool writeProtected = false; // drive information byte 22
};

// A mirror the controller holds at start: a chain of its logical drives.
struct MirrorSpec {
    std::vector<uint32_t> drives;  // head first
    uint32_t missing = 0;          // components it lacks
    bool poolAccess = false;
    bool building = false;         // the components after the head build from 0 percent
};

// An array drive at start (docs/emulator.md, `arrays`).
struct ArraySpec {
    std::vector<uint32_t> drives;     // components, master first (RAID 10: mirror heads)
    std::vector<uint32_t> hotFixes;   // private hot fix drives
    uint8_t type = 5;
    uint8_t state = 4;                // the record's state byte
    std::string name;                 // empty: "RAID<type>"
    std::vector<uint32_t> failedSlots;
    std::vector<uint32_t> missingSlots;  // slots whose drive is gone (read as missing)
    bool poolAccess = false;
    bool destructive = false;
    uint8_t verifyState = 0;
};

// A record preset for a store-and-read-back key (docs/emulator.md, `records`).
struct RecordSpec {
    uint32_t key = 0;
    uint32_t target = 0xFFFF;
    std::vector<uint8_t> bytes;
};

// One controller, served through the driver's file kzmh/<entry>.
struct ControllerSpec {
    int entry = 0;
    uint8_t typeClass = 0xFE;    // controller class byte
    uint16_t subtype = 0x6100;
    uint16_t busSlot = 0;        // bus in bits 8-15, device in bits 3-7
    uint16_t identification = 0;
    uint16_t identification2 = 0;
    uint16_t identification3 = 0;
    std::string profile = DEFAULT_PROFILE;
    uint32_t interfaceLevel = 0x21E;   // first word of the cache information
    BoardSpec board = findProfile(DEFAULT_PROFILE)->board;
    std::vector<uint32_t> unansweredKeys;  // keys the firmware answers with 0x0009
    bool refuseChannelDescriptions = false;
    bool strict = false;  // notes a protocol fault for every change sent without configuration access
    bool pagesToFlash = false;  // 0x2C answers 0xFFF4 until the written page has been through a flash session
    std::vector<ChannelSpec> channels;
    std::vector<LogicalDriveSpec> logicalDrives;
    std::optional<uint32_t> reportedDrives;  // drive count answered in place of the real one
    std::vector<MirrorSpec> mirrors;
    std::vector<ArraySpec> arrays;
    std::optional<uint32_t> reportedStatisticsEntries;  // entry count of the statistics answers, likewise
    // Host drives of the other cluster node (key 0x10010002): {number, carrier, size, name}.
    struct ForeignHostDrive {
        uint32_t number = 0;
        uint32_t carrier = 0;
        uint32_t size = 0;
        std::string name;
    };
    std::vector<ForeignHostDrive> foreignHostDrives;
    bool clusterEnabled = false;  // key 0x10010005 answers 1 for every host drive
    std::vector<RecordSpec> records;
    std::optional<std::vector<EnclosureConfig>> enclosureConfigs;  // controller enclosure configurations
    SurfaceCheckSpec surfaceCheck;
    uint32_t cacheSwitch = 1;         // cache information u32 at 4 at start
    uint32_t delayedWriteSwitch = 1;  // cache information u32 at 8 at start
    std::vector<std::pair<uint16_t, uint8_t>> pageA;  // configuration page A bytes preset at start
    StatisticsRates load;  // the steady I/O load at start: the rates of `statrate` and `cacherate`
};

struct Scenario {
    uint16_t driverVersion = 0x0302;
    uint8_t osMajor = 2;
    uint8_t osMinor = 6;
    uint16_t osRevision = 32;
    std::optional<uint32_t> controllerCount;  // driver's count; default: number of controllers
    std::vector<ControllerSpec> controllers;
};

// Gives the controller the profile's level word, board values and unanswered keys.
void applyProfile(ControllerSpec& c, const FirmwareProfile& p);
// Reads a scenario from JSON text; false with a message on malformed input.
bool parseScenario(const std::string& json, Scenario& out, std::string& error);
// Reads a scenario file; false with a message when unreadable or malformed.
bool loadScenarioFile(const std::string& path, Scenario& out, std::string& error);
// The scenario used when none is given: two controllers, entries 0 and 1.
Scenario defaultScenario();

}  // namespace kzmsim
