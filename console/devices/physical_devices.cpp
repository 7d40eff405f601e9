#include "physical_devices.h"

#include "hot_plug_procedure.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "byte_order.h"
#include "closing_scope.h"
#include "configure_disk.h"
#include "controller.h"
#include "dialog_list.h"
#include "dialog_menu.h"
#include "disk_lines.h"
#include "error_message.h"
#include "hot_plug_procedure.h"
#include "input_box.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

constexpr size_t infoReservedForRaw = 76;  // bit 0 on a device that is not a disk
constexpr size_t infoFcFirstPort = 81;
constexpr size_t infoFcSecondPort = 84;
constexpr size_t infoFcSecondChannel = 85;
constexpr size_t infoFcRevision = 88;
constexpr size_t infoFcFrameSize = 90;
constexpr size_t infoFcWwnHigh = 92;
constexpr size_t infoFcWwnLow = 96;
constexpr uint32_t recordFailed = 0xFFFFFFFF;
constexpr int allTargets = -2;
constexpr uint8_t sataSingleBus = 65;

const int listKeys[] = {tui::keyF(2), tui::keyF(4), tui::keyF(5), tui::keyF(8), -1};

MenuDef channelMenu = {15, 11, 0, " Channel ", nullptr,
                       {{" %-7s ", 0}, {" %-7s ", 1}, {" %-7s ", 2}, {" %-7s ", 3}, {" %-7s ", 4}, {" %-7s ", 5},
                        {nullptr, 0}}};
InputDef scanIdInput = {20, 11, 0, "'*' to scan all, or '0'..'%d':  ", 3};

uint8_t KindOf(const CController& controller, int channel)
{
    return channel >= 0 && channel < CONTROLLER_MAX_CHANNELS ? controller.channels[channel].kind : 0;
}

// The highest target ID a rescan may name on the channel.
int HighestScanId(const CController& controller, int channel)
{
    switch (KindOf(controller, channel)) {
    case CHANNEL_KIND_FC:
        return 127;
    case CHANNEL_KIND_SATA:
        return ChannelBusType(controller, channel) == sataSingleBus ? 1 : 4;
    default:
        return 15;
    }
}

// ENTER on a disk or enclosure processor: the ownership checks, then the menu.
void OpenDisk(CController& controller, CPhysDrive& device)
{
    if (controller.FirmwareLevel() >= 30 && device.ReadOwnership() && OwnedByOtherController(controller, device)) {
        const uint8_t* own = device.GetOwnership();
        if (own[OWNERSHIP_FLAGS + 2] != 0) {
            ShowMessage(MessageText("M4048"), 1, 1);
            return;
        }
        if (wire::get32(own, OWNERSHIP_VALUE1) != wire::get32(own, OWNERSHIP_VALUE2))
            ShowMessage(MessageText("M4049"), 1, 1);
    }
    ConfigureDisk(controller, device);
}

void OpenDevice(CController& controller, CPhysDrive& device)
{
    if (device.DeviceType() == DEVICE_TYPE_DISK || device.IsEnclosureProcessor()) {
        OpenDisk(controller, device);
        return;
    }
    if (device.DeviceType() == DEVICE_TYPE_IO_PROCESSOR) {
        const uint8_t kind = KindOf(controller, device.GetChannel());
        ShowMessage(MessageText(kind == CHANNEL_KIND_FC     ? "M0007"
                                : kind == CHANNEL_KIND_SATA ? "M0011"
                                                            : "M0002"),
                    0, 1);
        return;
    }
    const bool raw = controller.FirmwareLevel() >= 19 && (device.GetInfo()[infoReservedForRaw] & 1) != 0;
    ShowMessage(MessageText(raw ? "M5002" : "M5001"), 0, 1);
}

// F2 or F4 on a device.
void ExtendedInformation(CController& controller, CPhysDrive& device)
{
    const int channel = device.GetChannel();
    if (KindOf(controller, channel) != CHANNEL_KIND_FC) {
        ShowMessage(MessageText("M5028"), 0, 1);
        return;
    }
    if (device.DeviceType() == DEVICE_TYPE_DISK && device.GetInfo()[infoFcExtended] != 0) {
        ShowFcPortStatus(controller, device);
        return;
    }
    if (device.DeviceType() == DEVICE_TYPE_IO_PROCESSOR) {
        const ControllerChannel& ch = controller.channels[channel];
        if (wire::get32(ch.loop, 0) != recordFailed && wire::get32(ch.port, 0) != recordFailed) {
            FibreChannelInformation(controller, channel);
            return;
        }
    }
    ShowMessage(MessageText("M5028"), 0, 1);
}

