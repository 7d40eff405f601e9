#include "disk_initialize.h"

#include "byte_order.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_menu.h"
#include "disk_lines.h"
#include "error_message.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "record_values.h"

namespace {

constexpr size_t infoCacheAllowed = 51;
constexpr uint8_t modeWide = 0x10;
constexpr uint8_t modeDoubleTransition = 0x20;
constexpr uint32_t dvCacheFixed = 0x02;     // bit 1: the write cache cannot be changed
constexpr uint8_t cacheOldBit = 0x01;
constexpr uint8_t cacheReadBit = 0x20;
constexpr uint8_t cacheWriteBit = 0x08;
constexpr uint8_t paramRead = 0x10;
constexpr uint8_t paramWrite = 0x04;

MenuDef diskEnabledMenu = {30, 10, 0, nullptr, nullptr, {{"Disabled", 0}, {"Enabled", 1}, {nullptr, 0}}};
MenuDef diskOnOffMenu = {30, 10, 0, nullptr, nullptr, {{"Off", 0}, {"On", 1}, {nullptr, 0}}};

// The rate menus by bus type and what they do to the transfer mode bits.
struct BusRule {
    int low;
    int high;
    MenuDef menu;
    int ids[5];
    int setWide;    // 1 set, 0 clear, -1 unchanged
    int setDouble;
    const char* hint;
};

BusRule busRules[] = {
    {4, 4, {30, 10, 0, " MB/s ", nullptr, {{" 20.0 ", 200}, {" 10.0 ", 100}, {"  5.0 ", 50}, {nullptr, 0}}},
     {200, 100, 50, 0}, 1, 0, nullptr},
    {5, 5, {30, 10, 0, " MB/s ", nullptr, {{" 20.0 ", 200}, {" 10.0 ", 100}, {"  5.0 ", 50}, {nullptr, 0}}},
     {200, 100, 50, 0}, 0, 0, nullptr},
    {6, 6, {30, 10, 0, " MB/s ", nullptr,
            {{" 40.0 ", 400}, {" 20.0 ", 200}, {" 10.0 ", 100}, {"  5.0 ", 50}, {nullptr, 0}}},
     {400, 200, 100, 50, 0}, 1, 0, nullptr},
    {7, 7, {30, 10, 0, " MB/s ", nullptr,
            {{" 80.0 ", 800}, {" 40.0 ", 400}, {" 20.0 ", 200}, {" 10.0 ", 100}, {nullptr, 0}}},
     {800, 400, 200, 100, 0}, 1, 0, nullptr},
    {8, 9, {30, 10, 0, " MB/s ", nullptr,
            {{"160.0 ", 1600}, {" 80.0 ", 800}, {" 40.0 ", 400}, {" 20.0 ", 200}, {nullptr, 0}}},
     {1600, 800, 400, 200, 0}, 1, 1, " F4: Advanced Configuration "},
    {10, 12, {30, 10, 0, " MB/s ", nullptr, {{nullptr, 0}}}, {0}, -1, -1, nullptr},
};
BusRule otherBuses = {0, 255, {30, 10, 0, " MB/s ", nullptr,
                               {{" 10.0 ", 100}, {"  8.0 ", 80}, {"  5.0 ", 50}, {"  4.0 ", 40}, {nullptr, 0}}},
                      {100, 80, 50, 40, 0}, 0, 0, nullptr};

BusRule& RuleFor(uint8_t busType)
{
    for (BusRule& r : busRules)
        if (busType >= r.low && busType <= r.high)
            return r;
    return otherBuses;
}

bool AutomaticBus(uint8_t busType)
{
    return busType >= 10 && busType <= 12;
}

MenuDef scsiMenu = {20, 5, 0, " Initialize SCSI Disk ", nullptr,
                    {{"&Sync. Transfer ............. (%s)", 0},
                     {"Syn&c. Transfer Rate ........ (%ld.%ld MB/s)", 1},
                     {"&Disconnect ................. (%s)", 2},
                     {"Disk &Read Cache ............ (%s)", 3},
                     {"Disk &Write Cache ........... (%s)", 4},
                     {"&Tagged Queues .............. (%s)", 5},
                     {nullptr, 0}}};
MenuDef sataMenu = {20, 5, 0, " Initialize SATA Disk ", nullptr,
                    {{"Disk &Write Cache ............ (%s)", 0}, {nullptr, 0}}};
MenuDef fcMenu = {20, 5, 0, " Initialize FC Disk ", nullptr,
                  {{"&Disconnect ................. (%s)", 0},
                   {"Disk &Read Cache ............ (%s)", 1},
                   {"Disk &Write Cache ........... (%s)", 2},
                   {"&Tagged Queues .............. (%s)", 3},
                   {nullptr, 0}}};
MenuDef advancedDiskMenu = {20, 5, 0, " Advanced Disk Configuration ", nullptr,
                        {{"D&omain validation .......... (%s)", 0}, {nullptr, 0}}};

const char* EnabledText(int v)
{
    return v ? "Enabled" : "Disabled";
}

const char* OnText(int v)
{
    return v ? "On" : "Off";
}

// The disk's values as the dialogs start them.
struct DiskValues {
    int sync;
    uint32_t rate;
    uint8_t mode;
    int disconnect;
    int tagged;
    uint32_t dv;
    uint8_t format;
    int readCache;
    int writeCache;
    bool initialised;
};

DiskValues ReadValues(const CController& controller, const CPhysDrive& disk)
{
    const uint8_t* info = disk.GetInfo();
    DiskValues v{};
    v.sync = info[DEVINFO_SYNC];
    v.rate = wire::get32(info, DEVINFO_RATE);
    v.mode = info[DEVINFO_TRANSFER_MODE];
    v.disconnect = info[DEVINFO_DISCONNECT];
    v.tagged = info[DEVINFO_TAGGED];
    v.initialised = info[DEVINFO_INITIALISED] != 0;
    v.dv = wire::get32(info, DEVINFO_DOMAIN_VALIDATION);
    if (!v.initialised)
        v.dv &= ~dvValidation;
    v.format = info[DEVINFO_FORMAT];
    if (controller.FirmwareLevel() < newLevel) {
        v.readCache = v.writeCache = (info[DEVINFO_CACHE] & cacheOldBit) ? 1 : 0;
    } else {
        v.readCache = (info[DEVINFO_CACHE] & cacheReadBit) ? 1 : 0;
        v.writeCache = (info[DEVINFO_CACHE] & cacheWriteBit) ? 1 : 0;
    }
    return v;
}

// The question after a dialog and the initialisation it allows.
void AskAndInitialize(CPhysDrive& disk, const DiskValues& v, bool changed, DiskParameters p)
{
    if (v.initialised && !changed)
        return;
    if (!AskYesNo(MessageText(v.initialised ? "M3001" : "M3002"), 0))
        return;
    p.diskFormat = v.initialised ? v.format : 2;
    ShowWaitBox(MessageText("M2000"), 0);
    const int ok = disk.Initialize(&p);
    CloseWaitBox();
    if (!ok)
        ShowErrorCode(disk.error);
}

// The parameters the SATA and Fibre Channel dialogs keep from the disk.
DiskParameters KeptParameters(const DiskValues& v)
{
    DiskParameters p;
    p.transferMode = TRANSFER_MODE_PROBE;
    p.disconnect = static_cast<uint8_t>(v.disconnect);
    p.syncTransfer = static_cast<uint8_t>(v.sync);
    p.taggedQueues = static_cast<uint8_t>(v.tagged);
    p.transferRate = v.rate;
    p.domainValidation = v.dv;
    return p;
}

}  // namespace

