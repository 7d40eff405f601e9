#include "disk_information.h"

#include <string>
#include <vector>

#include "byte_order.h"
#include "closing_scope.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_list.h"
#include "disk_lines.h"
#include "key_codes.h"
#include "list_choice.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "physical_devices.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

ListDef diskList = {0, 1, 0, 1, 76, -1, " Hard Disk Information ", " F10: Refresh ",
                    " Chn    ID  Vendor  Product           Rate  Retr./Reass. GrDef. Last Status", {"%s", nullptr}};
ListDef detailList = {3, 8, 1, 0, 50, -1, " Hard disk Information ", nullptr, nullptr, {"%s", nullptr}};

const int diskInfoKeys[] = {tui::keyF(2), tui::keyF(4), tui::keyF(10), -1};

// Words of a disk's statistics sample that hold the retry and reassign
// counters (bytes 24 and 28 of its disk statistics entry).
constexpr int sampleRetries = 6;
constexpr int sampleReassigns = 7;

// The disk's retry and reassign counters as the last statistics pass left them.
void ErrorCounters(const CPhysDrive& disk, uint32_t* retries, uint32_t* reassigns)
{
    const DiskStatSample* sample = disk.GetSample(DISK_SAMPLE_CURRENT);
    *retries = sample->counters[sampleRetries];
    *reassigns = sample->counters[sampleReassigns];
}

// The controller's disks (device type 0) in list order, at most `cap`.
std::vector<int> CollectDisks(const CController& controller, int cap)
{
    std::vector<int> disks;
    for (int i = 0; i < controller.physDrives.count && static_cast<int>(disks.size()) < cap; ++i)
        if (controller.physDrives[i].DeviceType() == DEVICE_TYPE_DISK)
            disks.push_back(i);
    return disks;
}

void DiskExtendedInformation(CController& controller, CPhysDrive& disk)
{
    const uint8_t* info = disk.GetInfo();
    const bool fibre = controller.channels[disk.GetChannel()].kind == CHANNEL_KIND_FC;
    if (fibre && ((disk.DeviceType() != DEVICE_TYPE_IO_PROCESSOR && info[infoFcSecondLoop] != 0) ||
                  info[infoFcExtended] != 0))
        ShowFcPortStatus(controller, disk);
    else
        ShowMessage(MessageText("M5028"), 0, 1);
}

const char* OnOff(bool on)
{
    return on ? "On" : "Off";
}

const char* Enabled(bool on)
{
    return on ? "Enabled" : "Disabled";
}

}  // namespace

const char* HardDiskLineText(const CController& controller, CPhysDrive& disk)
{
    const uint8_t* info = disk.GetInfo();
    char channel[CHANNEL_NAME_SIZE];
    tui::strPrintf(channel, "%s", controller.channels[disk.GetChannel()].name);
    const size_t nameLength = std::char_traits<char>::length(channel);
    if (info[infoFcExtended] != 0 && info[infoFcSecondLoop] != 0 && nameLength > 0)
        channel[nameLength - 1] = '*';
    char rate[16];
    if (info[DEVINFO_INITIALISED] && info[DEVINFO_SYNC])
        tui::strPrintf(rate, "%3uMB", wire::get32(info, DEVINFO_RATE) / 1000);
    else
        tui::strPrintf(rate, "%s", "--");
    uint32_t retries = 0;
    uint32_t reassigns = 0;
    ErrorCounters(disk, &retries, &reassigns);
    char counters[24];
    tui::strPrintf(counters, "%5lu/%-5lu", static_cast<unsigned long>(retries), static_cast<unsigned long>(reassigns));
    tui::strPrintf(std::span<char>(SharedText(), sharedTextSize), " %-6s %-3s %-24s %5s  %-11s  %5lu  0x%08lX",
                   channel, disk.GetPosition(), DeviceName(disk), rate, counters,
                   static_cast<unsigned long>(disk.GetGrownDefects()),
                   static_cast<unsigned long>(wire::get32(info, infoLastStatus)));
    return SharedText();
}

