#include "repair_assistant.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "array_drive.h"
#include "array_drive_parts.h"
#include "array_drives.h"
#include "byte_order.h"
#include "closing_scope.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_list.h"
#include "disk_lines.h"
#include "drive_maintenance.h"
#include "drive_records.h"
#include "error_message.h"
#include "hot_plug_procedure.h"
#include "key_codes.h"
#include "log_drive.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drive.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

constexpr size_t disksCount = 20;       // component disk record: u16 disks reported
constexpr size_t diskChannel = 4;       // within a 12-byte descriptor
constexpr size_t diskTarget = 5;
constexpr size_t diskLun = 6;
constexpr size_t diskDrive = 8;
constexpr size_t diskMissing = 10;
constexpr uint8_t unknownChannel = 255;
constexpr int keyPatchA = 278;
constexpr int keyPatchB = 280;
constexpr int keyCtrlP = 16;

const int repairKeys[] = {tui::keyF(4), keyPatchA, keyPatchB, keyCtrlP, -1};

// The lists, indexed FAIL, ERROR, BUILD, REBUILD, missing hot fix.
enum RepairList { listFail, listError, listBuild, listRebuild, listHotFix, listCount };
std::vector<DriveRef> repairLists[listCount];
CController* repairController = nullptr;
int repairLine = 0;  // the line chosen last in " Select Drive to repair "

ListDef repairListDef = {3, 8, 0, 1, 40, -1, " Select Drive to repair ", nullptr,
                         " No.  Name      Type     State     ", {" %3d  %-8s  %-6s   %-10s     ", nullptr}};

// A name field of 8 characters as a text.
std::string NameText(const char* name)
{
    return std::string(name, strnlen(name, 8));
}

bool ValidLogical(const CController& controller, int index)
{
    return index >= 0 && index < controller.logDrives.count;
}

DriveRef ArrayRef(CArrayDrive& array)
{
    DriveRef r;
    r.kind = driveRefArray;
    r.array = &array;
    return r;
}

DriveRef MirrorRef(CMirrorDrive& mirror)
{
    DriveRef r;
    r.kind = driveRefMirror;
    r.mirror = &mirror;
    return r;
}

DriveRef LogicalRef(CLogDrive& drive)
{
    DriveRef r;
    r.kind = driveRefLogical;
    r.logical = &drive;
    return r;
}

// Channel index of a channel number from a descriptor (the number itself
// when no channel has it).
int ChannelIndexOf(const CController& controller, int number)
{
    for (int c = 0; c < controller.info.channelCount && c < CONTROLLER_MAX_CHANNELS; ++c)
        if (controller.channels[c].number == number)
            return c;
    return number;
}

// The component disk descriptors of an array or RAID-1 drive: asked first
// with room for one, then with room for the reported count. The count is
// clamped to the room asked for. False with *memory set when memory ran out.
template <class Drive>
bool QueryDescriptors(Drive& drive, std::vector<uint8_t>& record, int& count, bool* memory)
{
    *memory = false;
    int room = 1;
    for (int round = 0; round < 2; ++round) {
        try {
            record.assign(COMPDISKS_HEAD + COMPDISKS_ENTRY * static_cast<size_t>(room), 0);
        } catch (const std::bad_alloc&) {
            *memory = true;
            return false;
        }
        wire::put16(record.data(), COMPDISKS_ROOM, static_cast<uint16_t>(room));
        if (!drive.QueryComponentDisks(record.data()))
            return false;
        const int reported = wire::get16(record.data(), disksCount);
        count = std::min(reported, room);
        if (reported <= room)
            return true;
        room = reported;
    }
    return true;
}

const uint8_t* Descriptor(const std::vector<uint8_t>& record, int k)
{
    return record.data() + COMPDISKS_HEAD + COMPDISKS_ENTRY * static_cast<size_t>(k);
}

// The alarm of the controller sounds.
bool AlarmSounds(CController& controller)
{
    int on = 0;
    return controller.GetAlarm(&on) && on;
}

