// CController::GetInfo: reads the controller's information, pages, channel
// records and settings page. Every request's result goes into the error
// word; requests that older firmware or other buses do not answer are
// optional and never fail the read.
#include "controller.h"

#include "byte_order.h"
#include "controller_family.h"
#include "controller_texts.h"
#include "ctl_channels.h"
#include "ctl_commands.h"
#include "ctl_driver_requests.h"
#include "ctl_drives.h"
#include "model_errors.h"
#include "request_words.h"

#include <cstdio>
#include <cstring>

namespace {

// Firmware level words the model serves.
struct LevelRange {
    uint16_t low;
    uint16_t high;
};
constexpr LevelRange kServedLevels[] = {{0x112, 0x124}, {0x212, 0x224}};

constexpr uint8_t kFeatureByteSpecial = 1;     // with RAID firmware on a level 2xx word ...
constexpr uint8_t kFeatureByteRaid = 0x33;     // ... it stands for RAID 0, 10, 4 and 5
constexpr uint8_t kLastLevelWithOldDetails = 18;
constexpr uint32_t kBoardDetailsPreset104 = 512;
constexpr uint32_t kNoRecord = 0xFFFFFFFF;

bool IsServedLevel(uint16_t word)
{
    for (const LevelRange& r : kServedLevels)
        if (word >= r.low && word <= r.high)
            return true;
    return false;
}

// The 12-byte header of a channel descriptions request.
void PutDescriptionHeader(uint8_t* h, uint8_t wanted, uint8_t first, uint8_t last)
{
    wire::put32(h, 0, kNoRecord);
    h[4] = wanted;
    h[5] = first;
    h[6] = last;
    h[7] = 0;
    wire::put32(h, 8, CHANNEL_DESC_HEADER);
}

}  // namespace

int CController::GetInfo()
{
    info = ControllerInfo{};
    std::memset(boardInfo, 0, sizeof boardInfo);
    std::memset(cacheInfo, 0, sizeof cacheInfo);
    std::memset(boardDetails, 0, sizeof boardDetails);
    enclosureConfigCount = 0;
    enclosureRecordWord = 0;
    std::memset(configPageA, 0, sizeof configPageA);
    std::memset(controllerRecord1, 0, sizeof controllerRecord1);
    std::memset(controllerRecord2, 0, sizeof controllerRecord2);
    std::memset(configPageB, 0, sizeof configPageB);
    std::memset(settingsPage, 0, sizeof settingsPage);
    for (ControllerChannel& ch : channels)
        ch = ControllerChannel{};
    // A hot plug that locked keeps its lists, so that EndHotPlug unlocks what was locked.
    if (!HotPlugLocked())
        std::memset(hotPlugState, 0, sizeof hotPlugState);
    firmwareProgress = nullptr;

    if (!ReadDriverVersions() || !ReadLevelTypeAndFeatures() || !ReadBoard() || !ReadPages() ||
        !ReadChannels() || !ReadSettingsAndExtras())
        return 0;
    error = 0;
    return 1;
}

bool CController::ReadDriverVersions()
{
    const auto c = static_cast<uint16_t>(index);
    uint16_t version = 0xFFFF;
    error = ctl_get_driver_version(c, &version);
    if (error != 0)
        return false;
    if (static_cast<int16_t>(version) <= 0) {
        error = MODERR_DRIVER_VERSION;
        return false;
    }
    error = ctl_get_driver_version_2(c, &version);
    if (error != 0)
        return false;
    info.driverVersion = version;

    uint8_t capability = 0;
    error = ctl_get_driver_capability(&capability);
    if (error == 0 && capability != 0)
        flags |= CONTROLLER_FLAG_DRIVER_CAPABILITY;

    uint8_t text[DRIVER_TEXT_RECORD_SIZE] = {};
    wire::put32(text, 0, DRIVER_TEXT_RECORD_SIZE);
    error = ctl_get_driver_version_text(c, text);
    if (error == 0) {
        CopyRecordText(info.driverText, sizeof info.driverText, text + DRIVER_TEXT_RECORD_TEXT,
                       DRIVER_TEXT_RECORD_SIZE - DRIVER_TEXT_RECORD_TEXT);
        info.driverVersionValue = static_cast<int32_t>(wire::get32(text, DRIVER_TEXT_RECORD_VALUE));
    } else {
        FormatDriverText(info.driverText, sizeof info.driverText, info.driverVersion);
    }
    return true;
}

