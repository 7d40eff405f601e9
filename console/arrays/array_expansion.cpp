#include "array_expansion.h"

#include <sys/select.h>

#include <cstring>
#include <ctime>
#include <vector>

#include "array_drive.h"
#include "array_drive_parts.h"
#include "byte_order.h"
#include "console.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_menu.h"
#include "disk_lines.h"
#include "drive_choice.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "hot_plug_procedure.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "model_errors.h"
#include "pause.h"
#include "progress_box.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

MenuDef expandMenu = {10, 3, 0, " Expand ", nullptr,
                      {{"&Use free Logical Drive space", 0},
                       {"&Change RAID type", 1},
                       {"&Add hard disk to array", 2},
                       {nullptr, 0}}};
MenuDef raidTypeMenu = {20, 10, 0, " Choose Type ", nullptr,
                        {{"  RAID &0   ", RAID_TYPE_0}, {"  RAID &4   ", RAID_TYPE_4}, {"  RAID &5   ", RAID_TYPE_5},
                         {nullptr, 0}}};

constexpr int percentDone = 100;
constexpr int startPauseMs = 100;
constexpr uint8_t featureRaid4 = 0x10;
constexpr uint8_t featureRaid5 = 0x20;
constexpr uint32_t repairFirmware = 0x1F0000;
constexpr uint8_t repairParityErrors = 0x02;
constexpr uint8_t verifyParityError = 4;
constexpr const char* escHint = " Press ESC to quit ";
constexpr const char* verifyHint = " ESC: Close Window, A: Abort Parity Verify ";

// The Expand menu starts at the item chosen last.
int lastExpandItem = 0;

// How a watch ended.
enum class WatchEnd { finished, escaped, failed, noWindow };

// Seconds since `start`.
int ElapsedSince(std::time_t start)
{
    const std::time_t now = std::time(nullptr);
    return now > start ? static_cast<int>(now - start) : 0;
}

// Waits one second, then takes a waiting key without blocking; keyNone for none.
int KeyAfterASecond()
{
    timeval wait{1, 0};
    select(0, nullptr, nullptr, nullptr, &wait);
    return tui::keyPressed() ? tui::readKey() : tui::keyNone;
}

bool VerifyRunning(const CArrayDrive& array)
{
    const uint8_t v = array.info[ARREC_VERIFY];
    return v == ARVERIFY_STARTING || v == ARVERIFY_RUNNING;
}

// One query of a running operation of the array: 0 expansion, 1 build,
// 2 rebuild. True while it runs, with the percent in *percent.
bool QueryRunning(CArrayDrive& array, int kind, int* percent)
{
    ProgressRequest r;
    r.operation = PROGRESS_QUERY;
    int ok = 0;
    if (kind == 0)
        ok = array.ExpandConvert(&r);
    else if (kind == 1)
        ok = array.GetBuildProgress(&r);
    else
        ok = array.GetRebuildProgress(&r);
    if (!ok || r.percent >= percentDone)
        return false;
    *percent = r.percent;
    return true;
}

// Watches one pass of an expansion or conversion in its own window; ESC
// counts only on the last pass.
WatchEnd WatchPass(CArrayDrive& array, int pass, int passes)
{
    const bool last = pass == passes;
    char title[96];
    tui::strPrintf(title, "%sPass %d/%d ", ConsoleProgress.title, pass, passes);
    CProgressBox box(&ConsoleProgress);
    if (!box.Open(title, last ? escHint : ""))
        return WatchEnd::noWindow;
    const std::time_t start = std::time(nullptr);
    int percent = 0;
    int estimate = -1;
    for (;;) {
        box.Update(percent, ElapsedSince(start), estimate);
        box.Show();
        if (KeyAfterASecond() == tui::keyEsc && last)
            return WatchEnd::escaped;
        array.error = 0;
        int now = 0;
        if (!QueryRunning(array, 1, &now) && !QueryRunning(array, 0, &now))
            break;
        if (now > percent) {
            percent = now;
            estimate = ElapsedSince(start) * percentDone / percent;
        }
    }
    if (array.error != 0 && array.error != MODERR_ACTIVE_STATE) {
        ShowErrorCode(array.error);
        return WatchEnd::failed;
    }
    return WatchEnd::finished;
}

