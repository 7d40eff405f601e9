// RAID-1 drives in the console: adding a component or hot fix drive,
// removing components and hot fix drives, the component lists and the build
// progress window.
#include "mirror_drives.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "array_drive_parts.h"
#include "controller.h"
#include "dialog_list.h"
#include "drive_choice.h"
#include "drive_host_labels.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "host_drive.h"
#include "hot_plug_procedure.h"
#include "key_codes.h"
#include "list_choice.h"
#include "log_drive.h"
#include "logical_drive_parts.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drive.h"
#include "progress_box.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

const int componentKeys[] = {tui::keyF(2), tui::keyF(4), tui::keyF(5), -1};

char SharedMarker(const CLogDrive& d)
{
    return (d.GetNumber() & sharedBit) ? 's' : ' ';
}

// Runs a change of the RAID-1 drive under the configuration access of
// `access`, in the wait box: `change` is the step, `error` the code it
// leaves. A done change re-reads the configuration; a failed one shows its
// error (a refused access has shown M5042). 1 when done.
int ChangeUnderAccess(CController& controller, CLogDrive& access, const std::function<int()>& change,
                      const uint32_t& error)
{
    bool refused = true;
    int ok = 0;
    {
        const ClosingScope wait = WaitBoxScope();
        const ClosingScope held = LogicalAccess(access, 1);
        if (held) {
            refused = false;
            ok = change();
        }
    }
    if (ok) {
        const ClosingScope wait = WaitBoxScope();
        controller.ReadConfiguration();
    } else if (!refused) {
        ShowErrorCode(error);
    }
    return ok;
}

}  // namespace

int AddRaid1Component(CController& controller, CLogDrive& drive, int hotFix)
{
    const CMirrorDrive* own = MirrorOf(controller, drive);
    if (hotFix && own != nullptr && controller.FirmwareVersion() > 0x20FFFF && own->HasOldFormatMembers()) {
        ShowFormatted("M4057", "RAID-1", 1);
        return 0;
    }
    const int number = drive.GetNumber();
    const uint32_t capacity = LogicalCapacity(drive);
    DriveRef ref;
    ref.kind = driveRefLogical;
    ref.logical = &drive;
    const int added = AddDriveToArray(controller, ref, candidateFlags, nullptr, 1, hotPlugLine);
    if (added < 0)
        return 0;
    const CLogDrive* made = LogicalAt(controller, added);
    if (made == nullptr || LogicalCapacity(*made) < capacity) {
        ShowMessage(MessageText("M5025"), 0, 1);
        DeleteLogicalDrive(controller, added);
        return 0;
    }
    const int again = controller.FindLogicalDrive(number);
    CLogDrive* target = LogicalAt(controller, again);
    if (target == nullptr)
        return 0;
    const ClosingScope diskChange = DiskChangeScope(controller);
    int ok = 0;
    const CMirrorDrive* existing = MirrorOf(controller, *target);
    if (existing == nullptr) {
        CLogDrive master = *target;  // MakeMirror re-reads the lists the drive lives in
        master.AddPendingComponent(added);
        ok = ChangeUnderAccess(controller, master, [&] { return master.MakeMirror(0); }, master.error);
    } else {
        CMirrorDrive mirror = *existing;
        CLogDrive access = *target;
        mirror.AddPendingComponent(added);
        ok = ChangeUnderAccess(
            controller, access, [&] { return hotFix ? mirror.AddHotFixDrives(0) : mirror.AddComponents(0); },
            mirror.error);
    }
    if (ok)
        MarkChanged(controller);
    return ok;
}

int RemoveRaid1Component(CController& controller, CMirrorDrive& given)
{
    CMirrorDrive mirror = given;  // the removal re-reads the lists it lives in
    const int components = mirror.components.count;
    const int lines = components + (mirror.missingCount > 0 ? 1 : 0);
    CListBox list(DriveListDef(), lines, 1);
    if (!OpenList(list, MessageText("M1018")))
        return 1;
    const std::string label = MirrorHostLabel(controller, mirror);
    for (int k = 0; k < components; ++k) {
        const CLogDrive* d = LogicalAt(controller, mirror.components[k]);
        if (d != nullptr)
            SetComponentLine(list, k, *d, SharedMarker(*d), k < mirror.readyCount ? "valid" : "invalid",
                             d->kindText, label);
    }
    if (mirror.missingCount > 0) {
        char text[64];
        tui::strPrintf(text, "  %d missing drive(s)", mirror.missingCount);
        list.SetLineText(components, text);
    }
    const int result = RunList(list, 0);
    if (result < 0)
        return 1;
    if (!AskYesNo(MessageText("M3007"), 1))
        return 1;
    if (result == components) {
        {
            const ClosingScope diskChange = DiskChangeScope(controller);
            ClosingScope access = MirrorAccess(mirror, 1);
            if (access) {
                if (!mirror.RemoveMissingComponents(0))
                    ShowErrorCode(mirror.error);
                access.release();
                controller.ReadConfiguration();
            }
        }
        MarkChanged(controller);
        return 1;
    }
    if (mirror.missingCount > 0) {
        ShowMessage(MessageText("M5029"), 0, 1);
        return 1;
    }
    if (result == 0 && mirror.readyCount <= 1) {
        ShowMessage(MessageText("M5023"), 0, 1);
        return 1;
    }
    const ClosingScope diskChange = DiskChangeScope(controller);
    ClosingScope access = MirrorAccess(mirror, 1);
    if (access) {
        int ok = 0;
        int refreshed = 0;
        {
            const ClosingScope wait = WaitBoxScope();
            ok = mirror.RemoveComponent(1, 0, result);
            access.release();
            refreshed = ok ? controller.Refresh() : 1;
        }
        ShowChangeError(controller, ok, refreshed, mirror.error);
    }
    MarkChanged(controller);
    return 1;
}

