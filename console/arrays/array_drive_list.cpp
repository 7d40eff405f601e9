// " Select Array Drive ": the list of arrays and stand-alone RAID-1 drives,
// its keys, the configuration access of array actions, the hidden state
// patch and host drive size repair, and the small shared actions.
#include "array_drives.h"

#include <string>
#include <vector>

#include "array_drive.h"
#include "array_drive_parts.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_list.h"
#include "dialog_menu.h"
#include "drive_host_labels.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "host_drive.h"
#include "key_codes.h"
#include "list_choice.h"
#include "log_drive.h"
#include "logical_drive_parts.h"
#include "logical_drives.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drive.h"
#include "mirror_drives.h"
#include "str_printf.h"

namespace {

// The hidden keys of the state patch: the codes of F14 and F16.
constexpr int patchKeyA = 278;
constexpr int patchKeyB = 280;

const int arrayListKeys[] = {tui::keyF(2), tui::keyF(4), tui::keyF(10), patchKeyA, patchKeyB, tui::keyF(5), tui::keyF(9), -1};

MenuDef fixMenu = {9, 5, 0, " Fix Host Drive size ", nullptr,
                   {{"Set Host Drive size to Array Drive size", 0},
                    {"Use free drive space as new Host Drive", 1},
                    {nullptr, 0}}};

// The stand-alone RAID-1 drives: those whose first component is in no array.
std::vector<int> StandAloneMirrors(CController& controller)
{
    std::vector<int> list;
    for (int m = 0; m < controller.mirrorDrives.count; ++m) {
        const CLogDrive* master = MirrorMaster(controller, controller.mirrorDrives[m]);
        if (master == nullptr || master->arrayIndex < 0)
            list.push_back(m);
    }
    return list;
}

void SetArrayLine(CListBox& list, int line, const CController& controller, const CArrayDrive& a)
{
    const std::string label = ArrayHostLabel(controller, a);
    list.SetLine(line, ' ', ' ', static_cast<int>(a.arrayNumber), DriveNameText(a.GetName()), a.stateText,
                 a.attributeText, static_cast<long>(a.Capacity() >> 11), a.typeText, label);
}

void SetMirrorLine(CListBox& list, int line, CController& controller, const CMirrorDrive& m)
{
    const CLogDrive* master = MirrorMaster(controller, m);
    const std::string label = MirrorHostLabel(controller, m);
    list.SetLine(line, ' ', ' ', static_cast<int>(m.mirrorNumber),
                 master != nullptr ? DriveNameText(master->GetName()) : std::string(), m.stateText,
                 master != nullptr ? master->attributeText : "",
                 static_cast<long>(master != nullptr ? LogicalCapacity(*master) >> 11 : 0), m.typeText, label);
}

// S, H and P of the host drive size check: the array's capacity, the sum of
// its host drives' sizes, and start x entries of the host drive that stands
// first in its table (0 when none does).
struct HostSizes {
    uint32_t array = 0;
    uint32_t hosts = 0;
    uint32_t front = 0;
};

HostSizes MeasureHostSizes(CController& controller, const CArrayDrive& array)
{
    HostSizes s;
    s.array = array.Capacity();
    for (int i = 0; i < array.hostDrives.count; ++i) {
        const int h = array.hostDrives[i];
        if (h < 0 || h >= controller.hostDrives.count)
            continue;
        const CHostDrive& d = controller.hostDrives[h];
        s.hosts += d.GetEntry()->sectors;
        if (d.position == 0)
            s.front = d.GetEntry()->start * static_cast<uint32_t>(d.hostDriveCount);
    }
    return s;
}

void ReadAgain(CController& controller)
{
    WaitBox();
    controller.ReadConfiguration();
    CloseWaitBox();
}

// ENTER on the create line; 0 when the screen is to be left.
int CreateLine(CController& controller)
{
    if (controller.FirmwareLevel() >= 30 && controller.IsMultiNode()) {
        ShowMessage(MessageText("M5059"), 0, 1);
        return 0;
    }
    std::vector<int> chosen;
    int master = -1;
    if (SelectLogicalDrives(controller, 0, 0, chosen, &master) &&
        CreateArrayDrive(controller, static_cast<int>(chosen.size()), chosen.data(), master))
        controller.NotifyOsDriveChange(-1, 0);
    return 1;
}

}  // namespace

int PatchArrayState(CArrayDrive& array, int quiet)
{
    CController& controller = *array.controller;
    if (controller.FirmwareLevel() >= 30 && array.IsClusterDrive() && array.IsSharedWithOtherNodes()) {
        if (!quiet)
            ShowMessage(MessageText("M5066"), 1, 1);
        return 0;
    }
    static const struct {
        int state;
        const char* text;
    } tries[] = {{ARSTATE_READY, "READY"}, {ARSTATE_IDLE, "IDLE/BUILD"}, {ARSTATE_FAIL, "FAIL"}};
    WaitBox();
    int found = -1;
    const char* text = nullptr;
    for (const auto& t : tries) {
        ProgressRequest check;
        check.operation = PROGRESS_START | PROGRESS_CHECK_ONLY;
        check.percent = t.state;
        if (array.PatchState(&check)) {
            found = t.state;
            text = t.text;
            break;
        }
    }
    CloseWaitBox();
    if (found < 0)
        return 0;
    char question[256];
    tui::strPrintf(question, MessageText("M3015"), text);
    if (!AskYesNo(question, 0))
        return 0;
    ProgressRequest patch;
    patch.operation = PROGRESS_START;
    patch.percent = found;
    int ok = 0;
    {
        const ClosingScope wait = WaitBoxScope();
        const ClosingScope access = ArrayAccess(array, 0);
        if (!access)
            return 0;
        ok = array.PatchState(&patch);
    }
    if (!ok)
        ShowErrorCode(array.error);
    return ok;
}

