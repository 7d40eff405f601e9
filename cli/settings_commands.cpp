#include "settings_commands.h"

#include "byte_order.h"
#include "messages.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr uint32_t kChangedFlag = 0x01;            // the controller's flag word: a setting changed
constexpr uint8_t kCdBootBit = 0x80;               // page A byte 102
constexpr uint8_t kBootOptionsKept = 0x4F;         // bits of byte 102 a CD boot change keeps
constexpr uint8_t kDiskStartOffBit = 0x01;         // page A byte 365: immediate hard disk start off
constexpr uint32_t kTwoBootOptionsVersion = 0x1B0001;
constexpr uint32_t kDiskStartVersion = 0x1BFFFF;   // above it the page has the disk start switch
constexpr uint32_t kSevenDrivesPageVersion = 0x50001;  // above it page byte 15 counts
constexpr uint8_t kSecondOptionsWritten = 2;

// The three lines of a switch read from the cache information.
struct SwitchLines {
    const char* off;
    const char* on;
    const char* unknown;
};

constexpr SwitchLines kCacheLines = {"Cache setting is OFF\n", "Cache setting is ON \n",
                                     "ERROR: Cache setting cannot be determined ???? \n"};
constexpr SwitchLines kDelayedWriteLines = {"Delayed Write setting is OFF\n", "Delayed Write setting is ON \n",
                                            "ERROR: Delayed Write setting cannot be determined ???? \n"};

void PrintSwitch(const SwitchLines& lines, uint16_t value)
{
    std::printf("%s", value == 0 ? lines.off : value == 1 ? lines.on : lines.unknown);
}

// A BIOS mode byte with its status line and the line of a change to it.
struct BiosMode {
    int value;
    const char* shown;
    const char* assigned;
};

constexpr BiosMode kBiosModes[] = {
    {1, "BIOS is enabled.\n", "INFO: BIOS is enabled.\n"},
    {0, "BIOS is removed.\n", "INFO: BIOS is removed.\n"},
    {3, "BIOS is disabled.\n", "INFO: BIOS is disabled.\n"},
};
constexpr const char* kBiosUnknown = "ERROR: BIOS setting cannot be determined.\n";

const BiosMode* FindBiosMode(int value)
{
    for (const BiosMode& mode : kBiosModes)
        if (mode.value == value)
            return &mode;
    return nullptr;
}

bool DiskStartOn(const CController& controller)
{
    return controller.FirmwareVersion() > kDiskStartVersion &&
           (controller.configPageA[PAGE_A_OPTIONS2] & kDiskStartOffBit) == 0;
}

// The cache or delayed-write change through the cache mode write.
int WriteCacheMode(CController& controller, int cache, int delayedWrite, int on, const char* what)
{
    if (controller.SetCacheMode(cache, delayedWrite) != 1) {
        PrintErrorCode(controller.error);
        return -1;
    }
    Emit("%s%s", on ? "INFO: Enabled " : "INFO: Disabled ", what);
    return 0;
}

int AssignCdBoot(CController& controller, int on)
{
    const uint8_t* page = controller.configPageA;
    SettingsRecord record;
    record.bytes[SETREC_BOOT_COUNT] = controller.FirmwareVersion() < kTwoBootOptionsVersion ? 1 : 2;
    record.bytes[SETREC_BOOT_OPTIONS] =
        static_cast<uint8_t>((page[PAGE_A_BOOT_OPTIONS] & kBootOptionsKept) | (on ? kCdBootBit : 0));
    record.bytes[SETREC_BOOT_OPTIONS + 1] = page[PAGE_A_BOOT_OPTIONS + 1];
    if (controller.SetBootOptions(record) != 1) {
        PrintErrorCode(controller.error);
        return -1;
    }
    controller.AddFlags(kChangedFlag);
    Emit("%s", on ? "INFO: Enabled CD boot. \n" : "INFO: Disabled CD boot \n");
    return 0;
}