int RemoveMirrorHotFix(CController& controller, CMirrorDrive& given, int freeDrive)
{
    const std::vector<int> candidates = PoolHotFixDrives(controller);
    if (candidates.empty()) {
        ShowMessage(MessageText("M5007"), 0, 1);
        return 0;
    }
    CMirrorDrive mirror = given;
    CListBox list(DriveListDef(), static_cast<int>(candidates.size()), 1);
    if (!OpenList(list, MessageText("M1015")))
        return 1;
    for (size_t k = 0; k < candidates.size(); ++k) {
        const CLogDrive& d = controller.logDrives[candidates[k]];
        SetComponentLine(list, static_cast<int>(k), d, ' ', d.stateText, d.kindText, MessageText("M1027"));
    }
    const int result = RunList(list, 0);
    if (result < 0)
        return 1;
    if (!AskYesNo(MessageText("M3007"), 0))
        return 1;
    ClosingScope wait = WaitBoxScope();
    const ClosingScope diskChange = DiskChangeScope(controller);
    ClosingScope access = MirrorAccess(mirror, 1);
    if (!access)
        return 1;
    const int ok = mirror.RemoveHotFixDrive(candidates[static_cast<size_t>(result)], freeDrive, 0);
    access.release();
    wait.release();
    if (ok) {
        int refreshed = 0;
        {
            const ClosingScope again = WaitBoxScope();
            MarkChanged(controller);
            refreshed = controller.Refresh();
        }
        if (!refreshed)
            ShowErrorCode(controller.error);
    } else {
        ShowErrorCode(mirror.error);
    }
    return 1;
}

void RunComponentList(CController& controller, CListBox& list, const std::vector<int>& drives, int raid1Whole)
{
    int line = 0;
    for (;;) {
        int key = 0;
        const int result = RunList(list, line, componentKeys, &key);
        if (result < 0)
            return;
        line = result;
        CLogDrive* d = LogicalAt(controller, drives[static_cast<size_t>(result)]);
        if (d == nullptr || key == 0)
            continue;
        CMirrorDrive* mirror = raid1Whole ? MirrorOf(controller, *d) : nullptr;
        const bool missing = (d->kind & 3) == LDKIND_MISSING;
        if (key == tui::keyF(5)) {
            if (mirror != nullptr)
                mirror->Identify();
            else if (!missing)
                d->Identify();
        } else if (mirror != nullptr) {
            ShowMirrorComponents(controller, *mirror);
        } else if (!missing) {
            ShowLogicalDriveDisks(controller, *d);
        }
    }
}

int ShowMirrorComponents(CController& controller, CMirrorDrive& mirror)
{
    std::vector<int> drives;
    for (int k = 0; k < mirror.components.count; ++k)
        drives.push_back(mirror.components[k]);
    if (mirror.GetPoolHotFixAccess())
        for (const int i : PoolHotFixDrives(controller))
            drives.push_back(i);
    CListBox list(DriveListDef(), static_cast<int>(drives.size()), 1);
    if (!OpenList(list, MessageText("M1030"), MessageText("M1021")))
        return 1;
    for (size_t k = 0; k < drives.size(); ++k) {
        const CLogDrive* d = LogicalAt(controller, drives[k]);
        if (d == nullptr)
            continue;
        const uint8_t status = d->Flags();
        const std::string label = LogicalDriveHostLabel(controller, *d);
        SetComponentLine(list, static_cast<int>(k), *d, SharedMarker(*d),
                         (status & 1) ? "fault" : (status & 2) ? "invalid" : "ok", d->kindText, label);
    }
    RunComponentList(controller, list, drives, 0);
    return 1;
}

int ShowArrayBuildProgress(CController& controller, CMirrorDrive& mirror, int* kind)
{
    const int number = mirror.mirrorNumber;
    CProgressBox box(&ConsoleProgress);
    bool opened = false;
    for (;;) {
        CMirrorDrive* current = MirrorByNumber(controller, number);
        ProgressRequest r;
        r.operation = PROGRESS_QUERY;
        if (current == nullptr || !current->GetBuildProgress(&r)) {
            *kind = -1;
            controller.ReadConfiguration();
            return 1;
        }
        *kind = 0;
        if (!opened) {
            if (!box.Open(" Progress Information: Array Build ", " Press ESC to quit ")) {
                ShowMessage(MessageText("M4000"), 0, 1);
                *kind = -1;
                controller.ReadConfiguration();
                return 1;
            }
            opened = true;
        }
        const auto start = std::chrono::steady_clock::now();
        const int p0 = r.percent;
        int percent = r.percent;
        int estimate = -1;
        for (;;) {
            const int elapsed = SecondsSince(start);
            box.Update(percent, elapsed, estimate);
            box.Show();
            if (EscWithinASecond())
                return 0;
            ProgressRequest q;
            q.operation = PROGRESS_QUERY;
            if (!current->GetBuildProgress(&q))
                break;
            if (q.percent > percent) {
                percent = q.percent;
                const int now = SecondsSince(start);
                estimate = percent > p0 ? now * (100 - p0) / (percent - p0) : -1;
            }
        }
    }
}
