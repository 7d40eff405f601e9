// CController: the model's object for one RAID controller and the owner of
// everything configured on it. Constructing one reads the controller's
// information (GetInfo); a controller whose information cannot be read gets
// index -1 and is not kept by its machine.
#pragma once

#include "abstr_base.h"
#include "array_drive.h"
#include "carray.h"
#include "controller_family.h"
#include "controller_events.h"
#include "controller_fault_bus.h"
#include "controller_info.h"
#include "controller_settings.h"
#include "drive_records.h"
#include "enclosure.h"
#include "firmware_file.h"
#include "free_drive.h"
#include "host_drive.h"
#include "host_system_info.h"
#include "log_drive.h"
#include "mirror_drive.h"
#include "phys_drive.h"
#include "report_writer.h"
#include "thread_list.h"

#include <cstddef>
#include <cstdint>

// Bit of CController::flags set when the driver reports its capability flag.
constexpr uint32_t CONTROLLER_FLAG_DRIVER_CAPABILITY = 0x08;
// Cache statistics samples.
constexpr int CACHE_SAMPLE_CURRENT = 0;
constexpr int CACHE_SAMPLE_PREVIOUS = 1;
constexpr int CACHE_SAMPLE_BASE = 2;
constexpr int CACHE_SAMPLES = 3;
// Worker types of the background refresh.
constexpr int CONTROLLER_INFO_WORKER = 1;
constexpr int CONTROLLER_STATS_WORKER = 2;

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

    // Configuration access (controller_maintenance.cpp).
    // Whole-controller Maintenance Mode: 1, or 0 with the lock's failure (the flag is set either way).
    int EnterMaintenanceMode();
    // Leaves it; never fails.
    int LeaveMaintenanceMode();
    // Locks host drive n (-1: the whole configuration) from firmware level 23 on; 1 or 0.
    int LockHostDrive(int n);
    // Unlocks host drive n (-1: every lock); never fails.
    int UnlockHostDrive(int n);
    // Access for a change of host drive n (-1: the whole controller) as the firmware level allows; 1 or 0.
    int EnterDriveMaintenance(int n);
    // Gives that access back; never fails.
    int LeaveDriveMaintenance(int n);
    // Nested host drive access: the first takes the lock, the last gives it back.
    int AcquireAccess();
    int ReleaseAccess();
    // Leaves and enters Maintenance Mode again; the entry's result.
    int RestartMaintenanceMode();
    // Logical drive command 0x12 for every logical drive carrying a host drive; 1.
    int PrepareDrivesForMaintenance();
    // Logical drive command 0x12 for the drives that carry host drive `hostDrive` (index in
    // hostDrives): its array's or mirror's components, or its logical drive; 0 without a carrier.
    int PrepareHostDriveForMaintenance(int hostDrive);
    // 0x12 for every component of array drive `array` (index in arrayDrives); a component
    // in a mirror drive stands for all the mirror's components; 1.
    int PrepareArrayForMaintenance(int array);
    // 0x12 for every component of mirror drive `mirror` (index in mirrorDrives); 1.
    int PrepareMirrorForMaintenance(int mirror);
    // Logical drive command 0x12 for logical drive `logDrive` (index in logDrives); 1 or 0.
    int PrepareLogicalDriveForMaintenance(int logDrive);
    // The bracket around interactive disk changes (firmware above 0x200000); 1 or 0.
    int BeginDiskChange();
    int EndDiskChange();

    // Settings (controller_settings.cpp). Records: controller_settings.h.
    // Fills the settings record from configuration page A; 1.
    int GetSettings(SettingsRecord& record);
    // Writes the record's settings into page A; 1 when the page write succeeded.
    int SetSettings(const SettingsRecord& record);
    // Writes the record's boot options into page A; 1 when the page write succeeded.
    int SetBootOptions(const SettingsRecord& record);
    // Commits a written page (through flash rounds while the controller asks); 1 or 0.
    int CommitConfigPage();
    // Finishes a committed page; 1 or 0.
    int FinishConfigPage();
    // Cache and delayed-write switches; 1 when the write succeeded.
    int SetCacheMode(int cache, int delayedWrite);
    // Advanced cache parameter sets (CACHE_PARAM_RECORD_SIZE-byte records); 1 or 0.
    int GetCacheParameters(int set, uint8_t* record);
    int SetCacheParameters(int set, uint8_t* record);
    int ActivateCacheParameters(int set);
    int ResetCacheParameters(int set);
    // Switches the firmware's non-build mode; 1 when the write succeeded.
    int SetNonBuildMode(int on);

    // Controller-wide operations (controller_rescan.cpp).
    // Announces host drive n (-1: all) added or removed to the operating system; 1 or 0.
    int NotifyOsDriveChange(int n, int remove);
    // Probes a channel or one target for new devices; 1, or the refresh's result.
    int RescanChannel(int channel, int refresh);
    int RescanTarget(int channel, int targetId, int refresh);
    // Has the controller load every drive's configuration; 1, or the refresh's result.
    int LoadAll(int refresh);

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

    // Firmware files and flashing (controller_flash.cpp, firmware_image.cpp,
    // firmware_files.cpp). Each returns 1, or 0 with the failure in the error word.
    // Fills files[0..*count) with the usable images in dir whose names begin
    // with the pattern (empty: the controller's own); in: capacity. Always 1.
    int FindFirmwareFiles(const char* dir, const char* pattern, FirmwareFile* files, int* count);
    // 1 and the header kept in f when the image at f.path suits this controller
    // and its version lies within low..high (0 = no bound).
    int IsFirmwareFileUsable(FirmwareFile& f, uint32_t low, uint32_t high);
    // Opens and checks the image, saves the kept component, prepares the flash;
    // what an earlier open of the record still holds is released first.
    int OpenFirmwareFile(FirmwareFile& f);
    // Writes the flash, reporting to progress (which the caller owns). Each
    // download needs its own successful open: a record without one is refused
    // before any flash request.
    int DownloadFirmware(FirmwareFile& f, IFirmwareProgress* progress);
    // Closes the flash session, the file, and frees the buffers; 1.
    int CloseFirmwareFile(FirmwareFile& f);
    // The steps of OpenFirmwareFile.
    int PrepareFirmwareFile(FirmwareFile& f);
    // Asks the controller for the flash session handle (request 0x44).
    int GetFlashHandle(int32_t* handle);
    // Opens the flash session (0x47); a refusal aborts it (0x4F) when buffer is given.
    int OpenFlashSession(int32_t handle, uint8_t* buffer = nullptr);
    // Closes the flash session (0x48).
    int CloseFlashSession(int32_t handle);
    // One flash request in buffer: operation 0 read flash, 1 read component
    // (argument = id), 2 write (argument = area), 3 erase, 4 write boot.
    int FlashTransfer(uint8_t* buffer, uint32_t offset, uint32_t length, uint32_t argument, int operation);
    // 1 when the image's checksum (corrected for header level 2 or less) holds.
    int VerifyFirmwareChecksum(FirmwareFile& f);
    // Sum of the bytes (kind 1), of the little-endian words (2), XOR of the bytes (3).
    static uint32_t Checksum(const uint8_t* data, size_t count, int kind);
    // Checks that the image's components fit the flash with keptSize bytes kept.
    int CheckFirmwareSize(FirmwareFile& f, uint32_t keptSize);
    // The board data of component c for this board: its size (0 none or
    // unusable), the data in *out (ModelFree) when out is given.
    uint32_t FilterBoardComponent(FirmwareFile& f, const FirmwareComponent& c, uint8_t** out);
    // Writes header and components into the flash.
    int WriteFirmware(FirmwareFile& f);
    // Writes the boot component through the flash session.
    int WriteBootComponent(FirmwareFile& f);
    // Flash values of the controller records and board details.
    uint32_t FlashSize() const;
    uint32_t FlashBase(int area) const;
    uint32_t BootFlag() const;
    uint32_t SecondAreaKb() const;
    uint32_t BoardType() const;

    // Statistics (controller_statistics.cpp). One pass over the devices,
    // drives and cache; reset starts every object's samples anew; 1 or 0.
    int UpdateStatistics(int reset);
    // Stores a cache sample (CACHE_STAT_SAMPLE_SIZE bytes; its milliseconds
    // word is worked out here).
    void UpdateCacheStatistics(uint8_t* sample, int reset);
    // Cache sample i (CACHE_SAMPLE_CURRENT, _PREVIOUS, _BASE).
    const uint8_t* CacheSample(int i) const { return cacheStats[i]; }
    // Ticks from the time stamp `older` to `newer`, with the early wrap of families 36 and 37.
    uint32_t ElapsedTicks(uint32_t newer, uint32_t older) const;

    // Event list and raw commands (controller_events.cpp).
    // Reads one event with the request code in event->word; 1 when one was
    // read (severity in event->word), 0 when none is pending or on failure.
    int ReadEvent(uint32_t code, ControllerEvent* event);
    // The event's text into text (size bytes, EVENT_TEXT_BUFFER_SIZE is
    // enough); 1 when a text entry matched, else 0 and an empty text.
    int GetEventText(const ControllerEvent* event, char* text, size_t size);
    // Empties the controller's event store; 1 or 0.
    int ClearEvents();
    // Clears the controller's log buffer and writes its log state back; 1 or 0.
    int ClearLogBuffer();
    // Runs a block transfer or SCSI pass-through on this controller; 1 or 0.
    int ExecuteRawCommand(RawCommand* command);

    // Background refresh: GetInfo (worker 1) and UpdateStatistics (worker 2)
    // every `seconds` seconds in a worker process; 0 stops it. 1 or 0.
    int SetInfoRefresh(int seconds);
    int SetStatisticsRefresh(int seconds);
    void ThreadProc1(CThreadEntry& slot) override;
    void ThreadProc2(CThreadEntry& slot) override;

    // The Save Information report (controller_save_information.cpp): into the
    // file `path`, or line by line to lineFunction when one is given; `title`
    // is its first line. 1, or 0 when the output cannot be opened (0x04000005)
    // or written (0x04000006). A failed message log read keeps its code in
    // the error word and still gives 1.
    int SaveInformation(const char* path, const char* title, ReportLineFunction lineFunction);

    // Fault bus and cluster channels (controller_fault_bus.cpp); 1 or 0.
    int SetFaultBusSettings(const FaultBusSettings& settings);
    // Reads the state of the channel in states->head[0]; the record stays as it was on failure.
    int GetFaultBusStates(FaultBusStates* states);
    // LED test pattern 1, 2 or 3 on the first channel with an active fault bus; 0 stops the tests.
    int TestFaultBus(int pattern);
    // Makes channel c a cluster channel when flags[c] is not 0 (CLUSTER_CHANNELS flags).
    int SetClusterChannels(const int32_t* flags);
    // 1 when channel c is a SATA channel; 0 also outside the channel count.
    int IsSataChannel(int c) const;
    // Index of the first I/O processor pseudo device (type 0x83) of channel c, -1 none.
    int FindEnclosureDevice(int c) const;
    // Hot plug (controller_hot_plug.cpp); each returns 1, or 0 with the failure in the error word.
    // Hot plug state on channel c (logical drive d or -1), locking host drives and channels when asked.
    int BeginHotPlug(int c, int d, int replacement, int lock);
    // Leaves the hot plug state and unlocks what BeginHotPlug locked; always 1.
    int EndHotPlug();
    // BeginHotPlug and the controller's slot request for (c, t).
    int PrepareHotPlug(int c, int t, int d, int replacement, int lock);
    // Marks the free target IDs of the channel in the 20-byte record; always 1.
    int GetFreeTargetMask(void* record);
    // Finds the newly plugged disk at *t (-1: search a Fibre Channel channel for it).
    int FindNewDisk(int c, int* t, uint32_t minimum, int format);
    // Puts the new disk in place of logical drive d's failed member; ends the hot plug.
    int ReplaceWithNewDisk(int c, int t, int d, int refresh);
    // Makes the new disk a logical drive (its number in *out without maintenance); ends the hot plug.
    int InitializeNewDisk(int c, int t, int* out, int maintenanceFlag, int refresh, int format);
    // FindNewDisk, then InitializeNewDisk.
    int AddNewDisk(int c, int t, int* out, int maintenanceFlag, int refresh, int format);
    // FindNewDisk with the replacement's disk format, then ReplaceWithNewDisk.
    int ReplaceFailedDisk(int c, int t, int d, uint32_t minimum, int refresh);
    // Releases target t of a Fibre Channel channel, ends the hot plug and refreshes.
    int ReleaseHotPlugTarget(int c, int t);
    // Fills the hot plug state's host drive and channel lists and loop maps.
    int CollectHotPlugLocks(int c, int d, int replacement);
    // Locks (1) or unlocks (0) the listed host drives and channels in the driver.
    int LockForHotPlug(int on);
    // Fields of the hot plug state.
    int HotPlugHostCount() const;
    int HotPlugChannelCount() const;
    int HotPlugChannel(int j) const;
    int HotPlugChannelFlag(int j) const;
    const uint8_t* HotPlugLoopMap(int j) const;
    int HotPlugLocked() const;

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
    // Steps of the maintenance and settings operations.
    // Links between the drive lists (controller_drive_links.cpp); indices, -1 for none.
    // The carrying logical drive of host drive h.
    int HostDriveCarrier(int h) const;
    // The array drive and the mirror drive holding logical drive i.
    int ArrayOfLogDrive(int i) const;
    int MirrorOfLogDrive(int i) const;
    // Component k of array drive a or of mirror drive m (logical drive indices), -1 past the last.
    int ArrayComponent(int a, int k) const;
    int MirrorComponent(int m, int k) const;
    // True when some host drive is carried by logical drive i.
    bool LogDriveCarriesHostDrive(int i) const;
    // Logical drive command 0x12 for logical drive i; its result into the error word.
    void SendDriveCommand12(int i);
    // One flash round of a commit the controller answered with 0xFFF4; 1 or 0.
    int RunCommitFlashRound();
    // Writes a work copy of page A, then commits, finishes and re-reads; 1 when the write succeeded.
    int WriteConfigPage(uint8_t* page);
    // The set number as the controller counts it, or -1 for a set out of range.
    int CacheSetNumber(int set) const;
    // Steps of ReadConfiguration.
    int LinkLogicalDrive(int index, uint16_t controllerNumber, int number);
    void LinkMirrorDrive(int index, const CArray<int>& members);
    // Hot plug helpers (controller_hot_plug.cpp).
    void AddHotPlugHostDrives(int logIndex);
    void AddHotPlugChannel(int channel, int flag);
    int AskDeviceMap(int channel, uint32_t kind, uint8_t* request);
    int SearchNewDisk(int c, int* t, uint32_t minimum);
    int NewDiskFormat(int d) const;
    bool ReadArrayList(uint8_t* list);
    // The lists before a configuration read, for what the new objects carry over.
    struct OldDrives {
        const CArray<CLogDrive>& logDrives;
        const CArray<CArrayDrive>& arrayDrives;
        const CArray<CHostDrive>& hostDrives;
    };
    bool WalkDriveChain(int head, const uint8_t* arrayList, uint8_t* hostTable, const OldDrives& old, bool* seen,
                        int& result);
    // Host drives (controller_host_drives.cpp): reads the table of carrying
    // drive `carrier` (carrier kind 0, 1 or 16) and appends its host drives.
    void ReadCarrierHostDrives(int carrier, int kind, const CLogDrive& drive, uint8_t* table,
                               const CArray<CHostDrive>& old, int& result);
    // Appends the host drives of the controller-wide table that no local drive carries.
    void ReadForeignHostDrives(uint8_t* table, const CArray<CHostDrive>& old, int& result);
    // Reads a host drive table (header 100, 16) into `table`, trying twice; false when both fail.
    bool ReadHostTable(int carrier, uint8_t* table, bool controllerWide);
    // Builds the host drives of a table read and appends them.
    void AppendHostDrives(const uint8_t* table, int carrier, int kind, bool foreign, const CArray<CHostDrive>& old,
                          int& result);
    void SortHostDrives();
    void LinkHostDrive(int index);
    // Reads the array drive headed by `number` (refresh interval carried over) and appends it.
    void AppendArrayDrive(int number, const CArray<CArrayDrive>& oldArrays, int& result);
    // Missing logical drives for absent array slots, then the array links.
    void CompleteArrays(uint8_t* arrayList, int& result);
    void LinkArrayDrive(int index);
    // Empties every drive and device list.
    void EmptyLists();
    // Steps of UpdateStatistics; each returns false with the failure in the error word.
    bool UpdateNewStatistics(const uint8_t* block, int reset);
    bool UpdateDiskStatistics(int reset);
    bool UpdateDriveStatistics(bool host, int reset);
    bool UpdateOldStatistics(int reset);
    // Hands a logical or host drive its sample (seven words: time stamp, 0,
    // number word, read and write operations, blocks read and written).
    void HandLogDriveSample(uint32_t number, const uint32_t* sample, int reset);
    void HandHostDriveSample(uint32_t number, const uint32_t* sample, int reset);
    // Writes a work copy of page A with the settings of the fault bus or cluster operations; 1 or 0.
    int WriteWorkPage(uint8_t* page);
};

// The cluster record of the first host drive of a drive's list (indices into
// the controller's host drives), from firmware level 30 on; nullptr below it
// or without host drives.
inline const ClusterInfo* FirstHostCluster(const CController* c, const CArray<int>& hostDrives)
{
    constexpr uint8_t kLevelCluster = 30;
    if (c == nullptr || c->FirmwareLevel() < kLevelCluster || hostDrives.count == 0 || hostDrives[0] < 0 ||
        hostDrives[0] >= c->hostDrives.count)
        return nullptr;
    return &c->hostDrives[hostDrives[0]].cluster;
}
