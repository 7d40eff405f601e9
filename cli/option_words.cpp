#include "option_words.h"

#include "messages.h"
#include "option_values.h"

#include <cstdio>
#include <cstring>

namespace {

// Mode flags, as a mask.
constexpr unsigned MODE_STATUS = 1;
constexpr unsigned MODE_CREATE = 2;
constexpr unsigned MODE_DELETE = 4;
constexpr unsigned MODE_RESET = 8;
constexpr unsigned MODE_ASSIGN = 16;
constexpr unsigned MODE_ANY = MODE_STATUS | MODE_CREATE | MODE_DELETE | MODE_RESET | MODE_ASSIGN;

constexpr const char* NEEDS_CREATE = "Malformed options: -c|--create not specified\n";
constexpr const char* NEEDS_STATUS_OR_ASSIGN = "Malformed options: -s|--status or -a|--assign not specified\n";

// One parameter word as written on the command line.
struct WordText {
    const char* text;   // from the word's letter on
    const char* value;  // after the first ':'; nullptr without one
};

using FieldPtr = int OptionsRecord::*;
using ApplyFn = void (*)(OptionsRecord&, const WordText&, FieldPtr);

// A rule for a word, or for every other word of its letter (word nullptr).
struct WordRule {
    char letter;
    const char* word;         // nullptr: any other word of the letter
    size_t prefix;            // characters that must match; 0: the whole text must equal the word
    unsigned modes;           // one of these flags must be set already; 0: none asked
    const char* modeMessage;  // printed when none is set; nullptr: the error flag alone
    ApplyFn apply;            // nullptr: the word is ignored
    FieldPtr field;           // the field the word sets, where it has one
};

// Letters whose every word needs a mode flag before it is even looked at.
struct LetterGuard {
    char letter;
    unsigned modes;
    const char* message;
};

// RAID type words and their codes.
struct RaidWord {
    const char* word;
    int code;
};

constexpr RaidWord kRaidWords[] = {
    {"S", RAID_CODE_SINGLE},          {"C", RAID_CODE_CHAINING},
    {"0", RAID_CODE_RAID0},           {"1", RAID_CODE_RAID1},
    {"1H", RAID_CODE_RAID1_HOTSPARE}, {"4", RAID_CODE_RAID4},
    {"4H", RAID_CODE_RAID4_HOTSPARE}, {"5", RAID_CODE_RAID5},
    {"5H", RAID_CODE_RAID5_HOTSPARE}, {"10", RAID_CODE_RAID10},
    {"10H", RAID_CODE_RAID10_HOTSPARE},
};

unsigned ModesSet(const OptionsRecord& o)
{
    return (o.status ? MODE_STATUS : 0u) | (o.create ? MODE_CREATE : 0u) | (o.deleteDrive ? MODE_DELETE : 0u) |
           (o.reset ? MODE_RESET : 0u) | (o.assign ? MODE_ASSIGN : 0u);
}

// True when one of `modes` is set; else prints the message (if any) and sets the error flag.
bool RequireMode(OptionsRecord& o, unsigned modes, const char* message)
{
    if (modes == 0 || (ModesSet(o) & modes) != 0)
        return true;
    if (message != nullptr)
        std::fputs(message, stdout);
    o.error = 1;
    return false;
}

void Malformed(OptionsRecord& o, const WordText&, FieldPtr)
{
    o.error = 1;
}

void SetFlag(OptionsRecord& o, const WordText&, FieldPtr field)
{
    o.*field = 1;
}

// A decimal after ':' into the field; anything else is malformed.
void SetNumber(OptionsRecord& o, const WordText& w, FieldPtr field)
{
    if (w.value == nullptr || CheckDigits(w.value) != 0) {
        o.error = 1;
        return;
    }
    const int value = ParseDecimal(w.value);
    if (value < 0)
        o.error = 1;
    else
        o.*field = value;
}

// SIZE: a value too large becomes -1, which the create command refuses.
void SetSize(OptionsRecord& o, const WordText& w, FieldPtr)
{
    if (w.value == nullptr || CheckDigits(w.value) != 0)
        o.error = 1;
    else
        o.SIZE = ParseDecimal(w.value);
}

// An ON/OFF setting: shown with -s, set with -a.
void SetOnOff(OptionsRecord& o, const WordText& w, FieldPtr field)
{
    o.*field = 1;
    if (!o.assign)
        return;
    if (w.value == nullptr) {
        o.error = 1;
        return;
    }
    o.*field = ParseOnOff(w.value);
    if (o.*field == -1)
        o.error = 1;
}

void SetBios(OptionsRecord& o, const WordText& w, FieldPtr)
{
    o.BIOS = 1;
    if (!o.assign)
        return;
    if (w.value == nullptr) {
        o.error = 1;
        return;
    }
    if (std::strcmp(w.value, "ENABLE") == 0) {
        o.BIOS = 1;
    } else if (std::strcmp(w.value, "DISABLE") == 0) {
        o.BIOS = 3;
    } else if (std::strcmp(w.value, "REMOVE") == 0) {
        o.BIOS = 0;
    } else {
        Emit("ERROR: Illegal BIOS parameter value specified %s.\nERROR: choose between ENABLE|DISABLE|REMOVE\n",
             w.value);
        o.error = 1;
    }
}

// The stripe size is given in KB and kept in 512-byte sectors. A value that
// is not a number leaves the one already held to be mapped.
void SetStripSize(OptionsRecord& o, const WordText& w, FieldPtr)
{
    if (w.value == nullptr) {
        o.error = 1;
        return;
    }
    const int value = CheckDigits(w.value) == 0 ? ParseDecimal(w.value) : -1;
    if (value < 0)
        o.error = 1;
    else
        o.STRIPSIZE = value;
    switch (o.STRIPSIZE) {
    case 16: o.STRIPSIZE = 32; break;
    case 32: o.STRIPSIZE = 64; break;
    case 64: o.STRIPSIZE = 128; break;
    case 128: o.STRIPSIZE = 256; break;
    default:
        Emit("WARNING: Illegal STRIP size specifed %d. Using 128.\n", o.STRIPSIZE);
        o.STRIPSIZE = 256;
        break;
    }
}

void SetDisks(OptionsRecord& o, const WordText& w, FieldPtr)
{
    if (w.value != nullptr && *w.value != '\0')
        o.DISKS = w.value;
}

void SetName(OptionsRecord& o, const WordText& w, FieldPtr)
{
    if (w.value == nullptr) {
        o.error = 1;
        return;
    }
    const size_t length = strnlen(w.value, OPTION_NAME_MAX_CHARS);
    std::memcpy(o.NAME, w.value, length);
    o.NAME[length] = '\0';
    o.nameGiven = 1;
}

// FW alone asks status for the firmware version; FW:FILE asks assign to flash it.
void SetFirmware(OptionsRecord& o, const WordText& w, FieldPtr)
{
    if (w.value == nullptr) {
        if (RequireMode(o, MODE_STATUS, "Malformed options: -s|--status not specified\n"))
            o.showFW = 1;
        return;
    }
    if (!RequireMode(o, MODE_ASSIGN, "Malformed options: -a|--assign not specified\n"))
        return;
    o.fwUpdate = 1;
    if (*w.value == '\0') {
        std::fputs("ERROR: Please specify a filename\n", stdout);
        o.error = 1;
    } else {
        o.fwFile = w.value;
    }
}

void SetRaidType(OptionsRecord& o, const char* value)
{
    for (const RaidWord& r : kRaidWords) {
        if (std::strcmp(value, r.word) == 0) {
            o.RAID = r.code;
            return;
        }
    }
    std::fputs("Malformed options: Invalid RAID type.\n", stdout);
    if (o.create)
        std::fputs("Valid RAID type Options: S|C|0|1|1H|4|4H|5|5H|10|10H\n", stdout);
    o.error = 1;
}

// RAID:TYPE; RAID alone asks status for its tables.
void SetRaid(OptionsRecord& o, const WordText& w, FieldPtr)
{
    if (w.value != nullptr)
        SetRaidType(o, w.value);
    else if (o.status)
        o.showRAID = 1;
    else
        o.error = 1;
}

// Any other R word is a RAID type written right after the R (-R5).
void SetRaidShort(OptionsRecord& o, const WordText& w, FieldPtr)
{
    SetRaidType(o, w.text + 1);
}

constexpr LetterGuard kLetterGuards[] = {
    {'C', MODE_ANY, "Malformed options: -s|--status -c|--create -d|--delete -r|--reset -a|--assign not specified\n"},
    {'N', MODE_CREATE, NEEDS_CREATE},
    {'R', MODE_CREATE | MODE_STATUS, "Malformed options: -c|--create -s|--status not specified\n"},
};

// Tried in this order within their letter; the first that matches applies.
constexpr WordRule kWordRules[] = {
    {'C', "CTR", 3, 0, nullptr, SetNumber, &OptionsRecord::CTR},
    {'C', "CACHE", 5, MODE_ASSIGN | MODE_STATUS, nullptr, SetOnOff, &OptionsRecord::CACHE},
    {'C', "CDBOOT", 6, MODE_ASSIGN | MODE_STATUS, nullptr, SetOnOff, &OptionsRecord::CDBOOT},
    {'C', nullptr, 0, 0, nullptr, nullptr, nullptr},
    {'D', "DISKS", 5, MODE_CREATE, NEEDS_CREATE, SetDisks, nullptr},
    {'D', "DELAYEDWRITE", 12, MODE_ASSIGN | MODE_STATUS, NEEDS_STATUS_OR_ASSIGN, SetOnOff,
     &OptionsRecord::DELAYEDWRITE},
    {'D', nullptr, 0, 0, nullptr, Malformed, nullptr},
    {'F', "FW", 2, 0, nullptr, SetFirmware, nullptr},
    {'F', nullptr, 0, 0, nullptr, nullptr, nullptr},
    {'H', "HOSTDRIVE", 9, MODE_DELETE | MODE_ASSIGN, "Malformed options: -d|--delete or -a|--assign not specified\n",
     SetNumber, &OptionsRecord::HOSTDRIVE},
    {'H', "HDSTART", 7, MODE_ASSIGN | MODE_STATUS, NEEDS_STATUS_OR_ASSIGN, SetOnOff, &OptionsRecord::HDSTART},
    {'H', nullptr, 0, 0, nullptr, Malformed, nullptr},
    {'N', "NODESTRUCT", 0, 0, nullptr, SetFlag, &OptionsRecord::NODESTRUCT},
    {'N', "NAME", 4, 0, nullptr, SetName, nullptr},
    {'N', nullptr, 0, 0, nullptr, nullptr, nullptr},
    {'R', "RAID", 4, 0, nullptr, SetRaid, nullptr},
    {'R', nullptr, 0, 0, nullptr, SetRaidShort, nullptr},
    {'S', "SIZE", 4, MODE_CREATE, NEEDS_CREATE, SetSize, nullptr},
    {'S', "STRIPSIZE", 5, MODE_CREATE, NEEDS_CREATE, SetStripSize, nullptr},
    {'S', "SWAPDRIVE", 9, MODE_ASSIGN, "Malformed options: -a|--assign  not specified\n", SetNumber,
     &OptionsRecord::SWAPDRIVE},
    {'S', nullptr, 0, 0, nullptr, Malformed, nullptr},
    {'B', "BIOS", 4, MODE_STATUS | MODE_ASSIGN, NEEDS_STATUS_OR_ASSIGN, SetBios, nullptr},
    {'B', "BLOCK", 5, MODE_CREATE, NEEDS_CREATE, SetFlag, &OptionsRecord::BLOCK},
    {'B', "BOOTDRIVE", 9, MODE_ASSIGN, "Malformed options: -a|--assign not specified\n", SetNumber,
     &OptionsRecord::BOOTDRIVE},
    {'B', nullptr, 0, 0, nullptr, Malformed, nullptr},
};

bool Matches(const WordRule& rule, const char* text)
{
    if (rule.word == nullptr)
        return true;
    if (rule.prefix == 0)
        return std::strcmp(text, rule.word) == 0;
    return std::strncmp(text, rule.word, rule.prefix) == 0;
}

}  // namespace

bool IsParameterLetter(char letter)
{
    for (const WordRule& rule : kWordRules)
        if (rule.letter == letter)
            return true;
    return false;
}

void ApplyParameterWord(OptionsRecord& options, const char* word)
{
    for (const LetterGuard& guard : kLetterGuards)
        if (guard.letter == *word && !RequireMode(options, guard.modes, guard.message))
            return;

    const char* colon = std::strchr(word, ':');
    const WordText text{word, colon != nullptr ? colon + 1 : nullptr};
    for (const WordRule& rule : kWordRules) {
        if (rule.letter != *word || !Matches(rule, word))
            continue;
        if (RequireMode(options, rule.modes, rule.modeMessage) && rule.apply != nullptr)
            rule.apply(options, text, rule.field);
        return;
    }
}
