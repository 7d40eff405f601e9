// The controller's own enclosure configurations for non-intelligent
// enclosures: the list, vendor and name, and the slot editor.
#include <algorithm>
#include <cstring>
#include <vector>

#include "byte_order.h"
#include "controller.h"
#include "dialog_list.h"
#include "disk_lines.h"
#include "enclosure_config_layout.h"
#include "enclosure_screens.h"
#include "error_message.h"
#include "input_box.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "phys_drive_records.h"

namespace {

constexpr size_t recTextSize = 12;  // vendor and name fields of a configuration record
constexpr int textChars = 11;

ListDef enclosureList = {3, 8, 0, 1, 63, -1, " Select Enclosure ", " ENTER: Select, F4: Edit Vendor/Name ",
                         "No.  Vendor        Name          Status", {"%2d   %-12s  %-12s  %-14s", nullptr}};
ListDef configSlotList = {1, 5, 0, 1, 75, -1, " Enclosure Slots ", " ENTER: Add/Remove Disk ",
                    " Slot  Chn    ID LUN  Vendor  Product          Attr. Cap(MB) Drive", {"   %d   %s", nullptr}};
InputDef vendorInput = {20, 12, 0, "Enclosure Vendor: ", textChars};
InputDef enclosureNameInput = {20, 15, 0, "Enclosure Name:   ", textChars};

const int nameKeys[] = {tui::keyF(2), tui::keyF(4), -1};

size_t RecordSize(uint32_t slots)
{
    return slots * kConfigEntry + 40;
}

// A record's text field as a string of at most 11 characters.
std::string Text(const std::vector<uint8_t>& record, size_t at)
{
    const char* p = reinterpret_cast<const char*>(record.data() + at);
    return std::string(p, strnlen(p, textChars));
}

// The slot count of configuration i and, when it has slots, its record;
// false after a failure (shown).
bool ReadConfig(CController& controller, int i, uint32_t& slots, std::vector<uint8_t>& record)
{
    uint8_t size[8] = {};
    wire::put32(size, 0, kConfigIdBase + static_cast<uint32_t>(i));
    if (!controller.GetEnclosureInfo(size)) {
        ShowErrorCode(controller.error);
        return false;
    }
    slots = wire::get32(size, 4);
    record.assign(RecordSize(slots), 0);
    wire::put32(record.data(), 0, kConfigIdBase + static_cast<uint32_t>(i));
    wire::put32(record.data(), kConfigSlotCount, slots);
    if (slots == 0)
        return true;
    if (!controller.ReadEnclosureConfig(record.data(), record.size())) {
        ShowErrorCode(controller.error);
        return false;
    }
    return true;
}

bool Initialised(const CPhysDrive& d)
{
    return d.DeviceType() == 0 && d.GetInfo()[DEVINFO_INITIALISED] != 0;
}

}  // namespace

int SelectEnclosureDisk(CController& controller, const EnclosureSlot* slots, int, int slotMax)
{
    std::vector<int> candidates;
    for (int d = 0; d < controller.physDrives.count; ++d) {
        const CPhysDrive& disk = controller.physDrives[d];
        if (!Initialised(disk) || controller.channels[disk.channel].kind == CHANNEL_KIND_FC ||
            disk.enclosureIndex >= 0 || disk.enclosureConfigId >= 0)
            continue;
        const bool held = std::any_of(slots, slots + slotMax, [d](const EnclosureSlot& s) {
            return s.occupied && s.drive == d;
        });
        if (!held)
            candidates.push_back(d);
    }
    return ChooseSlotDisk(controller, candidates);
}

int EditEnclosureName(CController& controller, int index, std::vector<uint8_t>& record, uint32_t slots)
{
    char vendor[recTextSize] = {};
    char name[recTextSize] = {};
    std::memcpy(vendor, Text(record, kConfigVendor).c_str(), Text(record, kConfigVendor).size());
    std::memcpy(name, Text(record, kConfigName).c_str(), Text(record, kConfigName).size());
    {
        CInputBox box(&vendorInput);
        if (!box.Open(nullptr, nullptr)) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 0;
        }
        box.Edit(vendor);
        if (box.LastKey() != tui::keyEnter)
            return 0;
    }
    {
        CInputBox box(&enclosureNameInput);
        if (!box.Open(nullptr, nullptr)) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 0;
        }
        box.Edit(name);
        if (box.LastKey() != tui::keyEnter)
            return 0;
    }
    std::memset(record.data() + kConfigVendor, 0, recTextSize);
    std::memset(record.data() + kConfigName, 0, recTextSize);
    std::memcpy(record.data() + kConfigVendor, vendor, strnlen(vendor, textChars));
    std::memcpy(record.data() + kConfigName, name, strnlen(name, textChars));
    wire::put32(record.data(), 0, kConfigIdBase + static_cast<uint32_t>(index));
    wire::put32(record.data(), kConfigSlotCount, slots);
    if (!controller.WriteEnclosureConfig(record.data(), RecordSize(slots))) {
        ShowErrorCode(controller.error);
        return 0;
    }
    return 1;
}