// One line of " Select Drive to repair ".
void SetRepairLine(CListBox& list, int line, const CController& controller, const DriveRef& ref, bool hotFix)
{
    if (hotFix) {
        const CLogDrive& drive = *ref.logical;
        const CArrayDrive* array = drive.arrayIndex >= 0 && drive.arrayIndex < controller.arrayDrives.count
                                       ? &controller.arrayDrives[drive.arrayIndex] : nullptr;
        if (array != nullptr)
            list.SetLine(line, static_cast<int>(array->arrayNumber), NameText(array->GetName()), array->typeText,
                         "missing HotFix");
        else
            list.SetLine(line, drive.driveNumber, NameText(drive.GetName()), drive.kindText, "missing HotFix");
    } else if (ref.kind == driveRefArray) {
        const CArrayDrive& a = *ref.array;
        list.SetLine(line, static_cast<int>(a.arrayNumber), NameText(a.GetName()), a.typeText, a.stateText);
    } else {
        const CMirrorDrive& m = *ref.mirror;
        std::string name;
        if (m.components.count > 0 && ValidLogical(controller, m.components[0]))
            name = NameText(controller.logDrives[m.components[0]].GetName());
        list.SetLine(line, static_cast<int>(m.mirrorNumber), name, m.typeText, m.stateText);
    }
}

// A kind of drive is done: nothing in FAIL and no missing hot fix drive.
bool NothingLeft()
{
    return repairLists[listFail].empty() && repairLists[listHotFix].empty();
}

void RescanRepairLists(CController& controller)
{
    ClearRepairLists();
    if (!ScanRepairLists(controller))
        ShowMessage(MessageText("M4005"), 1, 1);
}

// Reads the controller again under the wait box; a failure shows its error.
bool Reread(CController& controller)
{
    ClosingScope wait = WaitBoxScope();
    const int refreshed = controller.Refresh();
    wait.release();
    if (!refreshed)
        ShowErrorCode(controller.error);
    return refreshed != 0;
}

// After a repair: the controller read again and the lists made anew, so
// that they show what the controller now holds.
void RereadRepairLists(CController& controller)
{
    Reread(controller);
    RescanRepairLists(controller);
}

// The drive number of the RAID-1 drive's first component, -1 when unknown.
int MasterNumber(const CController& controller, const CMirrorDrive& mirror)
{
    if (mirror.components.count < 1 || !ValidLogical(controller, mirror.components[0]))
        return -1;
    return controller.logDrives[mirror.components[0]].driveNumber;
}

// The missing component is gone, but no new disk joined the RAID-1 drive:
// the controller read again, and the user told what the drive is now.
void ShowMirrorLeftAsIs(CController& controller, int masterNumber)
{
    if (!Reread(controller))
        return;
    const int master = controller.FindLogicalDrive(masterNumber);
    if (master < 0)
        return;
    const CMirrorDrive* mirror = MirrorOf(controller, controller.logDrives[master]);
    const std::string text =
        mirror == nullptr
            ? tui::formatText("The missing Drive has been removed, but no new Disk was added.\n"
                              "Logical Drive %d is no longer a RAID-1 Drive and has no redundancy.\n"
                              "To mirror it again, use Add RAID 1 Component\n"
                              "in Configure Logical Drives.\n"
                              "Press any key.",
                              masterNumber)
            : tui::formatText("The missing Drive has been removed, but no new Disk was added.\n"
                              "RAID-1 Drive %d goes on with %d Drives.\n"
                              "Press any key.",
                              static_cast<int>(mirror->mirrorNumber), mirror->components.count);
    ShowMessage(text.c_str(), 1, 1);
}

}  // namespace

int ScanRepairLists(CController& controller)
{
    repairController = &controller;
    try {
        for (int i = 0; i < controller.arrayDrives.count; ++i) {
            CArrayDrive& a = controller.arrayDrives[i];
            if (a.Type() != 10) {
                switch (a.State()) {
                case ARSTATE_FAIL:
                    repairLists[listFail].push_back(ArrayRef(a));
                    break;
                case ARSTATE_INVALID:
                    repairLists[listError].push_back(ArrayRef(a));
                    break;
                case ARSTATE_BUILD:
                    repairLists[listBuild].push_back(ArrayRef(a));
                    break;
                case ARSTATE_REBUILD:
                case ARSTATE_REBUILD2:
                    repairLists[listRebuild].push_back(ArrayRef(a));
                    break;
                default:
                    break;
                }
            }
            // Private hot fix drives whose slot says missing.
            for (int k = 0; k < a.components.count; ++k) {
                if (!ValidLogical(controller, a.components[k]))
                    continue;
                CLogDrive& d = controller.logDrives[a.components[k]];
                const int slot = a.FindComponentSlot(k);
                if (d.isPrivateHotFix && slot >= 0 && (SlotFlags(a, slot) & slotMissing) != 0)
                    repairLists[listHotFix].push_back(LogicalRef(d));
            }
        }
        for (int i = 0; i < controller.mirrorDrives.count; ++i) {
            CMirrorDrive& m = controller.mirrorDrives[i];
            if (m.readyCount == 0)
                repairLists[listError].push_back(MirrorRef(m));
            else if (m.missingCount > 0)
                repairLists[listFail].push_back(MirrorRef(m));
            else if (m.buildingCount > 0)
                repairLists[listBuild].push_back(MirrorRef(m));
        }
    } catch (const std::bad_alloc&) {
        ClearRepairLists();
        return 0;
    }
    return 1;
}

