#include "option_parser.h"

#include "help_texts.h"
#include "option_words.h"
#include "tool_identity.h"

#include <cstdio>
#include <cstring>

namespace {

using FieldPtr = int OptionsRecord::*;

struct FlagLetter {
    char letter;
    FieldPtr field;
};

struct LongOption {
    const char* name;
    FieldPtr field;
};

constexpr FlagLetter kFlagLetters[] = {
    {'h', &OptionsRecord::help},     {'?', &OptionsRecord::help},   {'v', &OptionsRecord::version},
    {'x', &OptionsRecord::extended}, {'f', &OptionsRecord::force},  {'q', &OptionsRecord::quiet},
    {'r', &OptionsRecord::reset},    {'s', &OptionsRecord::status}, {'c', &OptionsRecord::create},
    {'d', &OptionsRecord::deleteDrive},
    {'a', &OptionsRecord::assign},
};

constexpr LongOption kLongOptions[] = {
    {"help", &OptionsRecord::help},     {"version", &OptionsRecord::version},
    {"quiet", &OptionsRecord::quiet},   {"force", &OptionsRecord::force},
    {"reset", &OptionsRecord::reset},   {"status", &OptionsRecord::status},
    {"assign", &OptionsRecord::assign}, {"create", &OptionsRecord::create},
    {"delete", &OptionsRecord::deleteDrive},
};

// The help of a mode, looked for in this order.
struct ModeHelp {
    FieldPtr field;
    void (*print)();
};

constexpr ModeHelp kModeHelps[] = {
    {&OptionsRecord::assign, PrintAssignHelp},
    {&OptionsRecord::create, PrintCreateHelp},
    {&OptionsRecord::deleteDrive, PrintDeleteHelp},
    {&OptionsRecord::reset, PrintResetHelp},
    {&OptionsRecord::status, PrintStatusHelp},
};

FieldPtr FindFlag(char letter)
{
    for (const FlagLetter& f : kFlagLetters)
        if (f.letter == letter)
            return f.field;
    return nullptr;
}

FieldPtr FindLongOption(const char* name)
{
    for (const LongOption& l : kLongOptions)
        if (std::strcmp(l.name, name) == 0)
            return l.field;
    return nullptr;
}

enum class ArgumentResult { Next, Rejected };

// Reads the characters of one argument after its prefix.
ArgumentResult ParseArgument(OptionsRecord& o, const char* chars)
{
    for (const char* p = chars; *p != '\0'; ++p) {
        if (FieldPtr flag = FindFlag(*p)) {
            o.*flag = 1;
            continue;
        }
        if (*p == OPTION_PREFIX) {
            FieldPtr field = FindLongOption(p + 1);
            if (field == nullptr) {
                std::printf("%s: illegal option %s\n", PROGRAM_NAME, p + 1);
                PrintHelp();
                return ArgumentResult::Rejected;
            }
            o.*field = 1;
            return ArgumentResult::Next;
        }
        if (IsParameterLetter(*p)) {
            ApplyParameterWord(o, p);
            return ArgumentResult::Next;
        }
        std::printf("%s: illegal option %c\n", PROGRAM_NAME, *p);
        std::printf("%s: illegal option\n", PROGRAM_NAME);
        PrintShortUsage();
        return ArgumentResult::Rejected;
    }
    return ArgumentResult::Next;
}

void PrintRequestedHelp(const OptionsRecord& o)
{
    for (const ModeHelp& m : kModeHelps) {
        if (o.*m.field) {
            m.print();
            return;
        }
    }
    PrintHelp();
}

}  // namespace

int ParseOptions(OptionsRecord& o, int argc, char** argv)
{
    if (argc < 2) {
        PrintShortUsage();
        return 0;
    }
    bool entered = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != OPTION_PREFIX)
            break;
        if (!entered) {
            o.error = 0;
            entered = true;
        }
        if (ParseArgument(o, arg + 1) == ArgumentResult::Rejected)
            return 1;
    }

    if (o.error) {
        std::printf("%s: illegal option\n", PROGRAM_NAME);
        PrintShortUsage();
        return 1;
    }
    if (o.version) {
        PrintVersion();
        if (o.extended)
            PrintExtendedVersion();
    } else if (o.help) {
        PrintRequestedHelp(o);
    }
    return 0;
}
