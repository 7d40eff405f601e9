// CController's settings: configuration page A as the settings record shows
// it, the page write with its commit and finish, the cache switches, the
// advanced cache parameter sets and the non-build mode. Every write that
// succeeds is followed by GetInfo, so the object mirrors the controller.
#include "controller.h"

#include "byte_order.h"
#include "ctl_commands.h"
#include "ctl_drives.h"
#include "model_errors.h"
#include "pause.h"

#include <algorithm>
#include <cstring>

namespace {

static_assert(CACHE_PARAM_RECORD_SIZE == SETTINGS_PAGE_SIZE);

constexpr CtlResult kFlashAsked = CTLERR_CONTROLLER + 0xFFF4;  // the page must go through the flash
constexpr int kMaxCommitFlashRounds = 3;
constexpr int kCommitRoundPauseMs = 100;

// An option count as the page holds it: at most the 15 bytes there are.
uint8_t OptionCount(uint8_t n)
{
    return static_cast<uint8_t>(std::min<size_t>(n, PAGE_A_OPTION_BYTES));
}

}  // namespace

int CController::GetSettings(SettingsRecord& record)
{
    uint8_t* r = record.bytes;
    std::memset(r, 0, SETTINGS_RECORD_SIZE);
    const int channelsWithSettings = std::min(info.channelCount, PAGE_A_SETTINGS_CHANNELS);
    for (int c = 0; c < channelsWithSettings; ++c) {
        uint8_t* e = r + SETREC_CHANNEL + SETREC_CHANNEL_SIZE * static_cast<size_t>(c);
        const uint8_t bits = configPageA[PAGE_A_CHANNEL + c];
        const int32_t termination = configPageA[PAGE_A_TERM_SETTABLE + c] == 0 ? SETREC_TERM_NOT_SETTABLE
                                    : (bits & PAGE_A_TERMINATION) != 0       ? 1
                                                                             : 0;
        e[SETREC_CH_ID] = bits & PAGE_A_ID_MASK;
        wire::put32(e, SETREC_CH_TERMINATION, static_cast<uint32_t>(termination));
        wire::put32(e, SETREC_CH_DOMAIN_VALIDATION, (bits & PAGE_A_DOMAIN_VALIDATION) != 0 ? 1 : 0);
    }
    r[SETREC_BIOS_MODE] = configPageA[PAGE_A_BIOS_MODE];
    r[SETREC_BIOS_WARNING] = configPageA[PAGE_A_BIOS_WARNING];
    r[SETREC_BIOS_DRIVES] = configPageA[PAGE_A_BIOS_DRIVES];
    r[SETREC_MEMORY_TEST] = configPageA[PAGE_A_MEMORY_TEST];
    r[SETREC_BOOT_COUNT] = configPageA[PAGE_A_BOOT_COUNT];
    std::memcpy(r + SETREC_BOOT_OPTIONS, configPageA + PAGE_A_BOOT_OPTIONS, PAGE_A_OPTION_BYTES);
    r[SETREC_OPTION_COUNT2] = configPageA[PAGE_A_OPTION_COUNT2];
    std::memcpy(r + SETREC_OPTIONS2, configPageA + PAGE_A_OPTIONS2, PAGE_A_OPTION_BYTES);
    return 1;
}

