// " Select Host Drive ": one line per host drive with the texts of its
// carrying drive, the create line, and the carrier window.
#include "host_drives.h"

#include <cstring>
#include <string>

#include "array_drives.h"
#include "byte_order.h"
#include "controller.h"
#include "dialog_list.h"
#include "disk_lines.h"
#include "drive_host_labels.h"
#include "error_message.h"
#include "host_drive_carrier.h"
#include "key_codes.h"
#include "logical_drive_parts.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drives.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

constexpr int writeProtectedBit = 0x02;

ListDef hostDriveList = {1, 5, 0, 1, 76, -1, nullptr, nullptr,
                         "   No. Name     Status        Attr.      Capacity  Type      belongs to ",
                         {"%c %c%-3d %-8s %-14s%-9s%7ld MB  %-9s %s", nullptr}};

const int hostListKeys[] = {tui::keyF(2), tui::keyF(4), tui::keyF(10), tui::keyF(5), -1};
const int carrierKeys[] = {tui::keyF(2), tui::keyF(4), tui::keyF(5), -1};

std::string Bounded(const char* text, size_t size)
{
    return std::string(text, strnlen(text, size));
}

// The line of host drive h.
void SetHostDriveLine(CListBox& list, int line, const CController& controller, const CHostDrive& drive)
{
    const CarrierRef carrier = FindCarrier(controller, drive);
    std::string state = "???";
    std::string attributes = "???";
    std::string type = "???";
    if (carrier.array != nullptr) {
        state = carrier.array->stateText;
        attributes = carrier.array->attributeText;
        type = carrier.array->typeText;
    } else if (carrier.mirror != nullptr) {
        state = carrier.mirror->stateText;
        attributes = carrier.logical->attributeText;
        type = carrier.mirror->typeText;
    } else if (carrier.logical != nullptr) {
        state = carrier.logical->stateText;
        attributes = carrier.logical->attributeText;
        type = carrier.logical->kindText;
    }
    if (drive.entry.attributes & writeProtectedBit)
        attributes = "RO";
    if (drive.cluster.type == 1)
        type += "/Clu";
    else if (drive.cluster.type == 2)
        type += "/Pri";
    const std::string label = HostDriveLineLabel(controller, drive);
    list.SetLine(line, ' ', ' ', drive.hostDriveNumber, Bounded(drive.entry.name, nameSize), state, attributes,
                 static_cast<long>(drive.entry.sectors >> 11), type, label);
}

// The carrier's line in the carrier window.
void SetCarrierLine(CListBox& list, const CController& controller, const CarrierRef& carrier)
{
    if (carrier.array != nullptr) {
        const CArrayDrive& a = *carrier.array;
        const std::string label = ArrayHostLabel(controller, a);
        list.SetLine(0, ' ', ' ', static_cast<int>(a.arrayNumber), Bounded(a.GetName(), nameSize), a.stateText,
                     a.attributeText, static_cast<long>(a.Capacity() >> 11), a.typeText, label);
    } else if (carrier.mirror != nullptr) {
        const CMirrorDrive& m = *carrier.mirror;
        const CLogDrive& first = *carrier.logical;
        const std::string label = MirrorHostLabel(controller, m);
        list.SetLine(0, ' ', ' ', static_cast<int>(m.mirrorNumber), Bounded(first.GetName(), nameSize), m.stateText,
                     first.attributeText, static_cast<long>(wire::get32(first.GetInfo(), LDINFO_CAPACITY) >> 11),
                     m.typeText, label);
    } else {
        SetLogicalDriveLine(list, 0, controller, *carrier.logical, ' ');
    }
}

}  // namespace

ListDef* HostDriveListDef()
{
    return &hostDriveList;
}

CarrierRef FindCarrier(const CController& controller, const CHostDrive& drive)
{
    CarrierRef ref;
    if (drive.carrierIndex < 0 || drive.carrierIndex >= controller.logDrives.count)
        return ref;
    CLogDrive& logical = const_cast<CController&>(controller).logDrives[drive.carrierIndex];
    ref.logical = &logical;
    CController& c = const_cast<CController&>(controller);
    if (drive.carrierWord & carrierArrayBit) {
        int a = logical.arrayIndex;
        if (a < 0 || a >= c.arrayDrives.count)
            a = c.FindArrayDrive(drive.entry.carrier);
        if (a >= 0 && a < c.arrayDrives.count)
            ref.array = &c.arrayDrives[a];
    } else if (drive.carrierWord & carrierMirrorBit) {
        int m = logical.mirrorIndex;
        if (m < 0 || m >= c.mirrorDrives.count)
            m = c.FindMirrorDrive(drive.entry.carrier);
        if (m >= 0 && m < c.mirrorDrives.count)
            ref.mirror = &c.mirrorDrives[m];
    }
    return ref;
}

