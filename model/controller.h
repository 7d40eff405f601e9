// CController: the model's object for one RAID controller and the owner of
// everything configured on it. Constructing one reads the controller's
// information (GetInfo); a controller whose information cannot be read gets
// index -1 and is not kept by its machine.
#pragma once

#include "abstr_base.h"
#include "array_drive.h"
#include "carray.h"
#include "controller_family.h"
#include "controller_info.h"
#include "drive_records.h"
#include "enclosure.h"
#include "free_drive.h"
#include "host_drive.h"
#include "host_system_info.h"
#include "log_drive.h"
#include "mirror_drive.h"
#include "phys_drive.h"
#include "thread_list.h"

#include <cstddef>
#include <cstdint>

class IFirmwareProgress;

// Bit of CController::flags set when the driver reports its capability flag.
constexpr uint32_t CONTROLLER_FLAG_DRIVER_CAPABILITY = 0x08;
// Cache statistics samples.
constexpr int CACHE_SAMPLE_CURRENT = 0;
constexpr int CACHE_SAMPLE_PREVIOUS = 1;
constexpr int CACHE_SAMPLE_BASE = 2;
constexpr int CACHE_SAMPLES = 3;

class CController : public CAbstrBase, public CThreadList {
public:
    // An empty controller: index -1, empty lists, nothing read.
    CController();
    // Controller `index` of the open interface; reads its information, index -1 when that fails.
    CController(int index, int flag, const HostSystemInfo& host);
    // Copies everything but the seven lists, which stay empty.
    CController(const CController& other);
    // Takes over everything; the drives of the lists are re-aimed at this controller.
    CController(CController&& other) noexcept;
    // Deep copy, lists included; every drive of the copy points to this controller.
    CController& operator=(const CController& other);
    ~CController() override = default;

    // Re-reads all information; 1, or 0 with the failure in the error word.
    int GetInfo();
    // The bus kind (mode 0), family (1) or board kind (2); 255 for no known family or another mode.
    int GetFamily(int mode) const;
    // 1 when more than one cluster node is up (firmware level 30 on).
    int IsMultiNode();
    // Switches the alarm (controller option 0) on or off; 1 or 0.
    int SetAlarm(int on);
    // Reads the alarm into *on (0 also when the request fails); 1 or 0.
    int GetAlarm(int* on);
    // Channel value of the channel whose index is byte 0 of `record`; 1 or 0.
    int GetChannelInfo(void* record);

    // Rebuilds the physical device list: every device and one I/O processor
    // entry per channel, with their enclosure links; 1, or 0 with the failure.
    int ScanDevices();
    // Index in physDrives of the device at (channel, target ID, LUN), -1 when absent.
    int FindPhysDrive(int channel, int targetId, int lun) const;

    // Reads the controller's devices and drives (ScanDevices, then
    // ReadConfiguration); 1, or 0 with every list emptied and the failure kept.
    int Refresh();
    // Rebuilds the free number, logical, mirror, array and host drive lists
    // and links them; 1, 0 on a failure that stopped it, -1 when it completed
    // with lists left incomplete for want of memory (0x04000001).
    int ReadConfiguration();
    // List indices of drives by number, -1 when absent. Logical and host
    // drive numbers compare as signed 16-bit values, mirror and array numbers unsigned.
    int FindLogicalDrive(int number) const;
    int FindHostDrive(int number) const;
    int FindMirrorDrive(int number) const;
    int FindArrayDrive(int number) const;
    // As FindLogicalDrive; a stored number with bit 15 set counts 0x80FF more (16 bits).
    int FindLogicalDriveEx(int number) const;
    // A free drive number: the first at or above `minimum`, else the last one;
    // with `minimum` 0xFFFF (or -1) the first of the last run. 0xFFFF when none is free.
    int GetFreeDriveNumber(int minimum) const;
    // Cylinders, heads and sectors of a host drive of `sectors` sectors.
    static void ComputeGeometry(uint32_t sectors, DriveGeometry* geometry);
    // Takes every pool hot fix drive out of the pool (deleting them when asked); 1/0.
    int ReleasePoolHotFixDrives(int deleteDrives);
    // Re-read for a drive operation: ReadConfiguration, 1 or 0 (-1 counts as
    // 0x04000001); the failure is in this controller's error word.
    int ReReadConfiguration();
    // Commits a configuration change; the library code.
    uint32_t CommitConfiguration();
    // Releases the host drives of `drive` before a change (from firmware level 19); the library code.
    uint32_t ReleaseHostDrive(int drive);
    // Controller enclosure configurations, one request each; 1 when it succeeded.
    // A record larger than a request can carry (64 KiB - 1) is refused with 0x04000003.
    int ReadEnclosureConfig(void* record, size_t size);
    int WriteEnclosureConfig(void* record, size_t size);
    int ResetEnclosureConfig(void* record, size_t size);
    // The size record (identifier in, slot count out) of a configuration.
    int GetEnclosureInfo(void* sizeRecord);
    // Removes configurations (mode 1 or 2).
    int RemoveEnclosureConfigs(int mode);