int CController::SetSettings(const SettingsRecord& record)
{
    const uint8_t* r = record.bytes;
    uint8_t page[CONFIG_PAGE_SIZE];
    std::memcpy(page, configPageA, sizeof page);
    page[PAGE_A_BIOS_MODE] = r[SETREC_BIOS_MODE];
    page[PAGE_A_BIOS_WARNING] = r[SETREC_BIOS_WARNING] != 0 ? 1 : 0;
    page[PAGE_A_BIOS_DRIVES] = r[SETREC_BIOS_DRIVES];
    page[PAGE_A_MEMORY_TEST] = r[SETREC_MEMORY_TEST] > PAGE_A_MEMORY_TEST_MAX ? 1 : r[SETREC_MEMORY_TEST];
    std::memset(page + PAGE_A_CLEARED, 0, PAGE_A_CLEARED_COUNT);

    const int channelsWithSettings = std::min(info.channelCount, PAGE_A_SETTINGS_CHANNELS);
    for (int c = 0; c < channelsWithSettings; ++c) {
        const uint8_t* e = r + SETREC_CHANNEL + SETREC_CHANNEL_SIZE * static_cast<size_t>(c);
        const auto termination = static_cast<int32_t>(wire::get32(e, SETREC_CH_TERMINATION));
        uint8_t bits = e[SETREC_CH_ID] & PAGE_A_ID_MASK;
        if (termination == SETREC_TERM_NOT_SETTABLE)
            bits |= page[PAGE_A_CHANNEL + c] & PAGE_A_TERMINATION;  // software cannot change it
        else if (termination != 0)
            bits |= PAGE_A_TERMINATION;
        if (wire::get32(e, SETREC_CH_DOMAIN_VALIDATION) != 0)
            bits |= PAGE_A_DOMAIN_VALIDATION;
        page[PAGE_A_CHANNEL + c] = bits;
        page[PAGE_A_TERM_SETTABLE + c] = wire::get32(e, SETREC_CH_TERM_SETTABLE) != 0 ? 1 : 0;
    }

    if (FirmwareVersion() < PAGE_A_OPTIONS2_FIRST_VERSION) {
        page[PAGE_A_OPTION_COUNT2] = 0;
    } else {
        const uint8_t n = OptionCount(r[SETREC_OPTION_COUNT2]);
        page[PAGE_A_OPTION_COUNT2] = n;
        std::memcpy(page + PAGE_A_OPTIONS2, r + SETREC_OPTIONS2, n);
    }
    return WriteConfigPage(page);
}

int CController::SetBootOptions(const SettingsRecord& record)
{
    uint8_t page[CONFIG_PAGE_SIZE];
    std::memcpy(page, configPageA, sizeof page);
    const uint8_t n = OptionCount(record.bytes[SETREC_BOOT_COUNT]);
    page[PAGE_A_BOOT_COUNT] = n;
    std::memcpy(page + PAGE_A_BOOT_OPTIONS, record.bytes + SETREC_BOOT_OPTIONS, n);
    return WriteConfigPage(page);
}

int CController::WriteConfigPage(uint8_t* page)
{
    wire::put32(page, 0, CONFIG_PAGE_SIZE);
    const CtlResult written = ctl_set_config_page(static_cast<uint16_t>(index), 0, page);
    if (written != 0) {
        // The object's page was never touched; the re-read keeps it the controller's.
        GetInfo();
        error = written;
        return 0;
    }
    // Once the page is written the operation stands; a later failure stays in the error word.
    CommitConfigPage();
    ModelError first = error;
    FinishConfigPage();
    if (first == 0)
        first = error;
    GetInfo();
    if (first == 0)
        first = error;
    error = first;
    return 1;
}

int CController::CommitConfigPage()
{
    for (int round = 0;; ++round) {
        uint8_t zero[4] = {};
        error = ctl_config_cmd_2c(static_cast<uint16_t>(index), 0, zero);
        if (error != kFlashAsked)
            return error == 0 ? 1 : 0;
        // The controller keeps asking: give up after the last round, with its status.
        if (round == kMaxCommitFlashRounds)
            return 0;
        if (round > 0)
            ModelPauseMs(kCommitRoundPauseMs);
        if (!RunCommitFlashRound())
            return 0;
    }
}

int CController::FinishConfigPage()
{
    uint8_t zero[4] = {};
    error = ctl_config_cmd_2d(static_cast<uint16_t>(index), 0, zero);
    return error == 0 ? 1 : 0;
}

int CController::SetCacheMode(int cache, int delayedWrite)
{
    uint8_t params[CACHE_PARAMS_SIZE];
    std::memcpy(params, cacheInfo, sizeof params);
    wire::put16(params, CACHE_INFO_CACHE_ON, static_cast<uint16_t>(cache));
    wire::put16(params, CACHE_INFO_DELAYED_WRITE, static_cast<uint16_t>(delayedWrite));
    error = ctl_write_cache_config(static_cast<uint16_t>(index), params);
    if (error != 0)
        return 0;
    GetInfo();
    return 1;
}