void ClearRepairLists()
{
    for (std::vector<DriveRef>& l : repairLists)
        l.clear();
}

int RepairFailCount() { return static_cast<int>(repairLists[listFail].size()); }
int RepairErrorCount() { return static_cast<int>(repairLists[listError].size()); }
int RepairBuildCount() { return static_cast<int>(repairLists[listBuild].size()); }
int RepairRebuildCount() { return static_cast<int>(repairLists[listRebuild].size()); }
int RepairHotFixCount() { return static_cast<int>(repairLists[listHotFix].size()); }

int SelectDriveToRepair(int listFlags, int close, DriveRef* chosen, int* fromList)
{
    if (close) {
        repairLine = 0;
        return 0;
    }
    for (;;) {
        struct Line {
            DriveRef ref;
            int list;
        };
        std::vector<Line> lines;
        const std::pair<int, RepairList> shown[] = {
            {repairListFail, listFail}, {repairListError, listError}, {repairListHotFix, listHotFix}};
        for (const auto& [flag, which] : shown)
            if (listFlags & flag)
                for (const DriveRef& r : repairLists[which])
                    lines.push_back({r, flag});
        if (lines.empty() || repairController == nullptr)
            return 0;
        CController& controller = *repairController;
        const char* hint = AlarmSounds(controller) ? MessageText("M1022") : "";
        const int count = static_cast<int>(lines.size());
        CListBox list(&repairListDef, count, 1);
        if (!list.IsOk() || !list.Open(nullptr, hint)) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 0;
        }
        for (int i = 0; i < count; ++i)
            SetRepairLine(list, i, controller, lines[static_cast<size_t>(i)].ref,
                          lines[static_cast<size_t>(i)].list == repairListHotFix);
        if (repairLine < 0 || repairLine >= count)
            repairLine = 0;
        int key = 0;
        const int result = list.Run(repairLine, repairKeys, &key);
        if (result == -3) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 0;
        }
        if (result < 0 || result >= count)
            return 0;
        repairLine = result;
        const Line& line = lines[static_cast<size_t>(result)];
        if (key == tui::keyF(4)) {
            if (AlarmSounds(controller))
                controller.SetAlarm(0);
            continue;
        }
        if (key == keyPatchA || key == keyPatchB || key == keyCtrlP) {
            if (line.list != repairListHotFix && line.ref.kind == driveRefArray && line.ref.array->HasConfigAccess() &&
                PatchArrayState(*line.ref.array, 0)) {
                controller.flags |= 1;
                ClearRepairLists();
                ScanRepairLists(controller);
            }
            continue;
        }
        if (chosen)
            *chosen = line.ref;
        if (fromList)
            *fromList = line.list;
        return 1;
    }
}

int RepairArrayDrive(CArrayDrive& array)
{
    if (!array.HasConfigAccess()) {
        ShowMessage(MessageText("M4045"), 1, 1);
        return 0;
    }
    CController& controller = *array.controller;
    CLogDrive* failed = nullptr;
    for (int k = 0; k < array.components.count && failed == nullptr; ++k) {
        if (!ValidLogical(controller, array.components[k]))
            continue;
        CLogDrive& d = controller.logDrives[array.components[k]];
        const int slot = array.FindComponentSlot(k);
        if (d.kind == LDKIND_MISSING || (slot >= 0 && (SlotFlags(array, slot) & slotFlagsAny) != 0))
            failed = &d;
    }
    if (failed == nullptr)
        return 0;
    if (failed->disks.count > 1)
        return 0;
    std::string question;
    int channel = -1;
    int target = -1;
    if (failed->disks.count == 1 && failed->disks[0] >= 0 && failed->disks[0] < controller.physDrives.count) {
        const CPhysDrive& disk = controller.physDrives[failed->disks[0]];
        channel = disk.GetChannel();
        target = disk.GetTargetId();
        question = tui::formatText(MessageText("M3033"), DeviceName(disk), ChannelNameOf(controller, channel),
                                   PositionText(controller, channel, target), failed->driveNumber);
    } else {
        std::vector<uint8_t> record;
        int count = 0;
        bool memory = false;
        if (!QueryDescriptors(array, record, count, &memory)) {
            if (memory)
                ShowMessage(MessageText("M4005"), 1, 1);
            else
                ShowErrorCode(array.error);
            return 0;
        }
        if (count < 1) {
            ShowMessage(MessageText("M5053"), 1, 1);
            return 0;
        }
        // The array answers the disks of every component: take the failed
        // one's. None for it (a lost component drive, a private hot fix
        // drive) leaves its place unknown; another component's disk is
        // never offered in its stead.
        const uint8_t* e = nullptr;
        for (int k = 0; k < count; ++k)
            if (wire::get16(Descriptor(record, k), diskDrive) == static_cast<uint16_t>(failed->driveNumber)) {
                e = Descriptor(record, k);
                break;
            }
        if (e == nullptr || e[diskChannel] == unknownChannel) {
            question = tui::formatText(MessageText("M3034"), failed->driveNumber);
        } else {
            channel = ChannelIndexOf(controller, e[diskChannel]);
            target = e[diskTarget];
            question = tui::formatText(MessageText("M3035"), ChannelNameOf(controller, channel),
                                       PositionText(controller, channel, target));
        }
    }
    if (!AskYesNo(question.c_str(), 1))
        return 0;
    // A disk whose place nobody knows any more: the user names the target.
    if (channel < 0)
        return HotReplaceDisk(controller, *failed);
    return ReplaceFailedArrayDisk(controller, *failed, channel, target);
}