    // Low byte of the firmware level word.
    uint8_t FirmwareLevel() const { return static_cast<uint8_t>(info.firmwareLevelWord & 0xFF); }
    // The board information's firmware version word.
    uint32_t FirmwareVersionWord() const;
    // Its low 24 bits, which the front ends compare.
    uint32_t FirmwareVersion() const { return FirmwareVersionWord() & 0xFFFFFF; }
    // The board's serial number.
    uint32_t SerialNumber() const;
    // Non-zero on RAID firmware (board information byte 19).
    uint8_t RaidFirmwareMark() const { return boardInfo[BOARD_INFO_RAID_MARK]; }
    // The cache switch and delayed-write switch of the cache information.
    uint16_t CacheSwitch() const;
    uint16_t DelayedWriteSwitch() const;
    // The cluster bits of the board details.
    uint8_t ClusterBits() const { return boardDetails[BOARD_DETAILS_CLUSTER]; }
    // 1 when cluster bits 0, 2 and 3 are all set.
    int IsClusterEnabled() const { return (ClusterBits() & CLUSTER_ENABLED_BITS) == CLUSTER_ENABLED_BITS; }
    // ORs bits into the front end's flag word.
    void AddFlags(uint32_t bits) { flags |= bits; }
    // Copies the current cache statistics sample into the base sample.
    void SetCacheBaseSample();

    int index = -1;               // the library's controller index
    int flag = 0;                 // the constructor's second argument
    uint32_t flags = 0;           // front end flags; bit 3 driver capability
    uint32_t logState = 0;        // the controller's log state word
    int maintenance = 0;          // 1 while in Maintenance Mode
    int accessNesting = 0;        // nesting count of configuration access
    ControllerInfo info;
    uint8_t boardInfo[BOARD_INFO_SIZE] = {};
    uint8_t cacheInfo[CACHE_PARAMS_SIZE] = {};
    uint8_t boardDetails[BOARD_DETAILS_SIZE] = {};
    uint32_t enclosureConfigCount = 0;
    uint32_t enclosureRecordWord = 0;
    uint8_t configPageA[CONFIG_PAGE_SIZE] = {};
    uint8_t controllerRecord1[CONTROLLER_RECORD_SIZE] = {};
    uint8_t controllerRecord2[CONTROLLER_RECORD_SIZE] = {};
    uint8_t configPageB[CONFIG_PAGE_SIZE] = {};
    ControllerChannel channels[CONTROLLER_MAX_CHANNELS];
    uint16_t faultBusPatterns[FAULT_BUS_PATTERNS] = {0x0FFF, 0x0FFF, 0x41, 0x41, 0x555, 0x555, 0};
    HostSystemInfo hostSystem;    // the machine's record
    uint8_t settingsPage[SETTINGS_PAGE_SIZE] = {};
    uint8_t cacheStats[CACHE_SAMPLES][CACHE_STAT_SAMPLE_SIZE] = {};
    uint8_t hotPlugState[HOT_PLUG_STATE_SIZE] = {};
    ControllerParam controllerParam;
    IFirmwareProgress* firmwareProgress = nullptr;  // set during a firmware download
    int infoRefreshInterval = 0;
    int infoRefreshWorker = 0;
    int statsRefreshInterval = 0;
    int statsRefreshWorker = 0;

    CArray<CFreeDrive> freeDrives;    // drive numbers no logical and no host drive uses
    CArray<CLogDrive> logDrives;
    CArray<CMirrorDrive> mirrorDrives;
    CArray<CArrayDrive> arrayDrives;
    CArray<CHostDrive> hostDrives;    // sorted by host drive number
    CArray<CPhysDrive> physDrives;    // disks and one I/O processor per channel
    CArray<CEnclosure> enclosures;    // never filled, only copied

private:
    // Copies every field but the lists and the workers.
    void CopyFields(const CController& other);
    // Points every drive of every list at this controller.
    void AimDrivesAtThis();
    // Steps of GetInfo; each returns false with the failure in the error word.
    bool ReadDriverVersions();
    bool ReadLevelTypeAndFeatures();
    bool ReadBoard();
    bool ReadPages();
    bool ReadChannels();
    void ReadChannelDescriptions();
    void ReadChannelKindRecords(ControllerChannel& ch, int c);
    bool ReadSettingsAndExtras();
    // Steps of ScanDevices.
    bool LinkDiskEnclosures();
    void LinkEnclosureConfigs();
    // Appends a device; false when out of memory.
    bool AppendDevice(const CPhysDrive& d);
    // Steps of ReadConfiguration.
    int LinkLogicalDrive(int index, uint16_t controllerNumber, int number);
    void LinkMirrorDrive(int index, const CArray<int>& members);
    bool ReadArrayList(uint8_t* list);
    bool WalkDriveChain(int head, const uint8_t* arrayList, const CArray<CLogDrive>& old, bool* seen, int& result);
    // Empties every drive and device list.
    void EmptyLists();
};
