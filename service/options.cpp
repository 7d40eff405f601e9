#include "options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int VERSION_MAJOR = 1, VERSION_MINOR = 12, VERSION_PATCH = 0;
constexpr const char* BUILD_DATE = "Nov  6 2002";

// One value-taking option: its flag, its repeat message and its checks.
struct ValueOption {
    char letter;
    int ServiceOptions::*given;
    const char* repeatText;
    const char* badValueText;  // message for a missing, malformed or out-of-range value
    int low, high;             // accepted range of a number option
};

const ValueOption valueOptions[] = {
    {'f', &ServiceOptions::fGiven, "%s: `-f' option given more than once\n",
     "%s: `-f' option needs a file name.\n", 0, 0},
    {'i', &ServiceOptions::iGiven, "%s: `-i' option given more than once\n",
     "%s: `-i' option needs a number of seconds.\n", INT_MIN, INT_MAX},
    {'l', &ServiceOptions::lGiven, "%s: `-l' option given more than once\n",
     "%s: `-l' option only valid between 1 and 3.\n", 1, 3},
    {'c', &ServiceOptions::cGiven, "%s: `-c' option given more than once\n",
     "%s: `-c' option only valid between 1 and 20.\n", 1, 20},
};

// Reads a whole decimal number (leading blanks and sign allowed) within
// [low, high]; false for no digits, trailing characters or out of range.
bool read_number(const char* text, int low, int high, int& out)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    if (!*text)
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || v < low || v > high)
        return false;
    out = static_cast<int>(v);
    return true;
}

OptionAction refuse(const char* fmt, FILE* out, FILE* err)
{
    std::fprintf(err, fmt, PROGRAM_NAME);
    print_usage(out);
    return OptionAction::ExitFail;
}

}  // namespace

const char* option_value(char** argv, int argc, int* index)
{
    const char* arg = argv[*index];
    if (std::strlen(arg) > 2)
        return arg + 3;
    if (*index + 1 >= argc)
        return nullptr;
    ++*index;
    return argv[*index];
}

void print_version(FILE* out)
{
    std::fprintf(out, "%s v%d.%02d.%02d - %s\n", PROGRAM_NAME, VERSION_MAJOR, VERSION_MINOR,
                 VERSION_PATCH, BUILD_DATE);
}

void print_usage(FILE* out)
{
    std::fprintf(out, "Tarvo RAID Configuration Service - version %d.%02d.%02d - %s\n", VERSION_MAJOR,
                 VERSION_MINOR, VERSION_PATCH, BUILD_DATE);
    std::fprintf(out,
                 "Usage: %s [OPTIONS]...\n  -h             Print help and exit.\n"
                 "  -v             Print version and exit.\n  -f <file>      Configuration file.\n"
                 "                 Default is '%s'.\n",
                 PROGRAM_NAME, DEFAULT_CONFIG_PATH);
    std::fprintf(out, "  -i <int>       Event polling interval in seconds.\n"
                      "                 Default is 5.\n");
    std::fprintf(out, "  -l <int>       Logging level (1..3). Default is 1.\n"
                      "  -c <int>       Max. allowed connections. Default is 10.\n");
}

OptionAction scan_options(int argc, char** argv, ServiceOptions& opts, FILE* out, FILE* err)
{
    opts.iGiven = opts.lGiven = opts.fGiven = opts.cGiven = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        // "-" alone names no option: refused like any argument that is no option.
        if (arg[0] != '-' || arg[1] == '\0') {
            std::fprintf(err, "%s: invalid command line option '%s'.\n", PROGRAM_NAME, arg);
            return OptionAction::Invalid;
        }
        char letter = arg[1];
        if (letter == 'h') {
            print_usage(out);
            return OptionAction::ExitOk;
        }
        if (letter == 'v') {
            print_version(out);
            return OptionAction::ExitOk;
        }
        const ValueOption* vo = nullptr;
        for (const auto& o : valueOptions)
            if (o.letter == letter)
                vo = &o;
        if (!vo) {
            std::fprintf(err, "%s: option unknown: %c\n", PROGRAM_NAME, letter);
            return OptionAction::ExitFail;
        }
        if (opts.*(vo->given))
            return refuse(vo->repeatText, out, err);
        const char* value = option_value(argv, argc, &i);
        if (!value)
            return refuse(vo->badValueText, out, err);
        if (letter == 'f') {
            if (std::strlen(value) > CONFIG_PATH_MAX)
                return refuse("%s: `-f' option too long.\n", out, err);
            if (!*value)
                return refuse(vo->badValueText, out, err);
            std::snprintf(opts.configPath, sizeof opts.configPath, "%s", value);
        } else {
            int number = 0;
            if (!read_number(value, vo->low, vo->high, number))
                return refuse(vo->badValueText, out, err);
            if (letter == 'i')
                opts.pollInterval = number;
            else if (letter == 'l')
                opts.logLevel = number;
            else
                opts.maxConnections = number;
        }
        opts.*(vo->given) = 1;
    }
    return OptionAction::Continue;
}

int parse_options(int argc, char** argv, ServiceOptions& opts)
{
    switch (scan_options(argc, argv, opts, stdout, stderr)) {
    case OptionAction::Continue:
        return 0;
    case OptionAction::Invalid:
        return 1;
    case OptionAction::ExitOk:
        std::fflush(stdout);
        std::exit(0);
    case OptionAction::ExitFail:
        std::fflush(stdout);
        std::exit(1);
    }
    return 1;
}

void apply_options(const ServiceOptions& opts, ServiceSettings& s)
{
    if (opts.lGiven)
        s.logLevel = opts.logLevel;
    if (opts.iGiven)
        s.pollInterval = opts.pollInterval;
    if (opts.cGiven)
        s.maxConnections = opts.maxConnections;
    std::snprintf(s.configPath, sizeof s.configPath, "%s",
                  opts.fGiven ? opts.configPath : DEFAULT_CONFIG_PATH);
    std::snprintf(s.trapCommunity, sizeof s.trapCommunity, "%s", DEFAULT_TRAP_COMMUNITY);
    s.executeLine[0] = '\0';
    s.executeUser[0] = '\0';
}