int RepairMirrorDrive(CMirrorDrive& mirror)
{
    if (!mirror.HasConfigAccess()) {
        ShowMessage(MessageText("M4045"), 1, 1);
        return 0;
    }
    CController& controller = *mirror.controller;
    std::vector<uint8_t> record;
    int count = 0;
    bool memory = false;
    if (!QueryDescriptors(mirror, record, count, &memory)) {
        if (memory)
            ShowMessage(MessageText("M4005"), 1, 1);
        else
            ShowErrorCode(mirror.error);
        return 0;
    }
    const uint8_t* missing = nullptr;
    for (int k = 0; k < count && missing == nullptr; ++k)
        if (Descriptor(record, k)[diskMissing] != 0)
            missing = Descriptor(record, k);
    if (missing == nullptr) {
        ShowMessage(MessageText("M5053"), 1, 1);
        return 0;
    }
    const int missingDrive = wire::get16(missing, diskDrive);
    int channel = ChannelIndexOf(controller, missing[diskChannel]);
    int target = missing[diskTarget];
    // A disk the controller no longer sees is reported on channel 255: its
    // place is unknown, and the user names where the new disk goes.
    const bool placeKnown = missing[diskChannel] != unknownChannel && channel >= 0 &&
                            channel < std::min<int>(controller.info.channelCount, CONTROLLER_MAX_CHANNELS);
    std::string question;
    if (!placeKnown) {
        question = tui::formatText(MessageText("M3034"), missingDrive);
    } else {
        // Device look-ups answer -1 for absent; index 0 is the first device.
        const int device = controller.FindPhysDrive(channel, target, missing[diskLun]);
        question = device < 0 ? tui::formatText(MessageText("M3035"), ChannelNameOf(controller, channel),
                                                PositionText(controller, channel, target))
                              : tui::formatText(MessageText("M3033"), DeviceName(controller.physDrives[device]),
                                                ChannelNameOf(controller, channel),
                                                PositionText(controller, channel, target), missingDrive);
    }
    if (!AskYesNo(question.c_str(), 1))
        return 0;
    if (!placeKnown) {
        channel = -1;
        target = -1;
        if (!AskFreeTarget(controller, &channel, &target, mirror.IsClusterDrive() ? 1 : 0))
            return 0;
    }
    const int masterNumber = MasterNumber(controller, mirror);
    if (!RemoveMissingMirrorComponents(mirror, 0))
        return 0;
    if (ReplaceMissingMirrorDisk(mirror, channel, target))
        return 1;
    ShowMirrorLeftAsIs(controller, masterNumber);
    return 0;
}

int RemoveMissingMirrorComponents(CMirrorDrive& mirror, int ask)
{
    if (mirror.missingCount == 0)
        return 1;
    if (ask && !AskYesNo(MessageText("M3036"), 1))
        return 0;
    ShowWaitBox(MessageText("M2021"), 0);
    ClosingScope wait(CloseWaitBox);
    ClosingScope access = MirrorAccess(mirror, 1);
    if (!access)
        return 0;
    const int result = mirror.RemoveMissingComponents(0);
    const uint32_t error = mirror.error;
    access.release();
    wait.release();
    if (!result)
        ShowErrorCode(error);
    return result;
}

