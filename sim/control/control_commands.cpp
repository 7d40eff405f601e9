#include "control_commands.h"

#include "access_control.h"
#include "array_control.h"
#include "control_line.h"
#include "device_control.h"
#include "fault_bus.h"
#include "fault_bus_control.h"
#include "flash_commands.h"
#include "hot_plug_control.h"
#include "message_log_control.h"
#include "progress_control.h"
#include "statistics_control.h"
#include "text_util.h"

#include <byte_order.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace kzmsim {

namespace {

using Words = std::vector<std::string>;
using Parser = bool (*)(const Words&, const std::string& text, ControlAction&);

bool num(const std::string& s, uint64_t max, uint64_t& out) { return parseNumber(s, max, out); }

bool parseBusy(const Words& w, const std::string&, ControlAction& a)
{
    uint64_t n;
    if (w.size() != 2 || !num(w[1], UINT32_MAX, n))
        return false;
    a = [n](Driver& d) {
        d.setBusy(static_cast<uint32_t>(n));
        return true;
    };
    return true;
}

bool parseStatus(const Words& all, const std::string&, ControlAction& a)
{
    // A trailing "after N" makes the Nth command with the key answer.
    Words w = all;
    uint64_t after = 1;
    if (w.size() >= 6 && w[w.size() - 2] == "after") {
        if (!num(w.back(), UINT32_MAX, after) || after == 0)
            return false;
        w.resize(w.size() - 2);
    }
    uint64_t entry, key, status, detail = 0;
    if (w.size() < 4 || w.size() > 5 || !num(w[1], 255, entry) || !num(w[2], UINT32_MAX, key) ||
        !num(w[3], 0xFFFF, status) || (w.size() == 5 && !num(w[4], 0xFFFF, detail)))
        return false;
    const uint32_t word = static_cast<uint32_t>(detail << 16 | status);
    a = [entry, key, word, after](Driver& d) {
        d.injectStatus(static_cast<int>(entry), static_cast<uint32_t>(key), word, static_cast<uint32_t>(after));
        return true;
    };
    return true;
}

bool parseCount(const Words& w, const std::string&, ControlAction& a)
{
    uint64_t n;
    if (w.size() != 2 || !num(w[1], 0xFFFF, n))
        return false;
    a = [n](Driver& d) {
        d.setControllerCount(static_cast<uint32_t>(n));
        return true;
    };
    return true;
}

bool parseEventFail(const Words& w, const std::string&, ControlAction& a)
{
    uint64_t n;
    if (w.size() != 2 || !num(w[1], UINT32_MAX, n))
        return false;
    a = [n](Driver& d) {
        d.setEventFailures(static_cast<uint32_t>(n));
        return true;
    };
    return true;
}

// "ioerr C HD SECTOR [N]": the next N (default 1) block reads of that sector
// of host drive HD fail.
bool parseIoError(const Words& w, const std::string&, ControlAction& a)
{
    uint64_t entry, drive, sector, times = 1;
    if ((w.size() != 4 && w.size() != 5) || !num(w[1], 255, entry) || !num(w[2], 0xFFFF, drive) ||
        !num(w[3], UINT32_MAX, sector) || (w.size() == 5 && (!num(w[4], UINT32_MAX, times) || times == 0)))
        return false;
    a = [entry, drive, sector, times](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (fw == nullptr)
            return false;
        fw->readFaults[{static_cast<uint16_t>(drive), sector}] = static_cast<uint32_t>(times);
        return true;
    };
    return true;
}

// "alarm C 0|1": the alarm (controller option 0) as key 0x17 would write it.
bool parseAlarm(const Words& w, const std::string&, ControlAction& a)
{
    uint64_t entry, on;
    if (w.size() != 3 || !num(w[1], 255, entry) || !num(w[2], 1, on))
        return false;
    a = [entry, on](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (!fw)
            return false;
        fw->records[{0x16, 0xFFFF}] = {static_cast<uint8_t>(on)};
        return true;
    };
    return true;
}

bool parseEvent(const Words& w, const std::string& text, ControlAction& a)
{
    EventBytes event{};
    if (!buildEvent(w, text, event))
        return false;
    a = [event](Driver& d) {
        d.events().add(event);
        return true;
    };
    return true;
}

// "eventtime T1 T2": the newest event of the store takes the time stamps
// T1 and T2 (seconds since 1970; 0 for none); an empty store fails the write.
bool parseEventTime(const Words& w, const std::string&, ControlAction& a)
{
    uint64_t t1, t2;
    if (w.size() != 3 || !num(w[1], UINT32_MAX, t1) || !num(w[2], UINT32_MAX, t2))
        return false;
    a = [t1, t2](Driver& d) {
        return d.events().stampNewest(static_cast<uint32_t>(t1), static_cast<uint32_t>(t2)) ||
               d.refuse("the event store is empty");
    };
    return true;
}

// "badsum C": the next flash read of entry C answers a wrong byte sum.
bool parseBadSum(const Words& w, const std::string&, ControlAction& a)
{
    uint64_t entry;
    if (w.size() != 2 || !num(w[1], 255, entry))
        return false;
    a = [entry](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (fw)
            fw->flash.badSumNext = true;
        return fw != nullptr;
    };
    return true;
}

// "flash C stale": a flash handle of entry C is left out, as a program that
// ended without closing its session leaves it; the next request for a handle
// answers 0xFFF8, one that asks for a fresh handle (-1) gets one.
bool parseFlash(const Words& w, const std::string&, ControlAction& a)
{
    uint64_t entry;
    if (w.size() != 3 || !num(w[1], 255, entry) || w[2] != "stale")
        return false;
    a = [entry](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (fw) {
            fw->flash.endSession();
            fw->flash.handle = fw->flash.nextHandle++;
        }
        return fw != nullptr;
    };
    return true;
}

// "reboot C": entry C restarts and loads the firmware image of its flash;
// page B takes over page A's fault bus and cluster bytes.
bool parseReboot(const Words& w, const std::string&, ControlAction& a)
{
    uint64_t entry;
    if (w.size() != 2 || !num(w[1], 255, entry))
        return false;
    a = [entry](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (fw && !rebootFirmware(*fw))
            std::fprintf(stderr, "kzmsim: controller %d: flash image incomplete, firmware 0x%06X kept\n",
                         static_cast<int>(entry), fw->identity.board.firmwareVersion & 0xFFFFFF);
        if (fw)
            takeOverFaultBusAndCluster(*fw);
        return fw != nullptr;
    };
    return true;
}

// A command of the control file: its name, its words as the user writes
// them (told when a line of it is malformed) and its parser.
struct ControlCommand {
    const char* name;
    const char* usage;
    Parser parse;
};

constexpr ControlCommand kControlCommands[] = {
    {"busy", "busy N", parseBusy},
    {"status", "status C KEY STATUS [DETAIL] [after N]", parseStatus},
    {"count", "count N (0..65535)", parseCount},
    {"event", "event C SOURCE SERVICE NUMBER SEVERITY|- none|-|HEX [TEXT]", parseEvent},
    {"eventfail", "eventfail N", parseEventFail},
    {"eventtime", "eventtime T1 T2", parseEventTime},
    {"alarm", "alarm C 0|1", parseAlarm},
    {"ioerr", "ioerr C HD SECTOR [N]", parseIoError},
    {"pull", "pull C CH ID", parsePull},
    {"insert", "insert C CH ID [CAPACITY [SECTORSIZE]]", parseInsert},
    {"fail", "fail C CH ID", parseFail},
    {"restore", "restore C CH ID", parseRestore},
    {"surface", "surface C CH ID ERRORS [SECOND]", parseSurface},
    {"sensor", "sensor C CH ID N DEGREES", parseSensor},
    {"badsum", "badsum C", parseBadSum},
    {"flash", "flash C stale", parseFlash},
    {"reboot", "reboot C", parseReboot},
    {"hold", "hold C HD|all", parseHold},
    {"release", "release C HD|all", parseRelease},
    {"progress", "progress step N (1..100) | progress time MS (1..3600000)", parseProgress},
    {"clock", "clock C VALUE", parseClock},
    {"diskerr", "diskerr C CH T R A", parseDiskErr},
    {"statrate", "statrate C RO WO BR BW", parseStatRate},
    {"cacherate", "cacherate C RR WR RH WH U D", parseCacheRate},
    {"logmsg", "logmsg C KIND TEXT", parseLogMsg},
    {"parityerror", "parityerror C A", parseParityError},
    {"expandfail", "expandfail C A PHASE (1..3)", parseExpandFail},
    {"fcloop", "fcloop C CH MASK (0..255)", parseFcLoop},
    {"settle", "settle C CH N", parseSettle},
    {"swaps", "swaps C CH N", parseSwaps},
    {"enclslots", "enclslots C N (0..255)", parseEnclosureSlots},
    {"hostdrive", "hostdrive C D N SIZE", parseHostDrive},
    {"logfault", "logfault C none|size N|count N|stuck", parseLogFault},
    {"hostcluster", "hostcluster C D TYPE (0..2) OWNER", parseHostCluster},
};

// The names of every command, for the reason of an unknown one.
std::string commandNames()
{
    std::string names;
    for (const ControlCommand& c : kControlCommands)
        names += (names.empty() ? "" : ", ") + std::string(c.name);
    return names;
}

// The rest of the line after its first n words, without the blank that ends word n.
std::string restAfterWords(const std::string& line, size_t n)
{
    size_t i = 0;
    for (size_t k = 0; k < n; ++k) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
    }
    if (i < line.size())
        ++i;
    return i < line.size() ? line.substr(i) : std::string();
}

}  // namespace