const char* HostDriveLineLabel(const CController& controller, const CHostDrive& drive)
{
    const std::span<char> out(SharedText(), sharedTextSize);
    if (drive.carrierIndex < 0 || drive.carrierIndex >= controller.logDrives.count) {
        tui::strPrintf(out, "???");
        return SharedText();
    }
    const CLogDrive& logical = controller.logDrives[drive.carrierIndex];
    char text[64];
    if (logical.arrayIndex >= 0 && logical.arrayIndex < controller.arrayDrives.count)
        tui::strPrintf(text, "Array  %2d", static_cast<int>(controller.arrayDrives[logical.arrayIndex].arrayNumber));
    else if (logical.mirrorIndex >= 0 && logical.mirrorIndex < controller.mirrorDrives.count)
        tui::strPrintf(text, "RAID-1 %2d", static_cast<int>(controller.mirrorDrives[logical.mirrorIndex].mirrorNumber));
    else
        tui::strPrintf(text, "Logic. %2d", static_cast<int>(logical.GetNumber()));
    if (drive.hostDriveCount > 1)
        tui::strPrintf(out, "%s %d/%d", text, drive.position + 1, drive.hostDriveCount);
    else
        tui::strPrintf(out, "%s", text);
    return SharedText();
}

int ShowHostDriveCarrier(CController& controller, const CHostDrive& drive)
{
    const int number = drive.hostDriveNumber;
    int line = 0;
    for (;;) {
        const int h = controller.FindHostDrive(number);
        if (h < 0)
            return 1;
        const CarrierRef carrier = FindCarrier(controller, controller.hostDrives[h]);
        if (carrier.logical == nullptr)
            return 1;
        int key = 0;
        {
            CListBox list(HostDriveListDef(), 1, 1);
            if (!list.IsOk() || !list.Open(MessageText("M1028"), MessageText("M1021"))) {
                ShowMessage(MessageText("M4000"), 0, 1);
                return 1;
            }
            SetCarrierLine(list, controller, carrier);
            const int result = list.Run(line, carrierKeys, &key);
            if (result < 0) {
                if (result == -3)
                    ShowMessage(MessageText("M4000"), 0, 1);
                return 1;
            }
        }
        if (key == tui::keyF(5)) {
            if (carrier.array != nullptr)
                carrier.array->Identify();
            else if (carrier.mirror != nullptr)
                carrier.mirror->Identify();
            else
                carrier.logical->Identify();
        } else if (key == tui::keyF(2) || key == tui::keyF(4)) {
            if (carrier.array != nullptr)
                ShowArrayComponents(controller, *carrier.array);
            else if (carrier.mirror != nullptr)
                ShowMirrorComponents(controller, *carrier.mirror);
            else if ((carrier.logical->kind & 3) != LDKIND_MISSING)
                ShowLogicalDriveDisks(controller, *carrier.logical);
        }
    }
}

int ConfigureHostDrives(CController& controller)
{
    ShowWaitBox(MessageText("M2000"), 0);
    const int read = controller.Refresh();
    CloseWaitBox();
    if (!read)
        ShowErrorCode(controller.error);
    int line = 0;
    for (;;) {
        const int count = controller.hostDrives.count;
        const bool createLine = controller.freeDrives.count > 0;
        const int lines = count + (createLine ? 1 : 0);
        CListBox list(HostDriveListDef(), lines, 1);
        if (!list.IsOk() || !list.Open(MessageText("M1010"), MessageText("M1020"))) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        for (int i = 0; i < count; ++i)
            SetHostDriveLine(list, i, controller, controller.hostDrives[i]);
        if (createLine)
            list.SetLineText(count, MessageText("M1006"));
        if (line >= lines)
            line = 0;
        int key = 0;
        const int result = list.Run(line, hostListKeys, &key);
        if (result < 0) {
            if (result == -3)
                ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        line = result;
        if (key == tui::keyF(10)) {
            ShowWaitBox(MessageText("M2000"), 0);
            const int ok = controller.ReadConfiguration();
            CloseWaitBox();
            if (!ok)
                ShowErrorCode(controller.error);
            continue;
        }
        if (result >= count) {
            if (key != 0)
                continue;
            if (controller.FirmwareLevel() >= 30 && controller.IsMultiNode()) {
                ShowMessage(MessageText("M5059"), 0, 1);
                return 1;
            }
            CreateNewHostDrive(controller);
            continue;
        }
        CHostDrive& drive = controller.hostDrives[result];
        if (key == tui::keyF(5))
            drive.Identify();
        else if (key == tui::keyF(2) || key == tui::keyF(4))
            ShowHostDriveCarrier(controller, drive);
        else if (key == 0)
            HostDriveMenu(controller, drive);
    }
}
