// The " Controller Settings " dialog: cache, delayed write, BIOS and boot
// options, the per-channel termination, SCSI ID and domain validation, the
// non-build mode, and the two-part save.
#include <array>
#include <string>
#include <vector>

#include "byte_order.h"
#include "console_state.h"
#include "console_texts.h"
#include "controller.h"
#include "controller_screens.h"
#include "dialog_menu.h"
#include "error_message.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "settings_box.h"
#include "str_printf.h"

namespace {

constexpr int fixedCount = 12;

// The fixed items' names; their dot leaders end at one column in the
// records with channel groups and six columns earlier in the one without.
constexpr const char* fixedNames[fixedCount] = {
    "&Cache",
    "&Delayed Write",
    "&BIOS",
    "BIOS &Warning Level",
    "S&ETUP from Flash-RAM",
    "D&isplay <Ctrl><G>",
    "&Supported BIOS Drives",
    "CD-&ROM Boot",
    "&Memory Test",
    "&Halt on Firmware messages",
    "SES s&upport",
    "Immedi&ate Hard Disk start",
};
constexpr int groupLeader = 34;
constexpr int plainLeader = 28;

// "name ..... (%s)" with the dots up to `column` ('&' takes no room).
std::string LeaderText(const std::string& name, int column)
{
    int shown = 0;
    for (char ch : name)
        shown += ch != '&';
    return name + " " + std::string(static_cast<size_t>(column - shown - 1), '.') + " (%s)";
}

struct Texts {
    std::array<std::string, fixedCount> group, plain;
    Texts()
    {
        for (int i = 0; i < fixedCount; ++i) {
            group[i] = LeaderText(fixedNames[i], groupLeader);
            plain[i] = LeaderText(fixedNames[i], plainLeader);
        }
    }
};
const Texts texts;

const char* const terminationLine = "Chn. %-6s: Termination ........ (%s)";
const char* const scsiIdLine = "             SCSI-ID ............ (%s)";
const char* const domainLine = "             Domain Validation .. (%s)";

// One of the three records, filled from the texts above.
SettingsDef MakeRecord(int groupSize)
{
    SettingsDef def{20, 3, 0, groupSize ? 49 : 43, -1, groupSize, fixedCount, " Controller Settings ", nullptr, {}};
    for (int i = 0; i < fixedCount; ++i)
        def.items[i] = {groupSize ? texts.group[i].c_str() : texts.plain[i].c_str(), i};
    if (groupSize) {
        def.items[fixedCount] = {terminationLine, 12};
        def.items[fixedCount + 1] = {scsiIdLine, 13};
        if (groupSize == 3)
            def.items[fixedCount + 2] = {domainLine, 14};
    }
    return def;
}

MenuDef biosMenu = {30, 10, 0, nullptr, nullptr, {{"Enabled", 1}, {"Disabled", 3}, {"Removed", 0}, {nullptr, 0}}};
MenuDef onOffMenu = {0, 0, 0, nullptr, nullptr, {{"Off", 0}, {"On", 1}, {nullptr, 0}}};
MenuDef enabledMenu = {0, 0, 0, nullptr, nullptr, {{"Disabled", 0}, {"Enabled", 1}, {nullptr, 0}}};
MenuDef warningMenu = {0, 0, 0, nullptr, nullptr, {{"All messages", 0}, {"Fatal errors", 1}, {nullptr, 0}}};
MenuDef biosDrivesMenu = {0, 0, 0, nullptr, nullptr, {{" 2 ", 0}, {" 7 ", 1}, {nullptr, 0}}};
MenuDef memoryTestMenu = {0, 0, 0, nullptr, nullptr,
                          {{"No test", 0}, {"Standard", 1}, {"Double scan", 2}, {"Intensive", 3}, {nullptr, 0}}};
MenuDef terminationMenu = {0, 0, 0, nullptr, nullptr, {{"Off", 0}, {"On", 1}, {"Auto", 2}, {nullptr, 0}}};
MenuDef scsiIdMenu = {0, 0, 0, nullptr, nullptr,
                      {{" 0 ", 0}, {" 1 ", 1}, {" 2 ", 2}, {" 3 ", 3}, {" 4 ", 4}, {" 5 ", 5}, {" 6 ", 6}, {" 7 ", 7},
                       {nullptr, 0}}};

// The text of the menu item with the id ("" when none has it).
const char* ItemText(const MenuDef& menu, int id)
{
    for (const DialogItem& item : menu.items) {
        if (!item.text)
            break;
        if (item.id == id)
            return item.text;
    }
    return "";
}

constexpr uint8_t classWithBoardTermination = 0xFD;

// The termination text of a channel whose termination software cannot
// set, on a class 0xFD controller, by the board detail word.
const char* BoardTerminationText(uint32_t word)
{
    switch (word) {
    case 0x104:
    case 0x202:
    case 0x205:
        return "Set by jumper";
    case 0x200:
    case 0x201:
        return "Auto";
    case 0x203:
    case 0x204:
        return "N/A";
    default:
        return "Error";
    }
}

// The working copies of every value the dialog shows.
struct Values {
    int cache = 0, delayedWrite = 0, bios = 0, warning = 0, flashSetup = 0, ctrlG = 0, biosDrives = 0, cdBoot = 0,
        memoryTest = 0, halt = 0, ses = 0, immediateStart = 0;
    int id[CONTROLLER_MAX_CHANNELS] = {}, termination[CONTROLLER_MAX_CHANNELS] = {},
        domain[CONTROLLER_MAX_CHANNELS] = {}, settable[CONTROLLER_MAX_CHANNELS] = {};
};

Values ReadValues(CController& c)
{
    Values v;
    const uint8_t* page = c.configPageA;
    v.cache = c.CacheSwitch() != 0;
    v.delayedWrite = c.DelayedWriteSwitch() != 0;
    v.bios = page[PAGE_A_BIOS_MODE];
    v.warning = page[PAGE_A_BIOS_WARNING];
    v.biosDrives = PageWord(c) > 0x50001 ? page[PAGE_A_BIOS_DRIVES] : 0;
    v.memoryTest = page[PAGE_A_MEMORY_TEST];
    const uint8_t boot0 = page[PAGE_A_BOOT_OPTIONS];
    v.ctrlG = (boot0 & 0x10) == 0;
    v.flashSetup = (boot0 & 0x20) == 0;
    v.cdBoot = (boot0 & 0x80) != 0;
    v.halt = (page[PAGE_A_BOOT_OPTIONS + 1] & 0x01) == 0;
    const uint8_t second0 = page[PAGE_A_OPTIONS2];
    v.immediateStart = (second0 & 0x01) == 0;
    v.ses = (second0 & 0x10) == 0;
    SettingsRecord record;
    c.GetSettings(record);
    for (int n = 0; n < CONTROLLER_MAX_CHANNELS; ++n) {
        const uint8_t* e = record.bytes + SETREC_CHANNEL + SETREC_CHANNEL_SIZE * static_cast<size_t>(n);
        v.id[n] = e[SETREC_CH_ID];
        v.termination[n] = static_cast<int>(wire::get32(e, SETREC_CH_TERMINATION));
        v.domain[n] = static_cast<int>(wire::get32(e, SETREC_CH_DOMAIN_VALIDATION));
        v.settable[n] = page[PAGE_A_TERM_SETTABLE + n] != 0;
    }
    return v;
}

// What the channels decide: the listed channels and the record.
struct ChannelSet {
    std::vector<int> listed;
    bool allSata = true;
    bool anyFc = false;
    int groupSize = 2;
};

ChannelSet SortChannels(const CController& c)
{
    ChannelSet set;
    const int count = std::min<int>(c.info.channelCount, CONTROLLER_MAX_CHANNELS);
    for (int n = 0; n < count; ++n) {
        const uint8_t kind = c.channels[n].kind;
        set.allSata = set.allSata && kind == CHANNEL_KIND_SATA;
        set.anyFc = set.anyFc || kind == CHANNEL_KIND_FC;
        if (kind != 0 && kind != CHANNEL_KIND_FC && kind != CHANNEL_KIND_SATA)
            set.listed.push_back(n);
    }
    const uint8_t speed = count > 0 ? c.channels[0].SpeedCode() : 0;
    set.groupSize = set.allSata ? 0 : (speed >= 10 && speed <= 12) ? 3 : 2;
    if (set.allSata)
        set.listed.clear();
    return set;
}

const char* TerminationText(const CController& c, const Values& v, int n)
{
    if (c.info.controllerClass == classWithBoardTermination && !v.settable[n])
        return BoardTerminationText(wire::get32(c.boardDetails, BOARD_DETAILS_BOARD_TYPE));
    return ItemText(terminationMenu, v.termination[n]);
}

void FillTexts(CSettingsBox& box, const CController& c, const Values& v, const ChannelSet& set)
{
    const int onOff[] = {0, 1, 5, 9, 11};
    const int* onOffValue[] = {&v.cache, &v.delayedWrite, &v.ctrlG, &v.halt, &v.immediateStart};
    for (size_t i = 0; i < std::size(onOff); ++i)
        box.SetLine(onOff[i], ItemText(onOffMenu, *onOffValue[i] ? 1 : 0));
    box.SetLine(4, ItemText(enabledMenu, v.flashSetup ? 1 : 0));
    box.SetLine(7, ItemText(enabledMenu, v.cdBoot ? 1 : 0));
    box.SetLine(10, ItemText(enabledMenu, v.ses ? 1 : 0));
    box.SetLine(2, v.bios == 1 ? "Enabled" : v.bios == 0 ? "Removed" : "Disabled");
    box.SetLine(3, ItemText(warningMenu, v.warning));
    box.SetLine(6, ItemText(biosDrivesMenu, v.biosDrives));
    box.SetLine(8, ItemText(memoryTestMenu, v.memoryTest));
    int index = fixedCount;
    for (int n : set.listed) {
        box.SetLine(index++, c.channels[n].name, TerminationText(c, v, n));
        box.SetLine(index++, ItemText(scsiIdMenu, v.id[n]));
        if (set.groupSize == 3)
            box.SetLine(index++, ItemText(onOffMenu, v.domain[n] ? 1 : 0));
    }
}

// The BIOS menu, "Disabled" refused by older pages; "Removed" asks first.
int PickBios(const CController& c, int* value)
{
    int chosen;
    {
        CTagMenu menu(&biosMenu, 0);
        if (!menu.IsOk() || !menu.Open()) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 0;
        }
        if (PageWord(c) < 0x50001)
            menu.DisableItem(3);
        chosen = menu.Run(*value);
    }
    if (chosen < 0 || chosen == *value)
        return 0;
    if (chosen == 0 && !AskYesNo(MessageText("M3079"), 1))
        return 0;
    *value = chosen;
    return 1;
}