bool CController::ReadLevelTypeAndFeatures()
{
    const auto c = static_cast<uint16_t>(index);
    uint8_t cache[CACHE_INFO_SIZE] = {};
    error = ctl_read_cache_info(c, cache);
    if (error != 0)
        return false;
    std::memcpy(cacheInfo, cache, sizeof cacheInfo);
    info.firmwareLevelWord = wire::get16(cache, CACHE_INFO_LEVEL);
    if (!IsServedLevel(info.firmwareLevelWord)) {
        error = MODERR_FIRMWARE_VERSION;
        return false;
    }

    CtlTypeInfo type;
    type.controller = c;
    error = ctl_get_controller_type(&type);
    if (error != 0)
        return false;
    info.controllerClass = type.controllerClass;
    info.subtype = type.subtype;
    info.ident2 = type.ident2;
    info.ident3 = type.ident3;
    info.ident = type.ident;
    info.pciLocation = type.busSlot;

    uint8_t features[BOARD_FEATURES_SIZE] = {};
    error = ctl_get_board_features(c, 0, kControllerTarget, features);
    if (error != 0)
        return false;
    info.chainingValue = features[0];
    info.raid0Value = features[1];
    info.raid1Value = features[2];
    info.featureByte = features[3];

    if (GetFamily(FAMILY_MODE_BUS) == FAMILY_NONE) {
        error = MODERR_UNKNOWN_FAMILY;
        return false;
    }
    return true;
}

bool CController::ReadBoard()
{
    const auto c = static_cast<uint16_t>(index);
    error = ctl_get_board_info(c, boardInfo);
    if (error != 0)
        return false;
    info.channelCount = boardInfo[BOARD_INFO_CHANNELS];
    if (info.featureByte == kFeatureByteSpecial && (info.firmwareLevelWord >> 8) == 2 && RaidFirmwareMark() != 0)
        info.featureByte = kFeatureByteRaid;

    uint8_t head[CHANNEL_DESC_HEADER] = {};
    PutDescriptionHeader(head, 0, 0, 0);
    error = ctl_get_channel_descriptions(c, head, sizeof head);
    if (error == 0)
        info.channelCount = head[7];
    if (info.channelCount > CONTROLLER_MAX_CHANNELS)
        info.channelCount = CONTROLLER_MAX_CHANNELS;

    CopyRecordText(info.typeName, sizeof info.typeName, boardInfo + BOARD_INFO_TYPE_NAME, BOARD_INFO_TYPE_NAME_SIZE);
    if (GetFamily(FAMILY_MODE_BUS) == BUS_KIND_PCI)
        FormatPciText(info.pciText, sizeof info.pciText, info.pciLocation);
    else
        info.pciText[0] = '\0';
    FormatFirmwareText(info.firmwareText, sizeof info.firmwareText, FirmwareVersionWord(),
                       FirmwareLetter(info.featureByte), wire::get32(boardInfo, BOARD_INFO_FW_REVISION));

    uint8_t details[BOARD_DETAILS_SIZE] = {};
    wire::put32(details, 0, BOARD_DETAILS_SIZE);
    details[BOARD_DETAILS_ROW] = 0xFF;
    wire::put32(details, BOARD_DETAILS_BOARD_TYPE, kNoRecord);
    wire::put32(details, BOARD_DETAILS_PRESET_104, kBoardDetailsPreset104);
    error = ctl_get_board_details(c, details);
    if (error != 0)
        return false;
    if (FirmwareLevel() <= kLastLevelWithOldDetails)
        details[BOARD_DETAILS_CLEARED_OLD] = 0;
    std::memcpy(boardDetails, details, sizeof boardDetails);
    return true;
}

bool CController::ReadPages()
{
    const auto c = static_cast<uint16_t>(index);
    using PageReader = CtlResult (*)(uint16_t, uint32_t, void*);
    const struct {
        uint8_t* page;
        PageReader read;
    } pages[] = {{configPageA, ctl_get_config_page_a}, {configPageB, ctl_get_config_page_b}};
    for (const auto& p : pages) {
        wire::put32(p.page, 0, CONFIG_PAGE_SIZE);
        wire::put32(p.page, CONFIG_PAGE_VERSION, kNoRecord);
        if (FirmwareVersion() > CONFIG_PAGE_OPTIONS2_VERSION)
            p.page[CONFIG_PAGE_OPTION_COUNT2] = CONFIG_PAGE_OPTION_COUNT2_NEW;
        error = p.read(c, 0, p.page);
        if (error != 0)
            return false;
    }

    controllerRecord1[CONTROLLER_RECORD_KIND] = 1;
    error = ctl_get_controller_record_4e(c, controllerRecord1);
    if (error != 0)
        return false;
    controllerRecord2[CONTROLLER_RECORD_KIND] = 2;
    error = ctl_get_controller_record_4e(c, controllerRecord2);

    uint8_t log[LOG_STATE_SIZE] = {};
    logState = 0;
    error = ctl_get_log_state(c, log);
    if (error == 0)
        logState = wire::get32(log, 0);
    return true;
}