void Rescan(CController& controller)
{
    int channel = 0;
    int target = 0;
    if (!AskRescanTarget(controller, &channel, &target))
        return;
    const int before = controller.physDrives.count;
    ClosingScope rescan = WaitBoxScope();
    const int ok = target == allTargets ? controller.RescanChannel(channel, 1)
                                        : controller.RescanTarget(channel, target, 1);
    rescan.release();
    if (!ok)
        ShowErrorCode(controller.error);
    if (controller.physDrives.count != before)
        controller.AddFlags(1);
}

// Texts of the Fibre Channel information items.
const char* CodeText(uint32_t value, uint32_t known, const char* id)
{
    return MessageText(value == known ? id : "M1099");
}

std::string JoinedBytes(const uint8_t* p, int count, bool stopAtZero, const char* (*text)(uint8_t))
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (stopAtZero && p[i] == 0)
            break;
        if (!out.empty())
            out += ", ";
        out += text(p[i]);
    }
    return out;
}

const char* MediaText(uint16_t v)
{
    return v == 1 ? MessageText("M1060") : v == 100 ? MessageText("M1061") : v == 0 ? "" : MessageText("M1099");
}

const char* StatusText(uint32_t v)
{
    switch (v) {
    case 0:
        return MessageText("M1065");
    case 16:
        return MessageText("M1067");
    case 17:
        return MessageText("M1066");
    case 0xFFF00000:
        return MessageText("M1068");
    default:
        return MessageText("M1099");
    }
}

std::string RevisionText(uint16_t tenths, const char* format)
{
    if (tenths == 0)
        return "";
    char out[32];
    tui::strPrintf(out, format, tenths / 10, tenths % 10);
    return out;
}

std::string FixedText(const uint8_t* p, size_t size)
{
    return std::string(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), size));
}

MenuDef fcInfoMenu = {10, 3, 1, " Fibre Channel Information ", nullptr,
                      {{"--- General Settings ---", 0},
                       {"Supported link speeds [MBaud] .... %s", 1},
                       {"Supported media types ............ %s", 2},
                       {"                                   %s", 3},
                       {"GLM chip name, revision .......... %s %s", 4},
                       {"IO processor name, revision ...... %s %s", 5},
                       {"Fibre Channel World Wide Name .... %s", 6},
                       {"Lowest and highest ANSI version .. %s/%s", 7},
                       {"Supported topologies ............. %s", 8},
                       {"Supported upper level protocols .. %s", 9},
                       {"Min. and max. frame size [Bytes] . %d/%d", 10},
                       {"Supported service classes ........ %s", 11},
                       {"", 12},
                       {"--- Current Settings ---", 13},
                       {"Current topology ................. %s", 14},
                       {"FC-AL physical address ........... %ld", 15},
                       {"Physical link speed [MBaud] ...... %ld", 16},
                       {"Fibre channel status ............. %s", 17},
                       {nullptr, 0}}};

void FillFcInformation(CTagMenu& menu, const ControllerChannel& ch)
{
    const uint8_t* l = ch.loop;
    const uint8_t* p = ch.port;
    std::string speeds;
    for (int i = 0; i < 8; ++i) {
        const uint16_t v = wire::get16(l, 4 + 2 * static_cast<size_t>(i));
        if (v == 0)
            break;
        speeds += (speeds.empty() ? "" : ", ") + std::to_string(v);
    }
    menu.SetItemTextById(1, speeds);
    menu.SetItemTextById(2, MediaText(wire::get16(l, 20)));
    menu.SetItemTextById(3, MediaText(wire::get16(l, 22)));
    menu.SetItemTextById(4, FixedText(l + 36, 32), RevisionText(wire::get16(l, 68), "Rev %d.%d"));
    menu.SetItemTextById(5, FixedText(l + 70, 32), RevisionText(wire::get16(l, 102), "Rev. %d.%d"));
    char wwn[40];
    tui::strPrintf(wwn, "%lX%lX (hex.)", static_cast<long>(wire::get32(l, 104)),
                   static_cast<long>(wire::get32(l, 108)));
    menu.SetItemTextById(6, wwn);
    char low[12];
    char high[12];
    tui::strPrintf(low, "%d.%d", l[113] / 10, l[113] % 10);
    tui::strPrintf(high, "%d.%d", l[112] / 10, l[112] % 10);
    menu.SetItemTextById(7, low, high);
    menu.SetItemTextById(8, JoinedBytes(l + 114, 4, true, [](uint8_t v) { return CodeText(v, 3, "M1062"); }));
    menu.SetItemTextById(9, JoinedBytes(l + 118, 8, true, [](uint8_t v) { return CodeText(v, 8, "M1063"); }));
    menu.SetItemTextById(10, wire::get16(l, 126), wire::get16(l, 128));
    std::string classes;
    for (int i = 0; i < 8 && l[130 + i] != 0; ++i)
        classes += (classes.empty() ? "" : ", ") + std::to_string(l[130 + i]);
    menu.SetItemTextById(11, classes);
    menu.SetItemTextById(12);
    menu.SetItemTextById(14, CodeText(wire::get32(p, 4), 3, "M1062"));
    menu.SetItemTextById(15, static_cast<long>(wire::get32(p, 8)));
    menu.SetItemTextById(16, static_cast<long>(wire::get32(p, 12)));
    menu.SetItemTextById(17, StatusText(wire::get32(p, 16)));
}

