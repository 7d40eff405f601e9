// CPhysDrive: construction, copying, reading the device and the disk
// operations (surface check, initialise, lock, defects, statistics, blocks).
#include "phys_drive.h"

#include "byte_order.h"
#include "controller.h"
#include "ctl_channels.h"
#include "ctl_commands.h"
#include "ctl_devices.h"
#include "model_alloc.h"
#include "model_errors.h"
#include "pause.h"
#include "request_words.h"
#include "stat_samples.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kPhysWorkerSlots = 1;
constexpr int kStatePollMs = 50;
constexpr int kStatePolls = 200;        // a start or an abort shows within 10 seconds
constexpr uint32_t kIoProcessorLun = 0;
constexpr int kRateRounding = 100;

// Synchronous transfer rates of the rate codes 1..14 in kB/s.
constexpr uint32_t kRates[] = {3600, 4000, 4400, 5000, 5700, 6700, 8000, 10000, 11400, 13400, 16000, 20000, 40000, 80000};
constexpr int kRateCodes = static_cast<int>(sizeof kRates / sizeof kRates[0]);

// The name of an I/O processor entry by channel kind.
const char* IoProcessorName(uint8_t kind)
{
    switch (kind) {
    case CHANNEL_KIND_FC:
        return "FC I/O Processor";
    case CHANNEL_KIND_SATA:
        return "SATA I/O Processor";
    default:
        return "SCSI I/O Processor";
    }
}

// The kind of channel c of the owner, 0 when unknown.
uint8_t ChannelKind(const CController* owner, int c)
{
    if (owner == nullptr || c < 0 || c >= CONTROLLER_MAX_CHANNELS)
        return 0;
    return owner->channels[c].kind;
}

}  // namespace

void FormatDrivePosition(char* out, size_t size, int channel, int targetId, bool sata)
{
    const char letter = static_cast<char>('A' + channel);
    if (!sata)
        std::snprintf(out, size, "%d", targetId);
    else if (targetId < 0)
        std::snprintf(out, size, "%c", letter);
    else
        std::snprintf(out, size, "%c:%d", letter, targetId);
}

const char* DeviceName(const CPhysDrive& d)
{
    static char name[DEVINFO_VENDOR_SIZE + DEVINFO_PRODUCT_SIZE + 1];
    std::memcpy(name, d.info + DEVINFO_VENDOR, DEVINFO_VENDOR_SIZE);
    std::memcpy(name + DEVINFO_VENDOR_SIZE, d.info + DEVINFO_PRODUCT, DEVINFO_PRODUCT_SIZE);
    size_t end = DEVINFO_VENDOR_SIZE + DEVINFO_PRODUCT_SIZE;
    name[end] = '\0';
    // Trailing blanks go; the first character always stays.
    while (end > 1 && name[end - 1] == ' ')
        name[--end] = '\0';
    return name;
}

CPhysDrive::CPhysDrive() : CDriveObject(kPhysWorkerSlots) {}

CPhysDrive::CPhysDrive(uint16_t controllerNo, int channelIndex, int deviceIdx, int ioProcessor, CController* owner,
                       int refreshNow)
    : CDriveObject(kPhysWorkerSlots), channel(channelIndex), deviceIndex(static_cast<uint16_t>(deviceIdx)),
      controller(owner), controllerNumber(controllerNo)
{
    if (ioProcessor) {
        info[DEVINFO_TYPE] = DEVICE_TYPE_IO_PROCESSOR;
        targetId = deviceIdx;
        lun = static_cast<int>(kIoProcessorLun);
        info[DEVINFO_TARGET] = static_cast<uint8_t>(deviceIdx);
        const char* name = IoProcessorName(ChannelKind(owner, channelIndex));
        std::memset(info + DEVINFO_VENDOR, ' ', DEVINFO_VENDOR_SIZE + DEVINFO_PRODUCT_SIZE);
        std::memcpy(info + DEVINFO_VENDOR, name, std::strlen(name));
        RebuildPosition();
        return;
    }
    RebuildPosition();
    if (refreshNow)
        Refresh();
}