// The F9 key: the non-build mode switched after its question.
void ToggleNonBuildMode(CController& c)
{
    if (c.controllerParam.value == 0)
        return;
    const bool on = (c.controllerParam.flags & 0x01) != 0;
    if (!AskYesNo(MessageText(on ? "M3065" : "M3064"), 1))
        return;
    if (!c.SetNonBuildMode(on ? 0 : 1))
        ShowErrorCode(c.error);
}

struct Marks {
    bool first = false, second = false, reboot = false, ses = false;
};

// A firmware refusal in an error box.
void Refuse(const char* key, int major)
{
    char text[400];
    tui::strPrintf(text, MessageText(key), major, 0);
    ShowMessage(text, 1, 1);
}

// Runs the action of a chosen item; marks what changed.
// What a changed value of a row marks.
constexpr unsigned markFirst = 1, markSecond = 2, markReboot = 4, markSes = 8;

// 1 when the firmware has the halt switch; else M4046.
bool HaltAllowed(const CController& c)
{
    if (c.FirmwareVersion() > 0x1B0000)
        return true;
    ShowMessage(MessageText("M4046"), 1, 1);
    return false;
}

// 1 when the firmware has SES support; else the refusal for level 34.
bool SesAllowed(const CController& c)
{
    if (c.FirmwareLevel() >= 34)
        return true;
    Refuse("M4061", 34);
    return false;
}

