#include "command_line.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "console_state.h"
#include "console_texts.h"
#include "controller_access.h"
#include "dialog_screen.h"
#include "message_catalog.h"
#include "session.h"
#include "str_printf.h"

namespace {

constexpr const char* defaultReportName = "saveinfo.txt";
constexpr size_t reportDigitPlace = 7;  // the character a controller digit replaces
constexpr size_t reportNameLimit = PATH_MAX - 1;

void SetMonochrome(ConsoleOptions&) { SetMonochromeFlag(1); }
void SetAdministrator(ConsoleOptions& o)
{
    o.administrator = o.cache = o.destructive = o.recalculate = o.rpupgrade = o.arrayresize = 1;
}
void SetLock(ConsoleOptions& o) { o.lock = 1; }
void SetPartition(ConsoleOptions& o) { o.partition = 1; }
void SetCache(ConsoleOptions& o) { o.cache = 1; }
void SetDestructive(ConsoleOptions& o) { o.destructive = 1; }
void SetRecalculate(ConsoleOptions& o) { o.recalculate = 1; }
void SetRpUpgrade(ConsoleOptions& o) { o.rpupgrade = 1; }
void SetArrayResize(ConsoleOptions& o) { o.arrayresize = 1; }

// The switches that set flags, compared whole.
constexpr struct {
    const char* word;
    void (*set)(ConsoleOptions&);
} flagSwitches[] = {
    {"BOOK", SetMonochrome},         {"QUENTRAX", SetAdministrator}, {"LOCK", SetLock},
    {"PARTITION", SetPartition},     {"CACHE", SetCache},            {"DESTRUCTIVE", SetDestructive},
    {"RECALCULATE", SetRecalculate}, {"RPUPGRADE", SetRpUpgrade},    {"ARRAYRESIZE", SetArrayResize},
};

int PrintHelp()
{
    char line[160];
    std::printf("%s\n", VersionLine(line));
    std::printf("Required firmware version: 1.18-1.%d / 2.18-2.%d\n", 36, 36);
    std::printf("Command line parameters:\n");
    std::printf(" -?, -HELP                    This screen.\n");
    std::printf(" -SAVEINFO[0-9][:<filename>]  Generate Save Information file of controller\n");
    std::printf("                              number [0-9]. Default controller is 0,\n");
    std::printf("                              default filename is '%s'.\n", defaultReportName);
    std::printf("\n");
    return 0;
}

// The report of one controller, without a screen. `rest` follows "SAVEINFO".
int SaveInformationRun(const char* rest)
{
    std::string fileName = defaultReportName;
    int index = 0;
    if (std::isdigit(static_cast<unsigned char>(*rest))) {
        index = *rest - '0';
        fileName[reportDigitPlace] = *rest;
        ++rest;
    }
    if (*rest == ':')
        fileName = rest + 1;

    CSession session;
    if (!session.Init(0)) {
        std::fprintf(stderr, "%s\n", MessageText("M4006"));
        return 1;
    }
    CHostSystem* machine = nullptr;
    if (session.EnumTransports() && session.transports.count > 0 &&
        session.transports[0].EnumHostSystems(nullptr) && session.transports[0].machines.count > 0 &&
        session.transports[0].machines[0].Connect())
        machine = &session.transports[0].machines[0];
    if (!machine || machine->controllers.count == 0) {
        std::fputs(MessageText("M0006"), stderr);
        return 1;
    }
    if (index >= machine->controllers.count) {
        std::fputs(MessageText(index == 0 ? "M0006" : "M0009"), stderr);
        return 1;
    }
    CController& controller = machine->controllers[index];
    ReadControllerConfiguration(controller);
    char versionLine[160];
    ReportVersionLine(versionLine);
    if (fileName.empty() || fileName.size() > reportNameLimit ||
        controller.SaveInformation(fileName.c_str(), versionLine, nullptr) != 1) {
        char text[320];
        tui::strPrintf(text, MessageText("M0010"), fileName.substr(0, 256));
        std::fputs(text, stderr);
        return 1;
    }
    return 0;
}

}  // namespace

int ParseCommandLine(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-' && arg[0] != '/')
            break;
        std::string word = arg + 1;
        for (char& ch : word) {
            if (ch == ':')
                break;
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
        bool known = false;
        for (const auto& s : flagSwitches)
            if (word == s.word) {
                s.set(Options());
                known = true;
            }
        if (known)
            continue;
        if (word.starts_with('?') || word == "HELP")
            return PrintHelp();
        if (word.starts_with("SAVEINFO"))
            return SaveInformationRun(word.c_str() + 8);
        std::printf("\nUnknown command line parameter !\n");
        return 0;
    }
    return -1;
}