CPhysDrive::CPhysDrive(const CPhysDrive& other) : CDriveObject(other)
{
    CompleteCopy(other);
}

CPhysDrive& CPhysDrive::operator=(const CPhysDrive& other)
{
    return AssignCopy(other);
}

void CPhysDrive::CopyFields(const CPhysDrive& other)
{
    channel = other.channel;
    targetId = other.targetId;
    lun = other.lun;
    deviceIndex = other.deviceIndex;
    std::memcpy(info, other.info, sizeof info);
    isEnclosureProcessor = other.isEnclosureProcessor;
    std::memcpy(enclosureInfo, other.enclosureInfo, sizeof enclosureInfo);
    std::memcpy(enclosureLayout, other.enclosureLayout, sizeof enclosureLayout);
    enclosureIndex = other.enclosureIndex;
    enclosureSlot = other.enclosureSlot;
    enclosureConfigId = other.enclosureConfigId;
    enclosureConfigSlot = other.enclosureConfigSlot;
    for (int i = 0; i < DISK_SAMPLES; ++i)
        samples[i] = other.samples[i];
    std::memcpy(ownership, other.ownership, sizeof ownership);
    refreshInterval = other.refreshInterval;
    std::memcpy(position, other.position, sizeof position);
    controller = other.controller;
    controllerNumber = other.controllerNumber;
    progress = other.progress;
    logDriveIndex = other.logDriveIndex;
}

DeviceRef CPhysDrive::Ref() const
{
    DeviceRef r;
    r.controller = controllerNumber;
    r.node = 0;
    r.channelIndex = static_cast<uint16_t>(channel);
    r.deviceIndex = deviceIndex;
    return r;
}

int CPhysDrive::IsOnSataChannel() const
{
    return ChannelKind(controller, channel) == CHANNEL_KIND_SATA ? 1 : 0;
}

void CPhysDrive::RebuildPosition()
{
    const bool sata = IsOnSataChannel() != 0;
    // The I/O processor entry of a SATA channel shows only the channel letter.
    const int id = sata && info[DEVINFO_TYPE] == DEVICE_TYPE_IO_PROCESSOR ? -1 : targetId;
    FormatDrivePosition(position, sizeof position, channel, id, sata);
}

int CPhysDrive::Refresh()
{
    uint8_t buf[DEVINFO_SIZE] = {};
    const uint32_t rc = ctl_get_device_info(Ref(), buf);
    if (rc != 0) {
        error = rc;
        return 0;
    }
    // A device list that changed since the scan may put another device at
    // this position: that one is not this object's device.
    if (targetId >= 0 && (buf[DEVINFO_TARGET] != targetId || buf[DEVINFO_LUN] != lun)) {
        error = CTLERR_NOT_AVAILABLE;
        return 0;
    }
    buf[DEVINFO_LOG_DRIVE + 2] = 0;
    buf[DEVINFO_LOG_DRIVE + 3] = 0;
    targetId = buf[DEVINFO_TARGET];
    lun = buf[DEVINFO_LUN];
    std::memcpy(info, buf, sizeof info);

    if (controller != nullptr && (controller->boardDetails[BOARD_DETAILS_ENCLOSURES] & 1) != 0) {
        uint8_t enc[ENCINFO_SIZE] = {};
        enc[ENCINFO_CHANNEL] = static_cast<uint8_t>(channel);
        enc[ENCINFO_TARGET] = static_cast<uint8_t>(targetId);
        enc[ENCINFO_LUN] = static_cast<uint8_t>(lun);
        if (ctl_get_enclosure_info(controllerNumber, enc) == 0) {
            std::memcpy(enclosureInfo, enc, sizeof enclosureInfo);
            isEnclosureProcessor = enc[ENCINFO_FOUND] != 0 ? enc[ENCINFO_FOUND]
                                                           : (info[DEVINFO_TYPE] == DEVICE_TYPE_PROCESSOR ? 1 : 0);
            if (isEnclosureProcessor) {
                uint8_t layout[ENCLAYOUT_SIZE] = {};
                wire::put32(layout, ENCLAYOUT_ID, wire::get32(enclosureInfo, ENCINFO_ID));
                if (ctl_get_enclosure_record_1(controllerNumber, layout) == 0)
                    std::memcpy(enclosureLayout, layout, sizeof enclosureLayout);
                else
                    isEnclosureProcessor = 0;
            }
        }
    }

    const uint8_t percent = info[DEVINFO_SURFACE_PERCENT];
    if (info[DEVINFO_SURFACE_RUNNING] == 1 && percent < kSurfaceDone)
        progress = percent;
    else if (progress >= 0)
        progress = percent < kSurfaceDone ? percent
                   : wire::get32(info, DEVINFO_SURFACE_ERRORS) == 0 ? SURFACE_FINISHED
                                                                    : SURFACE_FINISHED_ERRORS;
    RebuildPosition();
    error = 0;
    return 1;
}