bool buildEvent(const Words& w, const std::string& text, EventBytes& event)
{
    uint64_t ctrl, source, service, number, severity = 0;
    if (w.size() < 7 || !num(w[1], 0xFFFF, ctrl) || !num(w[2], 0xFFFF, source) || source == 0 ||
        !num(w[3], 0xFFFF, service) || !num(w[4], 0xFFFF, number))
        return false;
    // "-" gives an asynchronous event the severity its firmware would give it.
    const bool firmwareSeverity = w[5] == "-";
    if (firmwareSeverity ? source != EVENT_SOURCE_ASYNC : !num(w[5], UINT32_MAX, severity))
        return false;
    EventFields f;
    f.textOnly = w[6] == "none";
    if (!f.textOnly && w[6] != "-" && (!parseHex(w[6], f.extra) || f.extra.size() > EVENT_EXTRA_MAX))
        return false;
    f.controller = static_cast<uint16_t>(ctrl);
    f.source = static_cast<uint16_t>(source);
    f.service = static_cast<uint16_t>(service);
    f.number = static_cast<uint16_t>(number);
    f.severity = firmwareSeverity ? firmwareEventSeverity(f.number) : static_cast<uint32_t>(severity);
    f.text = text;
    event = makeEvent(f);
    return true;
}