int FixHostDriveSize(CArrayDrive& array)
{
    CController& controller = *array.controller;
    ShowMessage(MessageText("M5058"), 0, 1);
    CTagMenu menu(&fixMenu, 1);
    if (!menu.IsOk() || !menu.Open()) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 0;
    }
    const HostSizes s = MeasureHostSizes(controller, array);
    const bool hasHosts = array.hostDrives.count > 0;
    if (hasHosts) {
        if (s.hosts > s.array)
            menu.DisableItem(1);
        else if (array.hostDrives.count > 1)
            menu.DisableItem(0);
    } else {
        menu.DisableItem(0);
    }
    const int item = menu.Run(0);
    if (item < 0) {
        if (item == -3)
            ShowMessage(MessageText("M4000"), 0, 1);
        return 0;
    }
    if (!AskYesNo(MessageText("M3106"), 1))
        return 0;
    const uint32_t freeSize = s.array - s.hosts - s.front;
    CHostDrive* first = FirstArrayHostDrive(controller, array);
    WaitBox();
    int ok = 0;
    uint32_t error = 0;
    if (first != nullptr) {
        CHostDrive host = *first;
        ok = item == 0 ? host.SetSize(s.array, 0) : host.Split(freeSize, 0, 1, 1);
        error = host.error;
    } else if (item == 1) {
        ok = array.CreateHostDrive(array.arrayNumber);
        error = array.error;
    }
    CloseWaitBox();
    if (!ok)
        ShowErrorCode(error);
    return ok;
}

int ConfigureArrayDrives(CController& controller)
{
    ReadAgain(controller);
    int line = 0;
    for (;;) {
        const std::vector<int> mirrors = StandAloneMirrors(controller);
        const int arrays = controller.arrayDrives.count;
        const int lines = arrays + static_cast<int>(mirrors.size()) + 1;
        CListBox list(DriveListDef(), lines, 1);
        if (!OpenList(list, MessageText("M1011"), MessageText("M1020")))
            return 1;
        for (int a = 0; a < arrays; ++a)
            SetArrayLine(list, a, controller, controller.arrayDrives[a]);
        for (size_t k = 0; k < mirrors.size(); ++k)
            SetMirrorLine(list, arrays + static_cast<int>(k), controller, controller.mirrorDrives[mirrors[k]]);
        list.SetLineText(lines - 1, MessageText("M1007"));
        if (line >= lines)
            line = 0;
        int key = 0;
        const int result = RunList(list, line, arrayListKeys, &key);
        if (result < 0)
            return 1;
        line = result;
        // Work on copies numbered like the lines: the lists are rebuilt by
        // every action that re-reads the configuration.
        const int arrayNumber = result < arrays ? controller.arrayDrives[result].arrayNumber : -1;
        const int mirrorNumber = result >= arrays && result < lines - 1
                                     ? controller.mirrorDrives[mirrors[static_cast<size_t>(result - arrays)]].mirrorNumber
                                     : -1;
        CArrayDrive* array = arrayNumber >= 0 ? ArrayByNumber(controller, arrayNumber) : nullptr;
        CMirrorDrive* mirror = mirrorNumber >= 0 ? MirrorByNumber(controller, mirrorNumber) : nullptr;
        if (key == tui::keyF(10)) {
            ReadAgain(controller);
        } else if (key == tui::keyF(2) || key == tui::keyF(4)) {
            if (array != nullptr)
                ShowArrayComponents(controller, *array);
            else if (mirror != nullptr)
                ShowMirrorComponents(controller, *mirror);
        } else if (key == tui::keyF(5)) {
            if (array != nullptr)
                array->Identify();
            else if (mirror != nullptr)
                mirror->Identify();
        } else if (key == patchKeyA || key == patchKeyB) {
            if (array != nullptr && array->HasConfigAccess() && PatchArrayState(*array, 0))
                MarkChanged(controller);
        } else if (key == tui::keyF(9)) {
            if (array != nullptr && Options().arrayresize && array->HasConfigAccess()) {
                const HostSizes s = MeasureHostSizes(controller, *array);
                if (s.array != s.hosts + s.front)
                    FixHostDriveSize(*array);
            }
        } else if (key == 0) {
            if (array != nullptr) {
                if (array->HasConfigAccess())
                    ArrayDriveMenu(controller, array, nullptr);
                else
                    ShowMessage(MessageText("M4045"), 1, 1);
            } else if (mirror != nullptr) {
                if (mirror->HasConfigAccess())
                    ArrayDriveMenu(controller, nullptr, mirror);
            } else if (!CreateLine(controller)) {
                return 1;
            }
        }
    }
}