int ConfigureEnclosureSlots(CController& controller, int index, std::vector<uint8_t>& record, uint32_t count,
                            int slotMax)
{
    std::vector<EnclosureSlot> slots(static_cast<size_t>(std::max(slotMax, 0)));
    for (uint32_t k = 0; k < count; ++k) {
        const uint8_t* s = record.data() + kConfigHead + kConfigEntry * k;
        if (s[7] >= slotMax)
            continue;
        const int d = controller.FindPhysDrive(s[5], s[6], 0);
        slots[s[7]].occupied = d >= 0 ? 1 : 0;
        slots[s[7]].drive = d;
    }
    bool changed = false;
    int current = 0;
    for (;;) {
        int chosen;
        {
            CListBox list(&configSlotList, slotMax, 1);
            if (!list.IsOk()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            for (int k = 0; k < slotMax; ++k) {
                const EnclosureSlot& s = slots[static_cast<size_t>(k)];
                list.SetLine(k, k, s.occupied && s.drive >= 0 ? DiskLineText(controller, controller.physDrives[s.drive])
                                                              : MessageText("M1032"));
            }
            if (!list.Open()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            chosen = list.Run(current);
        }
        if (chosen < 0 || chosen >= slotMax)
            break;
        current = chosen;
        EnclosureSlot& s = slots[static_cast<size_t>(chosen)];
        if (!s.occupied) {
            const int d = SelectEnclosureDisk(controller, slots.data(), chosen, slotMax);
            if (d < 0)
                continue;
            controller.physDrives[d].SetEnclosureConfigLink(static_cast<int>(kConfigIdBase) + index, chosen);
            s.occupied = 1;
            s.drive = d;
        } else {
            if (s.drive >= 0)
                controller.physDrives[s.drive].SetEnclosureConfigLink(-1, -1);
            s.occupied = 0;
            s.drive = -1;
        }
        changed = true;
    }
    if (!changed || !AskYesNo(MessageText("M3013"), 0))
        return 1;
    std::vector<uint8_t> asRead = record;
    if (!controller.ResetEnclosureConfig(asRead.data(), RecordSize(count))) {
        ShowErrorCode(controller.error);
        return 1;
    }
    uint32_t occupied = 0;
    for (const EnclosureSlot& s : slots)
        occupied += s.occupied ? 1 : 0;
    std::vector<uint8_t> written(RecordSize(occupied), 0);
    std::memcpy(written.data(), record.data(), kConfigHead);
    wire::put32(written.data(), 0, kConfigIdBase + static_cast<uint32_t>(index));
    wire::put32(written.data(), kConfigSlotCount, occupied);
    size_t at = kConfigHead;
    for (int k = 0; k < slotMax; ++k) {
        const EnclosureSlot& s = slots[static_cast<size_t>(k)];
        if (!s.occupied)
            continue;
        const CPhysDrive& disk = controller.physDrives[s.drive];
        wire::put32(written.data(), at, static_cast<uint32_t>(index));
        written[at + 4] = 3;
        written[at + 5] = static_cast<uint8_t>(disk.channel);
        written[at + 6] = static_cast<uint8_t>(disk.targetId);
        written[at + 7] = static_cast<uint8_t>(k);
        at += kConfigEntry;
    }
    if (!controller.WriteEnclosureConfig(written.data(), written.size())) {
        // The reset released the old slots: put the record as read back so
        // that the configuration is not lost, then show the failure.
        const uint32_t error = controller.error;
        asRead = record;
        controller.WriteEnclosureConfig(asRead.data(), RecordSize(count));
        ShowErrorCode(error);
    }
    return 1;
}

int SelectEnclosure(CController& controller)
{
    const int configs = static_cast<int>(controller.enclosureConfigCount);
    const int slotMax = static_cast<int>(controller.enclosureRecordWord);
    if (configs <= 0 || slotMax <= 0)
        return 1;
    int result = 0;
    int current = 0;
    for (;;) {
        int chosen;
        int key = 0;
        {
            CListBox list(&enclosureList, configs, 1);
            if (!list.IsOk()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 0;
            }
            for (int i = 0; i < configs; ++i) {
                uint32_t slots = 0;
                std::vector<uint8_t> record;
                if (!ReadConfig(controller, i, slots, record))
                    return 0;
                if (slots == 0)
                    list.SetLine(i, i, "", "", "Not Configured");
                else
                    list.SetLine(i, i, Text(record, kConfigVendor), Text(record, kConfigName), "Configured");
            }
            if (!list.Open()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 0;
            }
            // F2 or F4 give the current line with the key.
            chosen = list.Run(current, nameKeys, &key);
        }
        if (chosen < 0 || chosen >= configs)
            return result;
        current = chosen;
        uint32_t slots = 0;
        std::vector<uint8_t> record;
        if (!ReadConfig(controller, chosen, slots, record))
            return 0;
        if (key != 0) {
            if (slots == 0)
                ShowMessage(MessageText("M5047"), 0, 1);
            else
                EditEnclosureName(controller, chosen, record, slots);
            continue;
        }
        result = ConfigureEnclosureSlots(controller, chosen, record, slots, slotMax);
        if (result == 1)
            controller.ScanDevices();
    }
}