int RepairMissingHotFix(CLogDrive& hotFix)
{
    CController& controller = *hotFix.controller;
    if (hotFix.arrayIndex < 0 || hotFix.arrayIndex >= controller.arrayDrives.count)
        return 0;
    CArrayDrive& array = controller.arrayDrives[hotFix.arrayIndex];
    if (!array.HasConfigAccess()) {
        ShowMessage(MessageText("M4045"), 1, 1);
        return 0;
    }
    const int arrayNumber = array.arrayNumber;
    const int oldNumber = hotFix.driveNumber;
    const std::string text = hotFix.disks.count == 1 && hotFix.disks[0] >= 0 &&
                                     hotFix.disks[0] < controller.physDrives.count
                                 ? std::string(DeviceName(controller.physDrives[hotFix.disks[0]]))
                                 : std::to_string(oldNumber);
    const std::string question = tui::formatText(MessageText("M3104"), NameText(array.GetName()), text);
    if (!AskYesNo(question.c_str(), 1))
        return 0;
    if (!AddArrayHotFix(controller, array, 1))
        return 0;
    const int old = controller.FindLogicalDrive(oldNumber);
    const int a = controller.FindArrayDrive(arrayNumber);
    if (old < 0 || a < 0)
        return 1;
    CArrayDrive& again = controller.arrayDrives[a];
    const ClosingScope wait = WaitBoxScope();
    ClosingScope access = ArrayAccess(again, 0);
    if (!access)
        return 1;
    const int removed = again.RemoveHotFixDrive(old, 1, 0);
    access.release();
    if (removed)
        controller.ReadConfiguration();
    return 1;
}

int RepairArrayDrives(CController& controller)
{
    if (!Reread(controller))
        return 0;
    if (controller.arrayDrives.count == 0 && controller.mirrorDrives.count == 0) {
        ShowMessage(MessageText("M5045"), 0, 1);
        return 1;
    }
    ShowWaitBox(MessageText("M2014"), 0);
    ClosingScope scanning(CloseWaitBox);
    ClearRepairLists();
    const int scanned = ScanRepairLists(controller);
    scanning.release();
    if (!scanned) {
        ShowMessage(MessageText("M4005"), 1, 1);
        ClearRepairLists();
        return 0;
    }
    const bool trouble = RepairFailCount() + RepairErrorCount() + RepairHotFixCount() > 0;
    std::string summary = "            Summary            \n\n";
    summary += tui::formatText(" %d Array Drives installed\n\n", controller.arrayDrives.count + controller.mirrorDrives.count);
    summary += tui::formatText(" %d Array Drives in FAIL state\n", RepairFailCount());
    summary += tui::formatText(" %d Array Drives in ERROR state\n", RepairErrorCount());
    summary += tui::formatText(" %d Array Drives in BUILD state\n", RepairBuildCount());
    summary += tui::formatText(" %d Array Drives in REBUILD state\n", RepairRebuildCount());
    summary += tui::formatText(" %d missing Private HotFix Drives\n", RepairHotFixCount());
    summary += "\n         Press any key.";
    ShowMessage(summary.c_str(), trouble ? 1 : 0, 0);
    if (!trouble) {
        const int building = RepairBuildCount() + RepairRebuildCount();
        if (building > 0)
            ShowMessage(tui::formatText(MessageText("M5044"), building).c_str(), 0, 1);
        else
            ShowMessage(MessageText("M5043"), 0, 1);
        ClearRepairLists();
        return 1;
    }
    for (bool done = false; !done;) {
        DriveRef ref;
        int from = 0;
        if (SelectDriveToRepair(repairListFail | repairListError | repairListHotFix, 0, &ref, &from)) {
            if (from == repairListError) {
                ShowMessage(tui::formatText(MessageText("M5056"), CompanyNameText()).c_str(), 1, 1);
                continue;
            }
            ClosingScope change = DiskChangeScope(controller);
            if (from == repairListHotFix) {
                if (RepairFailCount() + RepairErrorCount() == 0)
                    RepairMissingHotFix(*ref.logical);
                else
                    ShowMessage(MessageText("M5061"), 1, 1);
            } else if (ref.kind == driveRefArray) {
                RepairArrayDrive(*ref.array);
            } else if (ref.kind == driveRefMirror) {
                RepairMirrorDrive(*ref.mirror);
            }
            change.release();
            RereadRepairLists(controller);
            if (NothingLeft()) {
                done = true;
                if (AlarmSounds(controller))
                    controller.SetAlarm(0);
            }
        } else {
            done = NothingLeft() || AskYesNo(MessageText("M3032"), 1);
        }
    }
    SelectDriveToRepair(0, 1, nullptr, nullptr);
    ClearRepairLists();
    return 1;
}
