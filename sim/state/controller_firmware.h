// The emulated firmware of one controller: its channels, devices, logical
// drives, record store and host drive blocks. The commands that act on it
// are in commands/.
#pragma once

#include "access_state.h"
#include "channel_state.h"
#include "controller_records.h"
#include "flash_memory.h"
#include "hot_plug_state.h"
#include "scenario.h"
#include "statistics_state.h"

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <optional>
#include <utility>
#include <vector>

namespace kzmsim {

// Controller status values (low half of the status word).
constexpr uint16_t FW_STATUS_OK = 1;
constexpr uint16_t FW_STATUS_INVALID_TARGET = 0x0006;  // no such channel, device or drive
constexpr uint16_t FW_STATUS_BAD_RECORD = 0x0007;      // parameter size or contents wrong
constexpr uint16_t FW_STATUS_IN_USE = 0x0008;          // drive number or disk already taken
constexpr uint16_t FW_STATUS_NOT_SUPPORTED = 0x0009;   // command not answered by this firmware
constexpr uint16_t FW_STATUS_READ_ERROR = 0x000F;      // a block could not be read (control `ioerr`)

// The status of a command that succeeded.
inline uint32_t ok() { return FW_STATUS_OK; }

constexpr size_t SECTOR_SIZE = 512;  // bytes of a host drive's block
// Enclosure identifier: base | channel << 8 | target ID; its high half is the identity word at 6.
constexpr uint32_t ENCLOSURE_ID_BASE = 0x01000000;
constexpr uint32_t ENCLOSURE_IDENTITY_MARK = 0x4B5A0000; // first identity word: serial ^ mark
constexpr size_t CACHE_PARAM_SIZE = 12;
constexpr uint32_t LEVEL_OLD_LISTS = 262;         // older list and drive information layouts
constexpr uint32_t LEVEL_MIDDLE_DEVICE_A = 263;   // middle device information layout
constexpr uint32_t LEVEL_MIDDLE_DEVICE_B = 512;

struct LogicalDrive {
    uint32_t number = 0;
    uint16_t type = 0;
    std::array<uint8_t, 8> name{};
    std::vector<uint32_t> firstWords;  // per member, as created
    std::vector<uint32_t> members;     // device addresses
    std::optional<uint32_t> reportedMembers;  // misreported member count, else the real one
    // State of the drive configuration (sim/state/drive_config.h).
    bool failed = false;        // a member disk failed or was pulled
    bool poolHotFix = false;    // in the hot fix pool
    bool poolAccess = false;    // pool access flag (0x63, 0x1000000A); a mirror's is its head's
    bool building = false;      // a mirror component being built
    uint32_t buildPercent = 100;
    uint64_t buildStartMs = 0;  // steady clock, for builds that advance with time
    std::optional<uint32_t> usedCapacity;  // set with 0x1F, else the whole capacity
    std::vector<bool> memberHadDisk;       // per member, when known: a disk was there at start
    std::optional<uint32_t> reportedNext;  // misreported next-in-chain, else the real one
    bool removable = false;                // removable medium (drive information byte 21)
    bool writeProtected = false;           // write protected (byte 22)

    uint32_t memberCount() const { return reportedMembers.value_or(static_cast<uint32_t>(members.size())); }
};

// A mirror: a chain of logical drives under the number of its head.
struct MirrorChain {
    std::vector<uint32_t> components;  // present components, head first
    uint32_t expected = 0;             // components it should have (present + missing)
    std::array<uint8_t, 8> name{};     // bytes 0-7 of every component's drive information
    // {drive number, device address} of the disks of components that failed
    // out of the chain, until the missing components are removed.
    std::vector<std::pair<uint32_t, uint32_t>> lostDisks;
};

// The host drive table of one carrying drive.
constexpr size_t HOST_ENTRY_SIZE = 20;
struct HostDriveTable {
    uint8_t sectors = 0;
    uint8_t heads = 0;
    uint8_t clusterType = 0;
    uint32_t owner = 0;
    std::vector<std::array<uint8_t, HOST_ENTRY_SIZE>> entries;
};

// An array drive (sim/state/array_config.h): its components in slot order, master
// first, then its private hot fix drives.
struct ArraySlot {
    uint32_t drive = 0;
    bool failed = false;            // the failure mark of the slot
};
struct ArrayDrive {
    uint8_t type = 0;               // 0, 4, 5 or 10
    uint8_t state = 0;              // the array record's state byte
    uint32_t capacity = 0;          // sectors
    uint32_t stripe = 0;
    std::array<uint8_t, 8> name{};
    std::vector<ArraySlot> slots;   // the components
    std::vector<uint32_t> hotFixes; // private hot fix drives
    int64_t firstFailed = -1;       // the slot whose component failed first, -1 none (see firstFailedSlot)
    uint8_t verifyState = 0;        // record byte 318
    uint8_t flags = 0;              // record byte 319
    uint8_t phase = 0;              // record byte 320: expansion phase
    uint32_t percent = 100;         // build, rebuild or recalculation
    uint64_t startMs = 0;
    uint32_t verifyPercent = 100;
    uint64_t verifyStartMs = 0;
    uint32_t expandPercent = 100;
    uint64_t expandStartMs = 0;
    uint8_t expandType = 0;         // the type an expansion ends with
    std::vector<uint32_t> expandDrives;  // drives an expansion adds
    bool parityError = false;       // control `parityerror`: the next verify finds one
    uint8_t failPhase = 0;          // control `expandfail`: the expansion fails in this phase
};

// An asynchronous event the firmware raised; the driver adds it to its store.
struct RaisedEvent {
    uint16_t service = 0;
    uint16_t number = 0;
    std::vector<uint8_t> extra;  // data from offset 6
};

// How the progress the firmware keeps advances (control `progress`).
struct ProgressSpeed {
    uint32_t step = 10;          // percent per query
    uint32_t msPerPercent = 0;   // non-zero: with time instead
};

// One IOCTL command as a handler sees it.
struct IoctlCall {
    uint32_t key = 0;
    uint32_t target = 0;
    uint32_t node = 0;
    std::vector<uint8_t>& param;  // the data area, in and out
};

class ControllerFirmware {
public:
    explicit ControllerFirmware(const ControllerSpec& desc);