const int* RateIdsForBusType(uint8_t busType)
{
    return RuleFor(busType).ids;
}

int AdvancedDiskConfiguration(CPhysDrive&, uint32_t* dv)
{
    const uint32_t start = *dv;
    for (;;) {
        int on = (*dv & dvValidation) == dvValidation ? 1 : 0;
        CTagMenu menu(&advancedDiskMenu, 0);
        menu.SetItemText(0, OnText(on));
        if (!menu.IsOk() || !menu.Open()) {
            ShowMessage(MessageText("M4000"), 0, 1);
            break;
        }
        const int chosen = menu.Run(0);
        if (chosen != 0)
            break;
        if (PickValue(&diskOnOffMenu, &on))
            *dv = on ? (*dv | dvValidation) : (*dv & ~dvValidation);
    }
    return *dv != start ? 1 : 0;
}

namespace {

// The transfer mode bits the bus rule sets or clears.
void ApplyBusRule(const BusRule& rule, DiskValues& v)
{
    if (rule.setWide >= 0)
        v.mode = static_cast<uint8_t>(rule.setWide ? (v.mode | modeWide) : (v.mode & ~modeWide));
    if (rule.setDouble >= 0)
        v.mode = static_cast<uint8_t>(rule.setDouble ? (v.mode | modeDoubleTransition)
                                                     : (v.mode & ~modeDoubleTransition));
}

// The SCSI dialog's rows with the current values.
void FillScsiMenu(CTagMenu& menu, const DiskValues& v)
{
    menu.SetItemTextById(0, EnabledText(v.sync));
    menu.SetItemTextById(1, static_cast<long>(v.rate / 1000), static_cast<long>(v.rate % 1000 / 100));
    menu.SetItemTextById(2, EnabledText(v.disconnect));
    menu.SetItemTextById(3, OnText(v.readCache));
    menu.SetItemTextById(4, OnText(v.writeCache));
    menu.SetItemTextById(5, OnText(v.tagged));
}

// The rows that cannot be changed: the caches and queues without cache
// support, the rate without synchronous transfer.
void DisableScsiItems(CTagMenu& menu, const DiskValues& v, bool cacheAllowed)
{
    if (!cacheAllowed) {
        menu.DisableItem(3);
        menu.DisableItem(4);
        menu.DisableItem(5);
    }
    if (!v.sync)
        menu.DisableItem(1);
}

// Lets the user pick a new value for SCSI dialog row chosen; true when it changed.
bool ChangeScsiItem(int chosen, BusRule& rule, DiskValues& v, bool newFirmware)
{
    switch (chosen) {
    case 0:
        return PickValue(&diskEnabledMenu, &v.sync) != 0;
    case 1: {
        int id = -1;
        if (!PickValue(&rule.menu, &id))
            return false;
        v.rate = static_cast<uint32_t>(id) * 100;
        return true;
    }
    case 2:
        return PickValue(&diskEnabledMenu, &v.disconnect) != 0;
    case 3:
        if (!PickValue(&diskOnOffMenu, &v.readCache))
            return false;
        if (!newFirmware)
            v.writeCache = v.readCache;
        return true;
    case 4:
        if (newFirmware && (v.dv & dvCacheFixed))
            return false;
        if (!PickValue(&diskOnOffMenu, &v.writeCache))
            return false;
        if (!newFirmware)
            v.readCache = v.writeCache;
        return true;
    case 5:
        return PickValue(&diskOnOffMenu, &v.tagged) != 0;
    default:
        return false;
    }
}

// The initialisation parameters from the SCSI dialog's values.
DiskParameters ScsiParameters(const DiskValues& v, uint8_t bus, bool newFirmware)
{
    DiskParameters p;
    p.transferMode = bus >= 8 && bus <= 12 ? 49 : TRANSFER_MODE_PROBE;
    p.disconnect = static_cast<uint8_t>(v.disconnect);
    p.syncTransfer = static_cast<uint8_t>(v.sync);
    p.cacheBits = newFirmware ? static_cast<uint8_t>((v.readCache ? paramRead : 0) | (v.writeCache ? paramWrite : 0))
                              : static_cast<uint8_t>(v.readCache);
    p.taggedQueues = static_cast<uint8_t>(v.tagged);
    p.transferRate = v.rate;
    p.domainValidation = v.dv;
    return p;
}

}  // namespace