int HardDiskDetails(CController& controller, CPhysDrive& disk)
{
    const bool sata = disk.IsOnSataChannel() != 0;
    const bool administrator = Options().administrator != 0;
    ClosingScope reading = WaitBoxScope();
    const uint8_t* info = disk.GetInfo();
    const bool newFirmware = controller.FirmwareLevel() >= newLevel;
    const uint8_t cache = info[DEVINFO_CACHE];
    const bool sync = info[DEVINFO_SYNC] == 1;
    const uint32_t rate = wire::get32(info, DEVINFO_RATE);
    char rateText[32];
    if (sync)
        tui::strPrintf(rateText, "%lu.%lu MB/s", static_cast<unsigned long>(rate / 1000),
                       static_cast<unsigned long>(rate % 1000 / 100));
    else
        tui::strPrintf(rateText, "%s", "---");
    uint32_t retries = 0;
    uint32_t reassigns = 0;
    ErrorCounters(disk, &retries, &reassigns);
    std::vector<std::string> texts;
    char line[96];
    const auto add = [&](const char* format, const auto&... args) {
        tui::strPrintf(line, format, args...);
        texts.emplace_back(line);
    };
    add("Name ...............: %s", DeviceName(disk));
    add("Capacity ...........: %ld MB", static_cast<long>(wire::get32(info, DEVINFO_CAPACITY) >> 11));
    add("%s", "");
    if (!sata)
        add("Sync. Transfer .....: %s", Enabled(sync));
    add(sata ? "Transfer Rate ......: %s" : "Sync. Transfer Rate : %s", rateText);
    if (!sata) {
        add("Sync. Transfer Mode.: %s", (info[DEVINFO_TRANSFER_MODE] & 0x20) ? "DT" : "ST");
        add("Data Path Width ....: %s", (info[DEVINFO_TRANSFER_MODE] & 0x10) ? "Wide" : "Narrow");
        add("Domain Validation ..: %s",
            OnOff((wire::get32(info, DEVINFO_DOMAIN_VALIDATION) & dvValidation) == dvValidation));
        add("Disconnect .........: %s", Enabled(info[DEVINFO_DISCONNECT] == 1));
    }
    add("Disk Read Cache ....: %s", OnOff((cache & (newFirmware ? 0x20 : 0x01)) != 0 || sata));
    add("Disk Write Cache ...: %s", OnOff((cache & (newFirmware ? 0x08 : 0x01)) != 0));
    add("Tagged queues ......: %s", OnOff(info[DEVINFO_TAGGED] != 0));
    add("%s", "");
    if (administrator)
        add("Primary defects ....: %lu", static_cast<unsigned long>(disk.GetPrimaryDefects()));
    add("Grown defects ......: %lu", static_cast<unsigned long>(disk.GetGrownDefects()));
    add("Last status ........: 0x%08lX", static_cast<unsigned long>(wire::get32(info, infoLastStatus)));
    add("Retries ............: %lu", static_cast<unsigned long>(retries));
    add("Reassigns ..........: %lu", static_cast<unsigned long>(reassigns));
    reading.release();
    // The box has a line for every text: the counters at its end are never cut off.
    const int lines = static_cast<int>(texts.size());
    CListBox box(&detailList, lines, 1);
    if (!box.IsOk() || !box.Open()) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 0;
    }
    for (int i = 0; i < lines; ++i)
        box.SetLine(i, texts[static_cast<size_t>(i)]);
    int current = 0;
    for (;;) {
        const int result = box.Run(current);
        if (result < 0)
            return 1;
        current = result;
    }
}

int ViewHardDiskInfo(CController& controller)
{
    ClosingScope reading = WaitBoxScope();
    // The window changes nothing: a failing read leaves the values the objects hold.
    (void)controller.UpdateStatistics(0);
    (void)controller.ScanDevices();
    reading.release();
    const int cap = controller.physDrives.count;
    std::vector<int> disks = CollectDisks(controller, cap);
    if (disks.empty()) {
        ShowMessage(MessageText("M5007"), 0, 1);
        return 0;
    }
    int line = 0;
    for (;;) {
        // The list is built for the disks there are now: after a refresh a
        // line never stands for a disk that is gone.
        CListBox list(&diskList, static_cast<int>(disks.size()), 1);
        if (!list.IsOk()) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 0;
        }
        ClosingScope filling = WaitBoxScope();
        for (size_t i = 0; i < disks.size(); ++i)
            list.SetLine(static_cast<int>(i), HardDiskLineText(controller, controller.physDrives[disks[i]]));
        filling.release();
        if (!list.Open()) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 0;
        }
        if (line >= static_cast<int>(disks.size()))
            line = 0;
        int key = 0;
        const int result = RunList(list, line, diskInfoKeys, &key);
        if (result < 0)
            return 1;
        line = result;
        CPhysDrive& disk = controller.physDrives[disks[static_cast<size_t>(result)]];
        if (key == tui::keyF(2) || key == tui::keyF(4)) {
            DiskExtendedInformation(controller, disk);
        } else if (key == tui::keyF(10)) {
            ClosingScope refreshing = WaitBoxScope();
            (void)controller.ScanDevices();
            (void)controller.UpdateStatistics(0);
            refreshing.release();
            disks = CollectDisks(controller, cap);
            if (disks.empty()) {
                ShowMessage(MessageText("M5007"), 0, 1);
                return 1;
            }
        } else if (key == 0) {
            HardDiskDetails(controller, disk);
        }
    }
}