    // Address of channel i.
    static uint32_t channelAddress(size_t index) { return static_cast<uint32_t>(0x0002 + index) << 16; }
    // The channel whose number is n, or none.
    Channel* channelByNumber(uint32_t n);
    // The device at a device address (channel address OR entry), or none.
    const Device* deviceAt(uint32_t address) const;
    // The logical drive holding the device at address, or -1.
    int64_t driveOfDevice(uint32_t address) const;
    // The device's information in the newest layout, with its logical drive.
    DeviceInfoBytes deviceInfo(uint32_t address) const;
    // Stores the writable fields of a newest-layout device information record.
    void setDeviceInfo(uint32_t address, const DeviceInfoBytes& info);
    // True when the interface level marks the older list layouts.
    bool oldLists() const { return identity.interfaceLevel == LEVEL_OLD_LISTS; }
    // True when this firmware does not know the key.
    bool unanswered(uint32_t key) const;
    // True when the channel descriptions (key 0x5D) go unanswered, so that
    // the library addresses every channel as the first one.
    bool descriptionsRefused() const { return identity.refuseChannelDescriptions || unanswered(0x5D); }
    // The channel at a channel address (low 16 bits ignored), or none.
    const Channel* channelAt(uint32_t address) const;
    // Stores a written configuration page A; the version word stays the firmware's.
    void writeConfigPageA(const ConfigPage& page);

    ControllerSpec identity;  // identity and options; channels and drives live below
    std::vector<Channel> channels;
    std::map<uint32_t, LogicalDrive> logicalDrives;
    std::map<std::pair<uint32_t, uint32_t>, std::vector<uint8_t>> records;  // kept records by (key, target)
    std::map<std::pair<uint16_t, uint64_t>, std::array<uint8_t, SECTOR_SIZE>> blocks;  // (host drive no table holds, block)
    std::map<std::pair<uint32_t, uint64_t>, std::array<uint8_t, SECTOR_SIZE>> carrierBlocks;  // (carrying drive, sector)
    std::map<std::pair<uint16_t, uint64_t>, uint32_t> readFaults;  // (host drive, block): reads of it left to fail
    std::array<uint8_t, CACHE_PARAM_SIZE> cacheParams{};
    ConfigPage configPageA{};
    std::map<uint8_t, SettingsPage> cacheSets;  // written cache parameter sets by number
    uint32_t logState = 0;
    bool nonBuildMode = false;
    std::vector<EnclosureConfig> enclosureConfigs;
    uint32_t enclosureSlotMax = 0;  // the record word of key 0x20023 (control line `enclslots`)
    AccessState access;  // configuration access, page steps, bracket (config_access.h)

    // An inserted disk at a device address that no scan has found yet, or none.
    const Device* unscannedAt(uint32_t address) const;
    std::map<uint32_t, MirrorChain> mirrors;        // by the number of the head
    std::map<uint32_t, HostDriveTable> hostTables;  // by carrying drive number
    std::map<uint32_t, ArrayDrive> arrays;          // by array (master drive) number
    std::vector<std::array<uint8_t, HOST_ENTRY_SIZE>> foreignHostDrives;  // of the other cluster node
    std::vector<RaisedEvent> raised;                // events not yet in the driver's store
    ProgressSpeed progress;
    uint32_t commits = 0;                           // configuration commits (0x03)
    bool commitPending = false;                     // a change not yet committed
    // Statistics, message log, fault bus and configuration page B
    // (statistics_commands.cpp, message_log.cpp, fault_bus.cpp).
    StatisticsState stats;
    MessageLog messageLog;
    FaultBusState faultBus;
    ConfigPage pageB{};
    HotPlugState hotPlug;  // hot_plug_commands.cpp
    FcLoopState fcLoops;

    // The device at a device address, changeable, or none.
    Device* device(uint32_t address);
    // The channel whose address is the high half of `address`, or none.
    Channel* channelOf(uint32_t address);
    FlashMemory flash;
};

// Builds the newest-layout device information of a scenario device.
DeviceInfoBytes makeDeviceInfo(const DeviceSpec& d);
// Builds a device of a scenario device on channel `channel` of a controller whose serial is `serial`.
Device makeDevice(const DeviceSpec& d, uint16_t channel, uint32_t serial);

}  // namespace kzmsim
