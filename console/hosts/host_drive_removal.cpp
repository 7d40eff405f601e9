// The removal of a host drive, together with every host drive on its
// carrying drive: the partition checks, the questions, the configuration
// access with its retry, and the removal.
#include "host_drives.h"

#include <string>
#include <vector>

#include "array_records.h"
#include "closing_scope.h"
#include "console_state.h"
#include "controller.h"
#include "disk_lines.h"
#include "error_message.h"
#include "host_drive_carrier.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "partition_test.h"
#include "str_printf.h"

namespace {

constexpr uint32_t lockedByOthers = 0x0100000C;
constexpr int listedNumbers = 8;

// The numbers of the host drives on the same carrying drive, in list order.
std::vector<int> CarrierHostNumbers(const CController& controller, const CHostDrive& drive)
{
    std::vector<int> numbers;
    for (int i = 0; i < controller.hostDrives.count; ++i) {
        const CHostDrive& h = controller.hostDrives[i];
        if (h.carrierIndex == drive.carrierIndex && h.entry.carrier == drive.entry.carrier)
            numbers.push_back(h.hostDriveNumber);
    }
    return numbers;
}

// "%2d," for each number, at most eight, then "..."; otherwise without the last comma.
std::string NumberList(const std::vector<int>& numbers)
{
    std::string text;
    char one[16];
    for (size_t k = 0; k < numbers.size() && k < listedNumbers; ++k) {
        tui::strPrintf(one, "%2d,", numbers[k]);
        text += one;
    }
    if (numbers.size() > listedNumbers)
        text += "...";
    else if (!text.empty())
        text.pop_back();
    return text;
}

// Configuration access for the removal: the host drive, or the whole
// controller (-1); after status 12 the host drive's access is reset and
// the entry tried once more.
bool EnterForRemoval(CController& controller, CHostDrive& drive, int target)
{
    if (controller.EnterDriveMaintenance(target))
        return true;
    if (controller.error == lockedByOthers) {
        drive.ResetAccess();
        if (controller.EnterDriveMaintenance(target))
            return true;
    }
    return false;
}

}  // namespace

int RemoveHostDrive(CController& controller, CHostDrive& drive)
{
    if (AccessedByOthers(controller, drive, true)) {
        ShowMessage(MessageText("M5066"), 1, 1);
        return 0;
    }
    const int number = drive.hostDriveNumber;
    const int carrierNumber = drive.entry.carrier;
    ShowWaitBox(MessageText("M2000"), 0);
    const bool readable = drive.Refresh() != 0;
    const bool used = !IsPartitionTableEmpty(controller, number) || (!readable && !Options().partition);
    const std::vector<int> numbers = CarrierHostNumbers(controller, drive);
    bool othersUsed = false;
    if (!used && numbers.size() >= 2)
        for (const int n : numbers)
            if (n != number && HostDrivePartitionsInUse(controller, n))
                othersUsed = true;
    CloseWaitBox();
    bool confirmed = false;
    if (used) {
        if (!Options().administrator) {
            ShowMessage(MessageText("M4034"), 1, 1);
            return 0;
        }
        if (!AskYesNo(MessageText("M3072"), 1))
            return 0;
        confirmed = true;
    } else if (othersUsed) {
        char text[512];
        if (!Options().administrator) {
            tui::strPrintf(text, MessageText("M4043"), carrierNumber);
            ShowMessage(text, 1, 1);
            return 0;
        }
        tui::strPrintf(text, MessageText("M3077"), carrierNumber);
        if (!AskYesNo(text, 1))
            return 0;
    }
    if (numbers.size() >= 2) {
        char text[512];
        tui::strPrintf(text, MessageText("M3019"), carrierNumber, NumberList(numbers));
        if (!AskYesNo(text, 1))
            return 0;
    } else if (!confirmed && !AskYesNo(MessageText("M3007"), 1)) {
        return 0;
    }
    const CarrierRef carrier = FindCarrier(controller, drive);
    const bool whole =
        carrier.array != nullptr && controller.FirmwareLevel() >= 30 && carrier.array->info[ARREC_OFFLINE] != 0;
    ClosingScope wait = WaitBoxScope();
    if (!EnterForRemoval(controller, drive, whole ? -1 : number)) {
        if (Options().administrator) {
            if (AskYesNo(MessageText("M3038"), 1)) {
                ShowWaitBox(MessageText("M2000"), 0);
                controller.LeaveDriveMaintenance(-1);
            }
        } else {
            ShowMessage(MessageText("M5042"), 1, 1);
        }
        return 0;
    }
    // Given back for the whole controller, whichever access was taken.
    ClosingScope access([&controller] { controller.LeaveDriveMaintenance(-1); });
    const int removed = drive.Remove(0, 1);
    const uint32_t code = drive.error;
    access.release();
    controller.NotifyOsDriveChange(number, 1);
    const int refreshed = removed ? controller.Refresh() : 1;
    wait.release();
    if (!removed) {
        ShowErrorCode(code);
        return 0;
    }
    controller.AddFlags(1);
    if (!refreshed)
        ShowErrorCode(controller.error);
    return 1;
}