int CPhysDrive::ReadOwnership()
{
    std::memset(ownership, 0, sizeof ownership);
    error = ctl_get_disk_ownership(controllerNumber, static_cast<uint8_t>(channel), deviceIndex, ownership);
    return error == 0 ? 1 : 0;
}

uint32_t CPhysDrive::DefectCount(uint8_t page)
{
    if (info[DEVINFO_TYPE] != DEVICE_TYPE_DISK || info[DEVINFO_READY] == 0)
        return 0;
    uint8_t param[DEFECT_PARAM_SIZE] = {};
    param[DEFECT_PAGE] = page;
    error = ctl_get_defect_count(Ref(), param);
    return error == 0 ? wire::get32(param, DEFECT_COUNT) : 0;
}

uint32_t CPhysDrive::GetGrownDefects()
{
    return DefectCount(DEFECT_PAGE_GROWN);
}

uint32_t CPhysDrive::GetPrimaryDefects()
{
    return DefectCount(DEFECT_PAGE_PRIMARY);
}

int CPhysDrive::IsPresent(int* present)
{
    if (info[DEVINFO_TYPE] == DEVICE_TYPE_IO_PROCESSOR) {
        if (present != nullptr)
            *present = 1;
        return 1;
    }
    uint8_t rec[PRESENCE_SIZE] = {static_cast<uint8_t>(channel), static_cast<uint8_t>(targetId),
                                  static_cast<uint8_t>(lun), 0};
    error = ctl_get_device_value(controllerNumber, rec);
    if (error != 0)
        return 0;
    if (present != nullptr)
        *present = rec[PRESENCE_ANSWER] != 0 ? 1 : 0;
    return 1;
}

template <class F>
bool CPhysDrive::WaitFor(F reached)
{
    for (int i = 0; i < kStatePolls; ++i) {
        if (!Refresh())
            return false;
        if (reached())
            return true;
        ModelPauseMs(kStatePollMs);
    }
    error = MODERR_ACTIVE_STATE;
    return false;
}