bool CController::ReadChannels()
{
    const auto c = static_cast<uint16_t>(index);
    for (int i = 0; i < info.channelCount; ++i) {
        channels[i].record[0] = static_cast<uint8_t>(i);
        error = ctl_get_channel_record(c, channels[i].record);
        if (error != 0)
            return false;
    }
    const uint8_t defaultKind = GetFamily(FAMILY_MODE_FAMILY) == FAMILY_FC ? CHANNEL_KIND_FC : CHANNEL_KIND_SCSI;
    for (int i = 0; i < info.channelCount; ++i) {
        channels[i].address = CHANNEL_DEFAULT_ADDRESS;
        channels[i].kind = defaultKind;
        channels[i].number = static_cast<uint8_t>(i);
        channels[i].descTail = CHANNEL_DESC_DEFAULT_TAIL;
    }
    ReadChannelDescriptions();
    for (int i = 0; i < info.channelCount; ++i)
        ReadChannelKindRecords(channels[i], i);
    return true;
}

void CController::ReadChannelDescriptions()
{
    if (info.channelCount <= 0)
        return;
    const int n = info.channelCount;
    uint8_t buf[CHANNEL_DESC_HEADER + CONTROLLER_MAX_CHANNELS * CHANNEL_DESC_ENTRY] = {};
    const size_t size = CHANNEL_DESC_HEADER + static_cast<size_t>(n) * CHANNEL_DESC_ENTRY;
    PutDescriptionHeader(buf, static_cast<uint8_t>(n), 0, static_cast<uint8_t>(n - 1));
    error = ctl_get_channel_descriptions(static_cast<uint16_t>(index), buf, static_cast<uint16_t>(size));
    if (error != 0)
        return;
    for (int i = 0; i < n; ++i) {
        const size_t at = CHANNEL_DESC_HEADER + static_cast<size_t>(i) * CHANNEL_DESC_ENTRY;
        channels[i].address = wire::get32(buf, at);
        channels[i].kind = buf[at + 4];
        channels[i].number = buf[at + 5];
        channels[i].descTail = wire::get16(buf, at + 6);
    }
}

void CController::ReadChannelKindRecords(ControllerChannel& ch, int c)
{
    const char letter = static_cast<char>('A' + c);
    if (ch.kind == CHANNEL_KIND_SATA) {
        std::snprintf(ch.name, sizeof ch.name, "SATA");
        return;
    }
    if (ch.kind != CHANNEL_KIND_FC) {
        std::snprintf(ch.name, sizeof ch.name, "SCSI-%c", letter);
        return;
    }
    std::snprintf(ch.name, sizeof ch.name, "FCAL-%c", letter);
    const auto ctl = static_cast<uint16_t>(index);
    const uint32_t target = ctl_channel_target(ChannelDesc{ch.address, ch.number});
    wire::put32(ch.loop, 0, ch.number);
    error = ctl_get_fc_loop_info(ctl, target, ch.loop);
    if (error != 0)
        wire::put32(ch.loop, 0, kNoRecord);
    wire::put32(ch.port, 0, ch.number);
    error = ctl_get_fc_port_info(ctl, target, ch.port);
    if (error != 0)
        wire::put32(ch.port, 0, kNoRecord);
}

bool CController::ReadSettingsAndExtras()
{
    const auto c = static_cast<uint16_t>(index);
    settingsPage[SETTINGS_PAGE_SET] = info.featureByte != 0 ? SETTINGS_SET_FEATURE_BASE : 0;
    error = ctl_get_settings_page_31(c, settingsPage);
    if (error != 0)
        return false;

    uint8_t enclosure[ENCLOSURE_RECORD_23_SIZE] = {};
    wire::put32(enclosure, 0, ENCLOSURE_RECORD_23_QUERY);
    error = ctl_get_enclosure_record_23(c, enclosure);
    if (error == 0) {
        enclosureConfigCount = wire::get32(enclosure, 4);
        enclosureRecordWord = wire::get32(enclosure, 8);
    }
    error = 0;

    uint8_t param[CONTROLLER_PARAM_SIZE] = {};
    wire::put32(param, CONTROLLER_PARAM_KIND, CONTROLLER_PARAM_NON_BUILD);
    error = ctl_get_controller_param_6e(c, param, sizeof param);
    controllerParam.kind = CONTROLLER_PARAM_NON_BUILD;
    controllerParam.writeFlag = 0;
    if (error == 0) {
        controllerParam.value = wire::get32(param, CONTROLLER_PARAM_VALUE);
        controllerParam.flags = param[CONTROLLER_PARAM_FLAGS];
    } else {
        controllerParam.value = 0;
        controllerParam.flags = 0;
        error = 0;
    }
    return true;
}