int CController::CacheSetNumber(int set) const
{
    if (set < 0 || set > CACHE_PARAM_MAX_SET)
        return -1;
    return set + (info.featureByte != 0 ? SETTINGS_SET_FEATURE_BASE : 0);
}

int CController::GetCacheParameters(int set, uint8_t* record)
{
    const int number = CacheSetNumber(set);
    if (number < 0 || record == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    record[CACHE_PARAM_SET] = static_cast<uint8_t>(number);
    error = ctl_get_settings_page_31(static_cast<uint16_t>(index), record);
    return error == 0 ? 1 : 0;
}

int CController::SetCacheParameters(int set, uint8_t* record)
{
    const int number = CacheSetNumber(set);
    if (number < 0 || record == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    uint8_t limits[CACHE_LIMITS_SIZE] = {};
    wire::put32(limits, CACHE_LIMITS_NUM_SETS, wire::get32(record, CACHE_PARAM_NUM_SETS));
    wire::put32(limits, CACHE_LIMITS_BLOCK_SIZE, wire::get32(record, CACHE_PARAM_BLOCK_SIZE));
    wire::put32(limits, CACHE_LIMITS_PARITY_FRACTION, wire::get32(record, CACHE_PARAM_PARITY_FRACTION));
    error = ctl_get_settings_record_34(static_cast<uint16_t>(index), limits);
    if (error != 0)
        return 0;
    const uint32_t largest = wire::get32(limits, CACHE_LIMITS_PARITY_FRACTION);
    if (wire::get32(record, CACHE_PARAM_PARITY_FRACTION) > largest)
        wire::put32(record, CACHE_PARAM_PARITY_FRACTION, largest);
    record[CACHE_PARAM_CACHE_ON] = static_cast<uint8_t>(CacheSwitch());
    record[CACHE_PARAM_DELAYED_WRITE] = static_cast<uint8_t>(DelayedWriteSwitch());
    record[CACHE_PARAM_SET] = static_cast<uint8_t>(number);
    error = ctl_set_settings_page_32(static_cast<uint16_t>(index), record);
    return error == 0 ? 1 : 0;
}

int CController::ActivateCacheParameters(int set)
{
    uint8_t record[CACHE_PARAM_RECORD_SIZE] = {};
    // A set that cannot be read is not activated: a zeroed set would replace the active one.
    if (!GetCacheParameters(set, record))
        return 0;
    record[CACHE_PARAM_SET] = static_cast<uint8_t>(CacheSetNumber(0));
    record[CACHE_PARAM_SET_FIELD] = static_cast<uint8_t>(CacheSetNumber(set));
    error = ctl_set_settings_page_32(static_cast<uint16_t>(index), record);
    if (error != 0)
        return 0;
    GetInfo();
    return 1;
}

int CController::ResetCacheParameters(int set)
{
    const int number = CacheSetNumber(set);
    if (number < 0) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    uint8_t record[CACHE_PARAM_RECORD_SIZE] = {};
    record[CACHE_PARAM_SET] = static_cast<uint8_t>(number);
    error = ctl_set_settings_page_33(static_cast<uint16_t>(index), record);
    if (error != 0)
        return 0;
    GetInfo();
    return 1;
}

int CController::SetNonBuildMode(int on)
{
    uint8_t param[CONTROLLER_PARAM_SIZE] = {};
    wire::put32(param, CONTROLLER_PARAM_KIND, CONTROLLER_PARAM_NON_BUILD);
    param[CONTROLLER_PARAM_WRITE] = 1;
    param[CONTROLLER_PARAM_FLAGS] = on ? 1 : 0;
    error = ctl_get_controller_param_6e(static_cast<uint16_t>(index), param, sizeof param);
    if (error != 0)
        return 0;
    GetInfo();
    return 1;
}

int CController::ClearLogBuffer()
{
    error = ctl_clear_log_buffer(static_cast<uint16_t>(index));
    return error == 0 ? 1 : 0;
}