std::vector<std::string> controlCommandUsages()
{
    std::vector<std::string> out;
    for (const ControlCommand& c : kControlCommands)
        out.emplace_back(c.usage);
    return out;
}

long writeControl(Driver& d, const char* data, size_t size)
{
    // The write's lines that hold a word.
    const std::string text(data, size);
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!splitWords(line).empty())
            lines.push_back(std::move(line));
    }
    // Notes the refused line and why for kzmsim/refused; the write fails.
    auto refuse = [&](const std::string& line, const std::string& why) {
        std::string note = "refused \"" + line + "\": " + why;
        if (lines.size() > 1)
            note += "; none of the write's " + std::to_string(lines.size()) + " lines was carried out";
        d.noteRefused(std::move(note));
        return -EINVAL;
    };
    std::vector<ControlAction> actions;
    for (const std::string& line : lines) {
        const Words words = splitWords(line);
        const ControlCommand* cmd = nullptr;
        for (const ControlCommand& c : kControlCommands)
            if (words[0] == c.name)
                cmd = &c;
        if (!cmd)
            return refuse(line, "unknown command \"" + words[0] + "\" (the commands: " + commandNames() + ")");
        ControlAction action;
        if (!cmd->parse(words, restAfterWords(line, 7), action))
            return refuse(line, std::string("malformed; usage: ") + cmd->usage);
        actions.push_back(std::move(action));
    }
    const long failed = d.applyControl(actions);
    if (failed >= 0) {
        const std::string& why = d.refusal();
        return refuse(lines[static_cast<size_t>(failed)], why.empty() ? "cannot be carried out now" : why);
    }
    return static_cast<long>(size);
}

}  // namespace kzmsim