// The settings record as the controller's page A holds it now.
SettingsRecord SettingsFromPage(CController& controller)
{
    SettingsRecord record;
    controller.GetSettings(record);
    const uint8_t* page = controller.configPageA;
    uint8_t* r = record.bytes;
    r[SETREC_BIOS_MODE] = page[PAGE_A_BIOS_MODE];
    r[SETREC_BIOS_WARNING] = page[PAGE_A_BIOS_WARNING];
    r[SETREC_BIOS_DRIVES] = wire::get32(page, 4) > kSevenDrivesPageVersion ? page[PAGE_A_BIOS_DRIVES] : 0;
    r[SETREC_MEMORY_TEST] = page[PAGE_A_MEMORY_TEST];
    const int channels = std::min(controller.info.channelCount, PAGE_A_SETTINGS_CHANNELS);
    for (int c = 0; c < channels; ++c) {
        uint8_t* e = r + SETREC_CHANNEL + SETREC_CHANNEL_SIZE * static_cast<size_t>(c);
        const uint8_t bits = page[PAGE_A_CHANNEL + c];
        const int32_t termination = page[PAGE_A_TERM_SETTABLE + c] == 0 ? SETREC_TERM_NOT_SETTABLE
                                    : (bits & PAGE_A_TERMINATION) != 0  ? 1
                                                                        : 0;
        e[SETREC_CH_ID] = bits & PAGE_A_ID_MASK;
        wire::put32(e, SETREC_CH_TERMINATION, static_cast<uint32_t>(termination));
        wire::put32(e, SETREC_CH_TERM_SETTABLE, termination != SETREC_TERM_NOT_SETTABLE ? 1 : 0);
        wire::put32(e, SETREC_CH_DOMAIN_VALIDATION, (bits & PAGE_A_DOMAIN_VALIDATION) != 0 ? 1 : 0);
    }
    r[SETREC_OPTION_COUNT2] = kSecondOptionsWritten;
    return record;
}

// Disk start and BIOS in one settings write. Each INFO line comes as its
// field is filled, before the write; a refused write follows them with its
// error.
int AssignPageSettings(CController& controller, int hdStart, int bios)
{
    SettingsRecord record = SettingsFromPage(controller);
    if (hdStart != -1) {
        uint8_t& options = record.bytes[SETREC_OPTIONS2];
        if (hdStart == 1) {
            options &= static_cast<uint8_t>(~kDiskStartOffBit);
            Emit("INFO: Enabled Immediate Harddisk startup \n");
        } else {
            options |= kDiskStartOffBit;
            Emit("INFO: Disabled Immediate Harddisk startup \n");
        }
    }
    if (bios != -1) {
        const BiosMode* mode = FindBiosMode(bios);
        if (mode == nullptr) {
            Emit("%s", kBiosUnknown);
            return -1;
        }
        record.bytes[SETREC_BIOS_MODE] = static_cast<uint8_t>(mode->value);
        Emit("%s", mode->assigned);
    }
    if (controller.SetSettings(record) != 1) {
        PrintErrorCode(controller.error);
        return -1;
    }
    if (bios != -1)
        controller.AddFlags(kChangedFlag);
    return 0;
}

}  // namespace

int ShowSettings(const CController& controller, const SettingsShown& shown)
{
    const uint8_t* page = controller.configPageA;
    if (shown.cache)
        PrintSwitch(kCacheLines, controller.CacheSwitch());
    if (shown.delayedWrite)
        PrintSwitch(kDelayedWriteLines, controller.DelayedWriteSwitch());
    if (shown.cdBoot)
        std::printf("%s", (page[PAGE_A_BOOT_OPTIONS] & kCdBootBit) != 0 ? "CD Boot setting is ON \n"
                                                                         : "CD Boot setting is OFF\n");
    if (shown.hdStart)
        std::printf("%s", DiskStartOn(controller) ? "Immediate HardDisk start setting is ON \n"
                                                  : "Immediate HardDisk start setting is OFF\n");
    if (shown.bios) {
        const BiosMode* mode = FindBiosMode(page[PAGE_A_BIOS_MODE]);
        std::printf("%s", mode != nullptr ? mode->shown : kBiosUnknown);
    }
    return 0;
}

int SetCache(CController& controller, int on)
{
    return WriteCacheMode(controller, on, controller.DelayedWriteSwitch(), on, " controller cache \n");
}

int SetDelayedWrite(CController& controller, int on)
{
    if (on && controller.CacheSwitch() == 0)
        Emit("WARNING: Controller Cache is disabled. Enabling Delayed write has no effect \n");
    return WriteCacheMode(controller, controller.CacheSwitch(), on, on, " controller delayed write \n");
}

int AssignSettings(CController& controller, int cache, int delayedWrite, int cdBoot, int hdStart, int bios)
{
    if (cache != -1 && SetCache(controller, cache) != 0)
        return -1;
    if (delayedWrite != -1 && SetDelayedWrite(controller, delayedWrite) != 0)
        return -1;
    if (cdBoot != -1 && AssignCdBoot(controller, cdBoot) != 0)
        return -1;
    if (hdStart == -1 && bios == -1)
        return 0;
    return AssignPageSettings(controller, hdStart, bios);
}