int InitializeScsiDisk(CController& controller, CPhysDrive& disk)
{
    DiskValues v = ReadValues(controller, disk);
    const uint8_t bus = ChannelBusType(controller, disk.GetChannel());
    BusRule& rule = RuleFor(bus);
    ApplyBusRule(rule, v);
    const bool automatic = AutomaticBus(bus);
    const bool newFirmware = controller.FirmwareLevel() >= newLevel;
    const bool cacheAllowed = v.mode != 0 && disk.GetInfo()[infoCacheAllowed] != 0;
    const int keys[] = {tui::keyF(4), tui::keyF(2), -1};
    bool changed = false;
    int current = 0;
    for (;;) {
        CTagMenu menu(&scsiMenu, 1);
        FillScsiMenu(menu, v);
        if (!menu.IsOk() || !menu.Open(nullptr, rule.hint)) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        DisableScsiItems(menu, v, cacheAllowed);
        int key = 0;
        const int chosen = menu.Run(current, keys, &key);
        if (chosen == -3) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        if (chosen < 0)
            break;
        current = chosen;
        const bool cacheItem = key == 0 && (chosen == 3 || chosen == 4);
        if (automatic && !cacheItem) {
            ShowMessage(MessageText("M5069"), 0, 1);
            continue;
        }
        if (key != 0) {
            if (bus == 8 || bus == 9)
                changed |= AdvancedDiskConfiguration(disk, &v.dv) != 0;
            continue;
        }
        changed |= ChangeScsiItem(chosen, rule, v, newFirmware);
    }
    AskAndInitialize(disk, v, changed, ScsiParameters(v, bus, newFirmware));
    return 1;
}

