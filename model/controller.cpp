#include "controller.h"

#include "byte_order.h"
#include "controller_family.h"
#include "ctl_channels.h"
#include "ctl_commands.h"
#include "model_errors.h"
#include "request_words.h"

#include <cstring>
#include <utility>

namespace {

constexpr int kControllerWorkerSlots = 2;
constexpr uint8_t kAlarmOption = 0;
constexpr uint8_t kMultiNodeFirstLevel = 30;
constexpr size_t kHostDriveParamSize = 8;
constexpr uint32_t kMultiNodeBit = 0x10;

template <class T>
void AimAt(CArray<T>& list, CController* owner)
{
    for (int i = 0; i < list.count; ++i)
        list[i].controller = owner;
}

}  // namespace

CController::CController() : CThreadList(kControllerWorkerSlots) {}

CController::CController(int controllerIndex, int controllerFlag, const HostSystemInfo& host)
    : CThreadList(kControllerWorkerSlots), index(controllerIndex), flag(controllerFlag), hostSystem(host)
{
    if (!GetInfo())
        index = -1;
    firmwareProgress = nullptr;
}

CController::CController(const CController& other) : CAbstrBase(other), CThreadList(other)
{
    CopyFields(other);
    RestartCopiedWorkers();
}

CController::CController(CController&& other) noexcept
    : CAbstrBase(other), CThreadList(std::move(other)), freeDrives(std::move(other.freeDrives)),
      logDrives(std::move(other.logDrives)), mirrorDrives(std::move(other.mirrorDrives)),
      arrayDrives(std::move(other.arrayDrives)), hostDrives(std::move(other.hostDrives)),
      physDrives(std::move(other.physDrives)), enclosures(std::move(other.enclosures))
{
    CopyFields(other);
    AimDrivesAtThis();
}

CController& CController::operator=(const CController& other)
{
    if (this == &other)
        return *this;
    CAbstrBase::operator=(other);
    CThreadList::operator=(other);
    CopyFields(other);
    const bool copied = freeDrives.AssignFrom(other.freeDrives) && logDrives.AssignFrom(other.logDrives) &&
                        mirrorDrives.AssignFrom(other.mirrorDrives) &&
                        arrayDrives.AssignFrom(other.arrayDrives) && hostDrives.AssignFrom(other.hostDrives) &&
                        physDrives.AssignFrom(other.physDrives) && enclosures.AssignFrom(other.enclosures);
    if (!copied)
        error = MODERR_NO_MEMORY;
    AimDrivesAtThis();
    RestartCopiedWorkers();
    return *this;
}

void CController::CopyFields(const CController& other)
{
    index = other.index;
    flag = other.flag;
    hostSystem = other.hostSystem;
    std::memcpy(settingsPage, other.settingsPage, sizeof settingsPage);
    flags = other.flags;
    maintenance = other.maintenance;
    accessNesting = other.accessNesting;
    logState = other.logState;
    info = other.info;
    std::memcpy(boardInfo, other.boardInfo, sizeof boardInfo);
    std::memcpy(cacheInfo, other.cacheInfo, sizeof cacheInfo);
    std::memcpy(boardDetails, other.boardDetails, sizeof boardDetails);
    enclosureConfigCount = other.enclosureConfigCount;
    enclosureRecordWord = other.enclosureRecordWord;
    std::memcpy(configPageA, other.configPageA, sizeof configPageA);
    std::memcpy(controllerRecord1, other.controllerRecord1, sizeof controllerRecord1);
    std::memcpy(controllerRecord2, other.controllerRecord2, sizeof controllerRecord2);
    std::memcpy(configPageB, other.configPageB, sizeof configPageB);
    for (int c = 0; c < CONTROLLER_MAX_CHANNELS; ++c)
        channels[c] = other.channels[c];
    std::memcpy(faultBusPatterns, other.faultBusPatterns, sizeof faultBusPatterns);
    std::memcpy(cacheStats, other.cacheStats, sizeof cacheStats);
    std::memcpy(hotPlugState, other.hotPlugState, sizeof hotPlugState);
    controllerParam = other.controllerParam;
    infoRefreshInterval = other.infoRefreshInterval;
    infoRefreshWorker = other.infoRefreshWorker;
    statsRefreshInterval = other.statsRefreshInterval;
    statsRefreshWorker = other.statsRefreshWorker;
    firmwareProgress = other.firmwareProgress;
}

void CController::AimDrivesAtThis()
{
    AimAt(freeDrives, this);
    AimAt(logDrives, this);
    AimAt(mirrorDrives, this);
    AimAt(arrayDrives, this);
    AimAt(hostDrives, this);
    AimAt(physDrives, this);
    AimAt(enclosures, this);
}

uint32_t CController::FirmwareVersionWord() const
{
    return wire::get32(boardInfo, BOARD_INFO_FW_VERSION);
}

uint32_t CController::SerialNumber() const
{
    return wire::get32(boardInfo, BOARD_INFO_SERIAL);
}

uint16_t CController::CacheSwitch() const
{
    return wire::get16(cacheInfo, CACHE_INFO_CACHE_ON);
}

uint16_t CController::DelayedWriteSwitch() const
{
    return wire::get16(cacheInfo, CACHE_INFO_DELAYED_WRITE);
}

void CController::SetCacheBaseSample()
{
    std::memcpy(cacheStats[CACHE_SAMPLE_BASE], cacheStats[CACHE_SAMPLE_CURRENT], CACHE_STAT_SAMPLE_SIZE);
}

int CController::GetFamily(int mode) const
{
    FamilyInputs in;
    in.controllerClass = info.controllerClass;
    in.subtype = info.subtype;
    in.flag = flag;
    in.firmwareLevel = FirmwareLevel();
    in.boardTypeWord = wire::get32(boardInfo, BOARD_INFO_TYPE_WORD);
    return ControllerFamily(in, mode);
}

int CController::IsMultiNode()
{
    if (FirmwareLevel() < kMultiNodeFirstLevel)
        return 0;
    uint8_t record[kHostDriveParamSize] = {};
    error = ctl_get_host_drive_param_06(static_cast<uint16_t>(index), kAllHostDrives, record);
    if (error != 0)
        return 0;
    return (wire::get32(record, 0) & kMultiNodeBit) != 0 ? 1 : 0;
}

int CController::SetAlarm(int on)
{
    uint8_t option = on ? 1 : 0;
    error = ctl_set_controller_option(static_cast<uint16_t>(index), kAlarmOption, &option);
    return error == 0 ? 1 : 0;
}

int CController::GetAlarm(int* on)
{
    uint8_t option = 0;
    error = ctl_get_controller_option(static_cast<uint16_t>(index), kAlarmOption, &option);
    if (on != nullptr)
        *on = option != 0 ? 1 : 0;
    return error == 0 ? 1 : 0;
}

int CController::GetChannelInfo(void* record)
{
    error = ctl_channel_value_50(static_cast<uint16_t>(index), record);
    return error == 0 ? 1 : 0;
}