// Reports the end of one verify watch; `key` the key that ended it (keyNone:
// the verify ended by itself), `failed` a query that failed.
void ReportVerify(CArrayDrive& array, CProgressBox& box, int state, int key, bool failed, int elapsed)
{
    if (failed) {
        // A failed query says nothing about the parity.
        ShowErrorCode(array.error);
        return;
    }
    if (state == ARVERIFY_DONE) {
        box.Update(percentDone, elapsed, elapsed);
        box.Show();
        ShowMessage(MessageText("M5009"), 0, 1);
    } else if (state == verifyParityError) {
        ShowMessage(MessageText("M5010"), 0, 1);
    } else if (key == 'a' || key == 'A') {
        ShowMessage(MessageText("M5011"), 0, 1);
    } else if (array.error != 0) {
        ShowErrorCode(array.error);
    }
}

}  // namespace

int ExpandArrayDrive(CController& controller, CArrayDrive& array)
{
    const int number = array.arrayNumber;
    CArrayDrive* current = &array;
    for (;;) {
        CTagMenu menu(&expandMenu, 1);
        if (!menu.IsOk() || !menu.Open()) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 0;
        }
        // Growing into free space needs the controller's consent.
        ProgressRequest check;
        check.operation = PROGRESS_START | PROGRESS_CHECK_ONLY;
        check.percent = current->Type();
        if (!current->ExpandConvert(&check))
            menu.DisableItem(0);
        if (current->Type() == RAID_TYPE_0)
            menu.DisableItem(2);
        const int chosen = menu.Run(lastExpandItem);
        if (chosen == -3)
            ShowMessage(MessageText("M4000"), 0, 1);
        if (chosen < 0)
            return 0;
        lastExpandItem = chosen;
        int result = 0;
        if (chosen == 0)
            result = ExpandIntoFreeSpace(controller, *current, check);
        else if (chosen == 1)
            result = ChangeRaidType(controller, *current);
        else if (chosen == 2)
            result = AddDisksToArray(controller, *current);
        if (result) {
            if (!controller.Refresh())
                ShowErrorCode(controller.error);
            return 1;
        }
        current = ArrayByNumber(controller, number);
        if (current == nullptr)
            return 0;
    }
}

int ExpandIntoFreeSpace(CController& controller, CArrayDrive& array, ProgressRequest& request)
{
    if (!AskYesNo(MessageText("M3028"), 0))
        return 0;
    ShowMessage(MessageText("M5075"), 0, 1);
    int result = 0;
    uint32_t error = 0;
    {
        const ClosingScope wait = WaitBoxScope();
        const ClosingScope access = ArrayAccess(array, 0);
        if (!access)
            return 0;
        request.operation = PROGRESS_START;
        request.percent = array.Type();
        result = array.ExpandConvert(&request);
        error = array.error;
    }
    if (result) {
        if (!controller.Refresh())
            ShowErrorCode(controller.error);
        controller.NotifyOsDriveChange(-1, 0);
    } else {
        ShowErrorCode(error);
    }
    return result;
}

int ChangeRaidType(CController& controller, CArrayDrive& array)
{
    const uint8_t features = controller.info.featureByte;
    const int type = array.Type();
    const bool no0 = type == RAID_TYPE_0 || (features & featureRaid0) == 0;
    const bool no4 = type == RAID_TYPE_10 || type == RAID_TYPE_4 || (features & featureRaid4) == 0;
    const bool no5 = type == RAID_TYPE_10 || type == RAID_TYPE_5 || (features & featureRaid5) == 0;
    if (no0 && no4 && no5 && !CanConvertToRaid10(controller, array)) {
        // Nothing to choose: the menu would offer nothing.
        ShowMessage(MessageText("M5033"), 0, 1);
        return 0;
    }
    CTagMenu menu(&raidTypeMenu, 1);
    if (!menu.IsOk() || !menu.Open()) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 0;
    }
    if (no0)
        menu.DisableItem(RAID_TYPE_0);
    if (no4)
        menu.DisableItem(RAID_TYPE_4);
    if (no5)
        menu.DisableItem(RAID_TYPE_5);
    const int chosen = menu.Run(no0 ? (no4 ? RAID_TYPE_5 : RAID_TYPE_4) : RAID_TYPE_0);
    if (chosen == -3)
        ShowMessage(MessageText("M4000"), 0, 1);
    if (chosen != RAID_TYPE_0 && chosen != RAID_TYPE_4 && chosen != RAID_TYPE_5)
        return 0;
    ProgressRequest request;
    if (chosen == RAID_TYPE_0)
        return AskYesNo(MessageText("M3028"), 0) ? RunExpandConvert(controller, array, request, RAID_TYPE_0) : 0;
    const int number = array.arrayNumber;
    CArrayDrive* current = &array;
    int parity = -1;
    if (type == RAID_TYPE_0) {
        // RAID 0 needs a parity drive first.
        DriveRef ref;
        ref.kind = driveRefArray;
        ref.array = current;
        const uint32_t needed = DriveCapacity(controller, ref);
        parity = AddDriveToArray(controller, ref, candidateNewDisk | candidateHotPlug, nullptr, 0, hotPlugLine);
        if (parity < 0 || parity >= controller.logDrives.count)
            return 0;
        if (LogicalCapacity(controller.logDrives[parity]) < needed) {
            ShowMessage(MessageText("M5025"), 0, 1);
            DeleteLogicalDrive(controller, parity);
            return 0;
        }
        current = ArrayByNumber(controller, number);
        if (current == nullptr)
            return 0;
        current->AddPendingComponent(parity);
    }
    if (AskYesNo(MessageText("M3028"), 0))
        return RunExpandConvert(controller, *current, request, chosen);
    if (parity >= 0) {
        current->RemovePendingComponent(0);
        DeleteLogicalDrive(controller, parity);
    }
    return 0;
}