// A disk whose configuration data F8 writes again: initialised, ready,
// writable, of 512-byte blocks on a usable channel.
bool IsRewritableDisk(const CController& controller, const CPhysDrive& d)
{
    const uint8_t* info = d.GetInfo();
    return d.DeviceType() == DEVICE_TYPE_DISK && controller.channels[d.GetChannel()].usable && info[DEVINFO_READY] &&
           info[DEVINFO_INITIALISED] && !info[infoWriteProtected] &&
           wire::get16(info, DEVINFO_BLOCK_SIZE) == DISK_BLOCK;
}

// The settings a disk keeps when its configuration data is written again.
DiskParameters OwnParameters(const CPhysDrive& d)
{
    const uint8_t* info = d.GetInfo();
    DiskParameters p;
    p.transferMode = info[DEVINFO_TRANSFER_MODE];
    p.disconnect = info[DEVINFO_DISCONNECT];
    p.syncTransfer = info[DEVINFO_SYNC];
    p.cacheBits = info[DEVINFO_CACHE];
    p.taggedQueues = info[DEVINFO_TAGGED];
    p.transferRate = wire::get32(info, DEVINFO_RATE);
    p.domainValidation = wire::get32(info, DEVINFO_DOMAIN_VALIDATION);
    p.diskFormat = info[DEVINFO_FORMAT];
    return p;
}

}  // namespace

int AskRescanTarget(CController& controller, int* channel, int* target)
{
    const int count = std::min(controller.info.channelCount, CONTROLLER_MAX_CHANNELS);
    if (count <= 0)
        return 0;
    int chosen;
    {
        CTagMenu menu(&channelMenu, 1, count);
        for (int c = 0; c < count; ++c) {
            char name[16];
            if (KindOf(controller, c) == CHANNEL_KIND_SATA)
                tui::strPrintf(name, "SATA-%c", 'A' + c);
            else
                tui::strPrintf(name, "%s", controller.channels[c].name);
            menu.SetItemText(c, name);
        }
        if (!menu.IsOk() || !menu.Open()) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 0;
        }
        chosen = menu.Run(-1);
        if (chosen == -3)
            ShowMessage(MessageText("M4000"), 0, 1);
        if (chosen < 0 || chosen >= count)
            return 0;
    }
    const int highest = HighestScanId(controller, chosen);
    char prompt[64];
    char title[48];
    tui::strPrintf(prompt, scanIdInput.prompt, highest);
    tui::strPrintf(title, " Select scan ID on %s ", controller.channels[chosen].name);
    for (;;) {
        CInputBox box(&scanIdInput);
        if (!box.Open(prompt, title)) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 0;
        }
        char text[4] = {};
        box.Edit(text);
        if (box.LastKey() != tui::keyEnter)
            return 0;
        if (std::strcmp(text, "*") == 0) {
            *channel = chosen;
            *target = allTargets;
            return 1;
        }
        char* end = nullptr;
        const long id = std::strtol(text, &end, 10);
        if (text[0] >= '0' && text[0] <= '9' && end != nullptr && *end == '\0' && id <= highest) {
            *channel = chosen;
            *target = static_cast<int>(id);
            return 1;
        }
    }
}