// 1 when the firmware has the immediate disk start; else the refusal for level 28.
bool ImmediateStartAllowed(const CController& c)
{
    if (c.FirmwareVersion() > 0x1BFFFF)
        return true;
    Refuse("M4047", 28);
    return false;
}

// SETUP from Flash-RAM switched off switches the <Ctrl><G> display off.
void FlashSetupChanged(Values& v)
{
    if (!v.flashSetup)
        v.ctrlG = 0;
}

// The <Ctrl><G> display needs SETUP from Flash-RAM.
void CtrlGChanged(Values& v)
{
    if (v.ctrlG)
        v.flashSetup = 1;
}

// A fixed row of the dialog: the choice menu (null: the BIOS choice), the
// value it sets, what a change marks, the firmware gate and the coupled value.
struct FixedRow {
    MenuDef* menu;
    int Values::*value;
    unsigned marks;
    bool (*allowed)(const CController&);
    void (*changed)(Values&);
};

const FixedRow fixedRows[fixedCount] = {
    {&onOffMenu, &Values::cache, markFirst, nullptr, nullptr},
    {&onOffMenu, &Values::delayedWrite, markFirst, nullptr, nullptr},
    {nullptr, &Values::bios, markFirst | markReboot, nullptr, nullptr},
    {&warningMenu, &Values::warning, markFirst | markReboot, nullptr, nullptr},
    {&enabledMenu, &Values::flashSetup, markSecond, nullptr, FlashSetupChanged},
    {&onOffMenu, &Values::ctrlG, markSecond, nullptr, CtrlGChanged},
    {&biosDrivesMenu, &Values::biosDrives, markFirst | markReboot, nullptr, nullptr},
    {&enabledMenu, &Values::cdBoot, markSecond, nullptr, nullptr},
    {&memoryTestMenu, &Values::memoryTest, markFirst | markReboot, nullptr, nullptr},
    {&onOffMenu, &Values::halt, markSecond, HaltAllowed, nullptr},
    {&enabledMenu, &Values::ses, markFirst | markSes, SesAllowed, nullptr},
    {&onOffMenu, &Values::immediateStart, markFirst, ImmediateStartAllowed, nullptr},
};