int AddDisksToArray(CController& controller, CArrayDrive& array)
{
    const int format = array.HasOldFormatMembers() ? 1 : 2;
    std::vector<int> chosen;
    if (!SelectFreeDisks(controller, chosen, ArrayComponentCapacity(array), format) || chosen.empty())
        return 0;
    if (!AskYesNo(MessageText("M3028"), 0))
        return 0;
    ShowMessage(MessageText("M5075"), 0, 1);
    const int number = array.arrayNumber;
    CArrayDrive* current = nullptr;
    {
        const ClosingScope wait = WaitBoxScope();
        ClosingScope access = ArrayAccess(array, 1);
        if (!access)
            return 0;
        std::vector<int> made;
        bool all = true;
        for (size_t k = 0; k < chosen.size(); ++k) {
            int drive = -1;
            if (!InitializeNewLogicalDrive(controller, controller.physDrives[chosen[k]], &drive, 0,
                                           static_cast<int>(k), format)) {
                all = false;
                break;
            }
            made.push_back(drive);
        }
        access.release();
        controller.ReadConfiguration();
        current = all ? ArrayByNumber(controller, number) : nullptr;
        if (current != nullptr)
            for (const int drive : made)
                current->AddPendingComponent(controller.FindLogicalDrive(drive));
    }
    if (current == nullptr)
        return 0;
    ProgressRequest request;
    return RunExpandConvert(controller, *current, request, current->Type());
}

int RunExpandConvert(CController& controller, CArrayDrive& array, ProgressRequest& request, int raidType)
{
    const int from = array.Type();
    int passTypes[2] = {raidType, raidType};
    int passes = 1;
    if (from == RAID_TYPE_0 && raidType == RAID_TYPE_5) {
        passTypes[0] = RAID_TYPE_4;
        passes = 2;
    } else if (from == RAID_TYPE_5 && raidType == RAID_TYPE_0) {
        passTypes[0] = RAID_TYPE_4;
        passes = 2;
    }
    for (int pass = 0; pass < passes; ++pass) {
        request.operation = PROGRESS_START;
        request.percent = passTypes[pass];
        int started = 0;
        bool taken = false;
        {
            const ClosingScope wait = WaitBoxScope();
            if (const ClosingScope access = ArrayAccess(array, 0)) {
                taken = true;
                started = array.ExpandConvert(&request);
                ModelPauseMs(startPauseMs);
            }
        }
        controller.AddFlags(1);
        // A pass that did not start ends everything: no later pass, no new name.
        if (!started) {
            if (taken)
                ShowErrorCode(array.error);
            // Drives meant for this start must not ride along with a later one.
            while (array.GetPendingCount() > 0)
                array.RemovePendingComponent(0);
            return 0;
        }
        if (request.percent != percentDone) {
            const WatchEnd end = WatchPass(array, pass + 1, passes);
            if (end == WatchEnd::noWindow) {
                ShowMessage(MessageText("M4000"), 0, 1);
                return 0;
            }
            if (end == WatchEnd::failed)
                return 0;
            if (end == WatchEnd::escaped)
                break;
        }
        // The parity drive is in the array after the first pass of RAID 0 to 5.
        if (passes == 2 && from == RAID_TYPE_0 && pass == 0)
            array.RemovePendingComponent(0);
    }
    if (std::strncmp(array.GetName(), "RAID", 4) == 0) {
        char name[16];
        tui::strPrintf(name, "RAID%d", raidType);
        if (!array.SetName(name))
            ShowErrorCode(array.error);
    }
    return 1;
}

