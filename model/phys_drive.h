// CPhysDrive: a device on one of the controller's channels (a disk, a
// processor, an enclosure processor), or the pseudo device that stands for
// the controller's own I/O processor on a channel. Every request names the
// device by (controller number, channel index, device index).
#pragma once

#include "abstr_base.h"
#include "drive_object.h"
#include "phys_drive_records.h"
#include "progress_request.h"

#include <cstdint>

class CController;
struct DeviceRef;

constexpr int PHYS_POSITION_SIZE = 8;
// Surface check progress values besides 0..99.
constexpr int SURFACE_NONE = -1;
constexpr int SURFACE_FINISHED = -2;
constexpr int SURFACE_FINISHED_ERRORS = -3;
constexpr int SURFACE_ABORTED = -4;

class CPhysDrive : public CDriveObject<CPhysDrive> {
public:
    // An empty entry of the controller's list.
    CPhysDrive();
    // Device `deviceIndex` of channel `channel`; an I/O processor entry takes
    // the controller's own ID on the channel as its device index and is never read.
    CPhysDrive(uint16_t controllerNumber, int channel, int deviceIndex, int ioProcessor, CController* owner,
               int refreshNow);
    // Copies every field; live workers are started again for the copy.
    CPhysDrive(const CPhysDrive& other);
    // Takes over the other's workers; the owner pointer comes along unchanged.
    CPhysDrive(CPhysDrive&& other) noexcept = default;
    // Copies every field; this object's workers stop, the other's are started again here.
    CPhysDrive& operator=(const CPhysDrive& other);
    ~CPhysDrive() override = default;

    // Re-reads the device information (and enclosure identity); 1, or 0 keeping the old values.
    int Refresh();
    // Reads the private host drive ownership record; 1/0.
    int ReadOwnership();
    // Grown and primary defect counts; 0 for a device that is not a ready disk or on failure.
    uint32_t GetGrownDefects();
    uint32_t GetPrimaryDefects();
    // *present := 1 when the device answers at its target ID and LUN; 1/0.
    int IsPresent(int* present);
    // Starts (1), watches (2) or aborts (3) the destructive surface check; 1/0.
    int CheckSurface(ProgressRequest* r);
    // Initialises the disk with the parameters (transfer mode 17 is read back into p); 1/0.
    int Initialize(DiskParameters* p);
    // De-initialises, locks, unlocks the disk; 1/0.
    int Deinitialize();
    int Lock();
    int Unlock();
    // Takes a statistics sample; `first` starts the series.
    void UpdateStatistics(DiskStatSample* x, int first);
    // Speaker, door lock, power supplies, fans and sensors of an enclosure processor into a; 1/0.
    int GetEnclosureStatus(int* a);
    // Sets the speaker (doorFlag 0) or the door lock; 1/0.
    int SetEnclosureControl(int doorFlag, int value);
    // Reads the enclosure's slots (slot count entries) with the disks they hold; 1/0.
    int ReadSlotTable(EnclosureSlot* s);
    // Sends every slot's map; 1, or 0 with the first failing code.
    int WriteSlotTable(const EnclosureSlot* s);
    // Makes the device show itself; 1/0.
    int Identify();
    // Refreshes in a background worker every `seconds` seconds (0 stops it).
    int SetAutoRefresh(int seconds);
    // The position text ("3", "B:0", "B").
    const char* GetPosition() const { return position; }
    // 1 when the device's channel is a SATA channel.
    int IsOnSataChannel() const;
    // Writes the device byte; 1/0.
    int WriteDeviceByte(uint8_t value);
    // Reads `count` 512-byte blocks from `block` into buffer; 1/0.
    int ReadBlocks(uint32_t block, uint32_t count, void* buffer);
    // Synchronous transfer off (code 0) or on with rate code 1..14; 1/0.
    int SetTransferRate(int code);
    // The rate code of the current rate (0 off, 255 none of the table).
    int GetTransferRateCode() const;
    // Each changes one disk parameter and initialises the disk with it; 1/0.
    int SetDisconnect(int on);
    int SetDiskCache(int on);
    int SetTaggedQueues(int on);
    int SetTransferMode(uint8_t mode);

    // The refresh worker.
    void ThreadProc1(CThreadEntry& slot) override;

    int GetChannel() const { return channel; }
    int GetTargetId() const { return targetId; }
    int GetLun() const { return lun; }
    int GetDeviceIndex() const { return deviceIndex; }
    const uint8_t* GetInfo() const { return info; }
    uint8_t DeviceType() const { return info[DEVINFO_TYPE]; }
    int IsEnclosureProcessor() const { return isEnclosureProcessor; }
    const uint8_t* GetEnclosureInfo() const { return enclosureInfo; }
    const uint8_t* GetEnclosureLayout() const { return enclosureLayout; }
    const DiskStatSample* GetSample(int n) const { return &samples[n]; }
    const uint8_t* GetOwnership() const { return ownership; }
    int GetProgress() const { return progress; }
    void SetEnclosureLink(int index, int slot)
    {
        enclosureIndex = index;
        enclosureSlot = slot;
    }
    void SetEnclosureConfigLink(int id, int slot)
    {
        enclosureConfigId = id;
        enclosureConfigSlot = slot;
    }
    void SetSample(int n, const DiskStatSample& s) { samples[n] = s; }
    void SetBaseSample() { samples[DISK_SAMPLE_BASE] = samples[DISK_SAMPLE_CURRENT]; }
    void SetProgress(int p) { progress = p; }

    int channel = 0;                 // channel index on the controller
    int targetId = -1;               // -1 until read
    int lun = -1;
    uint16_t deviceIndex = 0;        // position in the channel's device list
    uint8_t info[DEVINFO_SIZE] = {};
    int isEnclosureProcessor = 0;
    uint8_t enclosureInfo[ENCINFO_SIZE] = {};
    uint8_t enclosureLayout[ENCLAYOUT_SIZE] = {};
    int enclosureIndex = -1;         // the enclosure processor whose slot holds this disk
    int enclosureSlot = -1;
    int enclosureConfigId = -1;      // the controller enclosure configuration listing this disk
    int enclosureConfigSlot = -1;
    DiskStatSample samples[DISK_SAMPLES] = {};
    uint8_t ownership[OWNERSHIP_SIZE] = {};
    char position[PHYS_POSITION_SIZE] = {};
    CController* controller = nullptr;  // owner
    uint16_t controllerNumber = 0;
    int progress = SURFACE_NONE;
    int logDriveIndex = -1;          // the logical drive holding the disk, set by ReadConfiguration

private:
    friend class CDriveObject<CPhysDrive>;
    void CopyFields(const CPhysDrive& other);
    // The device reference of every device-addressed request.
    DeviceRef Ref() const;
    void RebuildPosition();
    uint32_t DefectCount(uint8_t page);
    // Ends a device command: on success the object re-reads itself.
    int AfterCommand(uint32_t rc);
    // Refreshes until `reached` holds, pausing between reads; false on a failure or time-out.
    template <class F>
    bool WaitFor(F reached);
    // One enclosure query of `count` data bytes into buf; the library code.
    uint32_t EnclosureQuery(uint8_t* buf, uint8_t selector, uint32_t count);
    // The current disk parameters.
    DiskParameters CurrentParameters() const;
};

// The device's vendor and product without trailing blanks (a static buffer,
// overwritten by the next call).
const char* DeviceName(const CPhysDrive& d);
// Position text of a device: "%c:%d" (channel letter, ID; "%c" for an ID below 0) on SATA, else "%d".
void FormatDrivePosition(char* out, size_t size, int channel, int targetId, bool sata);