void RunItem(CController& c, int item, Values& v, const ChannelSet& set, Marks& m)
{
    const auto pick = [](MenuDef& menu, int& value) {
        int chosen = value;
        if (!PickValue(&menu, &chosen))
            return false;
        value = chosen;
        return true;
    };
    if (item >= 0 && item < fixedCount) {
        const FixedRow& row = fixedRows[item];
        if (row.allowed != nullptr && !row.allowed(c))
            return;
        int& value = v.*row.value;
        if (!(row.menu != nullptr ? pick(*row.menu, value) : PickBios(c, &value) != 0))
            return;
        if (row.changed != nullptr)
            row.changed(v);
        m.first |= (row.marks & markFirst) != 0;
        m.second |= (row.marks & markSecond) != 0;
        m.reboot |= (row.marks & markReboot) != 0;
        m.ses |= (row.marks & markSes) != 0;
        return;
    }
    const int line = item - fixedCount;
    if (line < 0 || set.groupSize == 0 || line / set.groupSize >= static_cast<int>(set.listed.size()))
        return;
    const int n = set.listed[static_cast<size_t>(line / set.groupSize)];
    bool changed = false;
    switch (line % set.groupSize) {
    case 0:
        if (c.info.controllerClass != classWithBoardTermination)
            changed = pick(terminationMenu, v.termination[n]);
        break;
    case 1:
        changed = pick(scsiIdMenu, v.id[n]);
        break;
    default:
        changed = pick(onOffMenu, v.domain[n]);
        break;
    }
    if (changed)
        m.first = m.reboot = true;
}

// The first part: cache switches, then the settings of page A.
bool SaveFirstPart(CController& c, const Values& v, const Marks& m)
{
    if (!c.SetCacheMode(v.cache, v.delayedWrite))
        ShowErrorCode(c.error);
    SettingsRecord record;
    c.GetSettings(record);
    uint8_t* r = record.bytes;
    r[SETREC_BIOS_WARNING] = static_cast<uint8_t>(v.warning);
    r[SETREC_BIOS_DRIVES] = static_cast<uint8_t>(v.biosDrives);
    r[SETREC_BIOS_MODE] = static_cast<uint8_t>(v.bios);
    r[SETREC_MEMORY_TEST] = static_cast<uint8_t>(v.memoryTest);
    const int count = std::min<int>(c.info.channelCount, CONTROLLER_MAX_CHANNELS);
    for (int n = 0; n < count; ++n) {
        uint8_t* e = r + SETREC_CHANNEL + SETREC_CHANNEL_SIZE * static_cast<size_t>(n);
        e[SETREC_CH_ID] = static_cast<uint8_t>(v.id[n]);
        wire::put32(e, SETREC_CH_TERMINATION, static_cast<uint32_t>(v.termination[n]));
        wire::put32(e, SETREC_CH_DOMAIN_VALIDATION, v.domain[n] ? 1 : 0);
        wire::put32(e, SETREC_CH_TERM_SETTABLE, v.termination[n] != SETREC_TERM_NOT_SETTABLE ? 1 : 0);
    }
    r[SETREC_OPTION_COUNT2] = 2;
    uint8_t& second0 = r[SETREC_OPTIONS2];
    second0 = static_cast<uint8_t>((second0 & ~0x11) | (v.immediateStart ? 0 : 0x01) | (v.ses ? 0 : 0x10));
    const int saved = c.SetSettings(record);
    if (!saved)
        ShowErrorCode(c.error);
    if (m.reboot)
        c.AddFlags(1);
    return saved != 0;
}