int ParityVerify(CArrayDrive& array)
{
    const bool administrator = Options().administrator != 0;
    array.Refresh();
    if (VerifyRunning(array)) {
        ShowMessage(MessageText("M5048"), 0, 1);
    } else if (array.controller && array.controller->FirmwareVersion() >= repairFirmware &&
               (array.controller->configPageA[PAGE_A_OPTIONS2] & repairParityErrors) != 0) {
        if (!AskYesNo(MessageText("M3108"), 0))
            return 0;
    }
    CProgressBox box(&ConsoleProgress);
    int pass = 1;
    char hint[64];
    for (;;) {
        if (administrator)
            tui::strPrintf(hint, " Pass %d ", pass);
        else
            tui::strPrintf(hint, "%s", verifyHint);
        if (!box.Open(ConsoleProgress.title, hint)) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        array.Refresh();
        if (!VerifyRunning(array)) {
            ProgressRequest start;
            start.operation = PROGRESS_START;
            if (!array.ParityVerify(&start)) {
                ShowErrorCode(array.error);
                return 1;
            }
        }
        const std::time_t begun = std::time(nullptr);
        int percent = 0;
        int estimate = -1;
        int key = tui::keyNone;
        int state = 0;
        bool failed = false;
        for (;;) {
            box.Update(percent, ElapsedSince(begun), estimate);
            box.Show();
            key = KeyAfterASecond();
            if (key == 'a' || key == 'A') {
                ProgressRequest abort;
                abort.operation = PROGRESS_ABORT;
                array.error = 0;
                array.ParityVerify(&abort);
                state = abort.state;
                break;
            }
            if (key == tui::keyEsc)
                break;
            key = tui::keyNone;
            ProgressRequest query;
            query.operation = PROGRESS_QUERY;
            array.error = 0;
            const int running = array.ParityVerify(&query);
            state = query.state;
            if (!running) {
                failed = array.error != 0;
                break;
            }
            if (query.percent > percent) {
                percent = query.percent;
                estimate = ElapsedSince(begun) * percentDone / percent;
            }
        }
        const int elapsed = ElapsedSince(begun);
        if (!administrator || key != tui::keyNone || state == verifyParityError || failed)
            ReportVerify(array, box, state, key, failed, elapsed);
        if (!administrator || key != tui::keyNone || failed)
            return 1;
        if (state == ARVERIFY_DONE) {
            ++pass;
            box.Update(percentDone, elapsed, elapsed);
            box.Show();
            ModelPauseMs(1000);
        }
    }
}

int ShowBuildProgress(CArrayDrive& array, int* kind)
{
    static const char* const suffixes[] = {"Expansion ", "Destructive Array Build ", "Non-destructive Array Build ",
                                           "Array Rebuild "};
    for (;;) {
        // What runs, in this order: expansion, build, rebuild.
        int percent = 0;
        int running = -1;
        for (int k = 0; k < 3 && running < 0; ++k)
            if (QueryRunning(array, k, &percent))
                running = k;
        *kind = running;
        if (running < 0)
            return 1;
        const char* suffix = suffixes[running == 0 ? 0 : running == 2 ? 3
                                                       : (array.info[ARREC_FLAGS] & ARFLAG_DESTRUCTIVE) ? 1 : 2];
        char title[96];
        tui::strPrintf(title, " Progress Information: %s", suffix);
        CProgressBox box(&ConsoleProgress);
        if (!box.Open(title, escHint)) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        const int p0 = percent;
        const std::time_t begun = std::time(nullptr);
        int estimate = -1;
        for (;;) {
            box.Update(percent, ElapsedSince(begun), estimate);
            box.Show();
            if (KeyAfterASecond() == tui::keyEsc)
                return 0;
            int now = 0;
            if (!QueryRunning(array, running, &now))
                break;
            if (now > percent) {
                percent = now;
                if (percent > p0)
                    estimate = ElapsedSince(begun) * (percentDone - p0) / (percent - p0);
            }
        }
    }
}