void ShowFcPortStatus(CController& controller, CPhysDrive& disk)
{
    disk.Refresh();
    const uint8_t* info = disk.GetInfo();
    std::string text;
    if (disk.DeviceType() != DEVICE_TYPE_IO_PROCESSOR && info[infoFcSecondLoop] != 0) {
        int firstFc = 0;
        while (firstFc < controller.info.channelCount && KindOf(controller, firstFc) != CHANNEL_KIND_FC)
            ++firstFc;
        const int second = firstFc + info[infoFcSecondChannel];
        const char* secondName =
            second < controller.info.channelCount && second < CONTROLLER_MAX_CHANNELS ? controller.channels[second].name
                                                                                      : "???";
        char ports[256];
        tui::strPrintf(ports, MessageText("M5031"), controller.channels[disk.GetChannel()].name,
                       MessageText(info[infoFcFirstPort] ? "M1059" : "M1058"), secondName,
                       MessageText(info[infoFcSecondPort] ? "M1059" : "M1058"));
        text = ports;
    }
    if (info[infoFcExtended] != 0) {
        char revision[5] = {};
        std::memcpy(revision, info + infoFcRevision, 4);
        char more[256];
        tui::strPrintf(more, MessageText("M5032"), revision, wire::get16(info, infoFcFrameSize),
                       static_cast<long>(wire::get32(info, infoFcWwnHigh)),
                       static_cast<long>(wire::get32(info, infoFcWwnLow)));
        text += (text.empty() ? "" : "\n") + std::string(more);
    }
    ShowMessage(text.c_str(), 0, 1);
}

void FibreChannelInformation(CController& controller, int channel)
{
    ClosingScope reading = WaitBoxScope();
    controller.GetInfo();
    reading.release();
    CTagMenu menu(&fcInfoMenu, 1);
    FillFcInformation(menu, controller.channels[channel]);
    if (!menu.IsOk() || !menu.Open()) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return;
    }
    int current = 0;
    for (;;) {
        const int result = menu.Run(current);
        if (result < 0) {
            if (result == -3)
                ShowMessage(MessageText("M4000"), 0, 1);
            return;
        }
        current = result;
    }
}

int RewritePhysicalConfiguration(CController& controller)
{
    if (!AskYesNo(MessageText("M3071"), 1))
        return 0;
    std::vector<int> candidates;
    for (int i = 0; i < controller.physDrives.count; ++i)
        if (IsRewritableDisk(controller, controller.physDrives[i]))
            candidates.push_back(i);
    if (candidates.empty()) {
        ShowMessage(MessageText("M5003"), 0, 1);
        return 0;
    }
    ClosingScope wait = WaitBoxScope();
    int result = 1;
    CPhysDrive* failed = nullptr;
    for (const int i : candidates) {
        CPhysDrive& d = controller.physDrives[i];
        DiskParameters p = OwnParameters(d);
        result = d.Initialize(&p);
        if (!result) {
            failed = &d;
            break;
        }
    }
    wait.release();
    if (failed != nullptr)
        ShowErrorCode(failed->error);
    return result;
}

int ConfigurePhysicalDevices(CController& controller)
{
    ClosingScope scanning = WaitBoxScope();
    controller.ScanDevices();
    scanning.release();
    int line = 0;
    for (;;) {
        const int count = controller.physDrives.count;
        const int rescanLine = count;
        const int hotPlugLine = count + 1;
        CListBox list(DiskListDef(controller), count + 2, 1);
        if (!list.IsOk() || !list.Open(nullptr, MessageText("M1023"))) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        for (int i = 0; i < count; ++i)
            list.SetLine(i, ' ', DiskLineText(controller, controller.physDrives[i]));
        list.SetLineText(rescanLine, MessageText("M1004"));
        list.SetLineText(hotPlugLine, (std::string(" ") + MessageText("M1069")).c_str());
        if (line > hotPlugLine)
            line = 0;
        int key = 0;
        const int result = list.Run(line, listKeys, &key);
        if (result == -3) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        if (result < 0)
            return 1;
        line = result;
        if (key == tui::keyF(8)) {
            RewritePhysicalConfiguration(controller);
            continue;
        }
        if (result < count) {
            CPhysDrive& device = controller.physDrives[result];
            if (key == tui::keyF(5))
                device.Identify();
            else if (key == tui::keyF(2) || key == tui::keyF(4))
                ExtendedInformation(controller, device);
            else if (key == 0)
                OpenDevice(controller, device);
        } else if (key == 0 && result == rescanLine) {
            Rescan(controller);
        } else if (key == 0 && result == hotPlugLine) {
            HotPlugDisk(controller, 0, nullptr, -1, -1);
        }
    }
}