// The second part: the boot options.
void SaveSecondPart(CController& c, const Values& v)
{
    if (v.bios != 0 && !v.flashSetup) {
        char text[400];
        tui::strPrintf(text, MessageText("M5034"), ProgramTitle());
        ShowMessage(text, 1, 1);
    }
    SettingsRecord record;
    c.GetSettings(record);
    uint8_t* r = record.bytes;
    r[SETREC_BOOT_COUNT] = c.FirmwareVersion() < 0x1B0001 ? 1 : 2;
    const uint8_t boot0 = c.configPageA[PAGE_A_BOOT_OPTIONS];
    const uint8_t boot1 = c.configPageA[PAGE_A_BOOT_OPTIONS + 1];
    r[SETREC_BOOT_OPTIONS] = static_cast<uint8_t>((boot0 & 0x4F) | (v.ctrlG ? 0 : 0x10) | (v.flashSetup ? 0 : 0x20) |
                                                  (v.cdBoot ? 0x80 : 0));
    r[SETREC_BOOT_OPTIONS + 1] = static_cast<uint8_t>((boot1 & 0xF8) | (v.halt ? 0 : 0x01));
    if (c.SetBootOptions(record))
        c.AddFlags(1);
    else
        ShowErrorCode(c.error);
}

int settingsLastLine = 0;

}  // namespace

int ControllerSettings(CController& controller)
{
    Values v = ReadValues(controller);
    const ChannelSet set = SortChannels(controller);
    SettingsDef def = MakeRecord(set.groupSize);
    const int total = fixedCount + set.groupSize * static_cast<int>(set.listed.size());
    const bool cacheKeys = Options().cache != 0;
    const int keysWithCache[] = {tui::keyF(9), tui::keyF(2), tui::keyF(4), -1};
    const int keysPlain[] = {tui::keyF(9), -1};
    Marks marks;
    if (settingsLastLine >= total)
        settingsLastLine = 0;
    for (;;) {
        int result;
        {
            CSettingsBox box(&def, total, 1);
            if (!box.IsOk()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 0;
            }
            FillTexts(box, controller, v, set);
            if (!box.Open(def.title, cacheKeys ? MessageText("M1024") : nullptr)) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 0;
            }
            if (set.allSata) {
                box.DisableItem(7);
                box.DisableItem(11);
            }
            if (!set.anyFc)
                box.DisableItem(10);
            if (PageWord(controller) < 0x50002)
                box.DisableItem(6);
            result = box.Run(settingsLastLine, cacheKeys ? keysWithCache : keysPlain);
            if (result >= 0 && result < total)
                settingsLastLine = result;
            if (result == -1 || result == -3)
                break;
            if (result == tui::keyF(9)) {
                ToggleNonBuildMode(controller);
                continue;
            }
            if (result == tui::keyF(2) || result == tui::keyF(4)) {
                AdvancedCacheSettings(controller);
                continue;
            }
            // The value menus open over the dialog, one level deeper.
            RunItem(controller, result, v, set, marks);
        }
    }
    if (!marks.first && !marks.second)
        return 0;
    if (!AskYesNo(MessageText("M3001"), 0))
        return 0;
    bool firstSaved = false;
    if (marks.first)
        firstSaved = SaveFirstPart(controller, v, marks);
    if (marks.second)
        SaveSecondPart(controller, v);
    if (marks.ses && firstSaved)
        ShowMessage(MessageText("M4037"), 0, 1);
    return marks.first ? 1 : 0;
}