int InitializeSataDisk(CController& controller, CPhysDrive& disk)
{
    DiskValues v = ReadValues(controller, disk);
    const bool newFirmware = controller.FirmwareLevel() >= newLevel;
    bool changed = false;
    for (;;) {
        CTagMenu menu(&sataMenu, 1);
        menu.SetItemText(0, OnText(v.writeCache));
        if (!menu.IsOk() || !menu.Open()) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        const int chosen = menu.Run(0);
        if (chosen == -3)
            ShowMessage(MessageText("M4000"), 0, 1);
        if (chosen != 0)
            break;
        if (!(newFirmware && (v.dv & dvCacheFixed)))
            changed |= PickValue(&diskOnOffMenu, &v.writeCache) != 0;
    }
    DiskParameters p = KeptParameters(v);
    p.cacheBits = newFirmware ? static_cast<uint8_t>(v.writeCache ? paramWrite : 0)
                              : static_cast<uint8_t>(v.writeCache);
    AskAndInitialize(disk, v, changed, p);
    return 1;
}

int InitializeFcDisk(CController& controller, CPhysDrive& disk)
{
    DiskValues v = ReadValues(controller, disk);
    const uint8_t* info = disk.GetInfo();
    v.readCache = (info[DEVINFO_CACHE] & cacheReadBit) ? 1 : 0;
    v.writeCache = (info[DEVINFO_CACHE] & cacheWriteBit) ? 1 : 0;
    bool changed = false;
    int current = 1;
    for (;;) {
        CTagMenu menu(&fcMenu, 1);
        menu.SetItemTextById(0, EnabledText(v.disconnect));
        menu.SetItemTextById(1, OnText(v.readCache));
        menu.SetItemTextById(2, OnText(v.writeCache));
        menu.SetItemTextById(3, OnText(v.tagged));
        if (!menu.IsOk() || !menu.Open()) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        menu.DisableItem(0);
        menu.DisableItem(3);
        const int chosen = menu.Run(current);
        if (chosen == -3)
            ShowMessage(MessageText("M4000"), 0, 1);
        if (chosen == 1) {
            changed |= PickValue(&diskOnOffMenu, &v.readCache) != 0;
        } else if (chosen == 2) {
            if (!(v.dv & dvCacheFixed))
                changed |= PickValue(&diskOnOffMenu, &v.writeCache) != 0;
        } else {
            break;
        }
        current = chosen;
    }
    DiskParameters p = KeptParameters(v);
    p.cacheBits = static_cast<uint8_t>((v.readCache ? paramRead : 0) | (v.writeCache ? paramWrite : 0));
    AskAndInitialize(disk, v, changed, p);
    return 1;
}