int CPhysDrive::CheckSurface(ProgressRequest* r)
{
    if (r == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const bool running = info[DEVINFO_SURFACE_RUNNING] == 1 && info[DEVINFO_SURFACE_PERCENT] < kSurfaceDone;
    int result = 0;
    switch (r->operation) {
    case PROGRESS_START:
        if (running) {
            error = MODERR_ACTIVE_STATE;
        } else if ((error = ctl_device_cmd_13(Ref())) == 0 &&
                   WaitFor([this] { return info[DEVINFO_SURFACE_RUNNING] == 1; })) {
            progress = 0;
            result = 1;
        }
        break;
    case PROGRESS_QUERY:
        if (Refresh()) {
            progress = info[DEVINFO_SURFACE_PERCENT];
            if (info[DEVINFO_SURFACE_PERCENT] >= kSurfaceDone) {
                error = MODERR_ACTIVE_STATE;
                progress = wire::get32(info, DEVINFO_SURFACE_ERRORS) == 0 ? SURFACE_FINISHED
                                                                          : SURFACE_FINISHED_ERRORS;
            } else {
                result = 1;
            }
        }
        break;
    case PROGRESS_ABORT:
        if (!running) {
            error = MODERR_ACTIVE_STATE;
        } else if ((error = ctl_device_cmd_18(Ref())) == 0 &&
                   WaitFor([this] { return info[DEVINFO_SURFACE_PERCENT] >= kSurfaceDone; })) {
            progress = SURFACE_ABORTED;
            result = 1;
        }
        break;
    default:
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    r->percent = info[DEVINFO_SURFACE_PERCENT];
    r->state = static_cast<int>(wire::get32(info, DEVINFO_SURFACE_ERRORS));
    r->value = wire::get32(info, DEVINFO_SURFACE_SECOND);
    return result;
}

int CPhysDrive::Initialize(DiskParameters* p)
{
    if (p == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    if (p->diskFormat != 1 && p->diskFormat != 2)
        p->diskFormat = 2;
    uint8_t rec[DEVINFO_SIZE] = {};
    rec[DEVINFO_INITIALISED] = 0;
    rec[DEVINFO_TRANSFER_MODE] = p->transferMode;
    rec[DEVINFO_DISCONNECT] = p->disconnect;
    rec[DEVINFO_SYNC] = p->syncTransfer;
    rec[DEVINFO_CACHE] = p->cacheBits;
    rec[DEVINFO_TAGGED] = p->taggedQueues;
    wire::put32(rec, DEVINFO_RATE_SETTING, p->transferRate);
    wire::put32(rec, DEVINFO_DOMAIN_VALIDATION, p->domainValidation);
    rec[DEVINFO_FORMAT] = p->diskFormat;
    error = ctl_set_device_info(Ref(), rec);
    if (error != 0)
        return 0;
    if (p->transferMode == TRANSFER_MODE_PROBE) {
        uint8_t now[DEVINFO_SIZE] = {};
        error = ctl_get_device_info(Ref(), now);
        if (error != 0)
            return 0;
        p->transferMode = now[DEVINFO_TRANSFER_MODE];
        if (p->transferMode != TRANSFER_MODE_PROBE) {
            rec[DEVINFO_TRANSFER_MODE] = p->transferMode;
            error = ctl_set_device_info(Ref(), rec);
            if (error != 0)
                return 0;
        }
    }
    return AfterCommand(0);
}

int CPhysDrive::AfterCommand(uint32_t rc)
{
    error = rc;
    if (rc != 0)
        return 0;
    Refresh();
    error = 0;
    return 1;
}

int CPhysDrive::Deinitialize()
{
    return AfterCommand(ctl_device_cmd_08(Ref()));
}

int CPhysDrive::Lock()
{
    return AfterCommand(ctl_device_cmd_0e(Ref()));
}

int CPhysDrive::Unlock()
{
    return AfterCommand(ctl_device_cmd_0d(Ref()));
}

void CPhysDrive::UpdateStatistics(DiskStatSample* x, int first)
{
    if (x != nullptr)
        StoreSample(samples, x, first, controller);
}

int CPhysDrive::Identify()
{
    uint8_t rec[IDENTIFY_SIZE] = {};
    rec[0] = 1;
    rec[2] = 1;
    rec[3] = 1;
    wire::put32(rec, IDENTIFY_COUNT, 1);
    wire::put32(rec, IDENTIFY_WORD, IDENTIFY_WORD_VALUE);
    rec[IDENTIFY_ENTRY] = static_cast<uint8_t>(channel);
    rec[IDENTIFY_ENTRY + 1] = static_cast<uint8_t>(targetId);
    rec[IDENTIFY_ENTRY + 2] = static_cast<uint8_t>(lun);
    error = ctl_channel_request_54(controllerNumber, rec, IDENTIFY_SIZE);
    return error == 0 ? 1 : 0;
}

void CPhysDrive::ThreadProc1(CThreadEntry& slot)
{
    RunRefreshWorker(slot);
}

int CPhysDrive::SetAutoRefresh(int seconds)
{
    return SwitchAutoRefresh(seconds);
}

int CPhysDrive::WriteDeviceByte(uint8_t value)
{
    error = ctl_set_device_byte_12(Ref(), &value);
    return error == 0 ? 1 : 0;
}

int CPhysDrive::ReadBlocks(uint32_t block, uint32_t count, void* buffer)
{
    if (info[DEVINFO_TYPE] != DEVICE_TYPE_DISK) {
        error = MODERR_NOT_SUPPORTED;
        return 0;
    }
    if (count == 0)
        return 1;
    // The request size travels in 16 bits: more than 127 blocks cannot be asked for.
    const uint64_t size = static_cast<uint64_t>(count) * DISK_BLOCK + BLOCKREAD_HEAD;
    if (size > kMaxRequestSize || buffer == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    auto* buf = static_cast<uint8_t*>(ModelAlloc(static_cast<size_t>(size) + BLOCKREAD_REF));
    if (buf == nullptr) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    uint8_t* req = buf + BLOCKREAD_REF;
    std::memset(req, 0, static_cast<size_t>(size));
    wire::put32(req, BLOCKREAD_CONTROLLER, controllerNumber);
    wire::put32(req, BLOCKREAD_FIRST, block);
    wire::put32(req, BLOCKREAD_COUNT, count);
    req[BLOCKREAD_FLAGS] = 1;
    error = ctl_get_device_record_27(Ref(), req, static_cast<uint16_t>(size));
    if (error == 0)
        std::memcpy(buffer, req + BLOCKREAD_HEAD, static_cast<size_t>(count) * DISK_BLOCK);
    ModelFree(buf);
    return error == 0 ? 1 : 0;
}

DiskParameters CPhysDrive::CurrentParameters() const
{
    DiskParameters p;
    p.transferMode = info[DEVINFO_TRANSFER_MODE];
    p.disconnect = info[DEVINFO_DISCONNECT];
    p.syncTransfer = info[DEVINFO_SYNC];
    p.cacheBits = info[DEVINFO_CACHE];
    p.taggedQueues = info[DEVINFO_TAGGED];
    p.transferRate = wire::get32(info, DEVINFO_RATE_SETTING);
    p.domainValidation = wire::get32(info, DEVINFO_DOMAIN_VALIDATION);
    p.diskFormat = info[DEVINFO_FORMAT];
    return p;
}

int CPhysDrive::SetTransferRate(int code)
{
    if (code < 0 || code > kRateCodes) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    DiskParameters p = CurrentParameters();
    p.syncTransfer = code == 0 ? 0 : 1;
    if (code != 0)
        p.transferRate = kRates[code - 1];
    return Initialize(&p);
}

int CPhysDrive::GetTransferRateCode() const
{
    if (info[DEVINFO_SYNC] == 0)
        return 0;
    const uint32_t rate = wire::get32(info, DEVINFO_RATE);
    const uint32_t rounded = (rate + kRateRounding / 2) / kRateRounding * kRateRounding;
    for (int i = 0; i < kRateCodes; ++i)
        if (kRates[i] == rounded)
            return i + 1;
    return 255;
}

int CPhysDrive::SetDisconnect(int on)
{
    DiskParameters p = CurrentParameters();
    p.disconnect = on ? 1 : 0;
    return Initialize(&p);
}

int CPhysDrive::SetDiskCache(int on)
{
    DiskParameters p = CurrentParameters();
    p.cacheBits = on ? DISK_CACHE_ON : 0;
    return Initialize(&p);
}

int CPhysDrive::SetTaggedQueues(int on)
{
    DiskParameters p = CurrentParameters();
    p.taggedQueues = on ? 1 : 0;
    return Initialize(&p);
}

int CPhysDrive::SetTransferMode(uint8_t mode)
{
    DiskParameters p = CurrentParameters();
    p.transferMode = mode;
    return Initialize(&p);
}
