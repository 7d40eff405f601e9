#include "console_texts.h"

#include <climits>
#include <string>

#include "abstr_version.h"
#include "console_state.h"
#include "console_versions.h"
#include "library_versions.h"
#include "message_catalog.h"
#include "str_printf.h"

const char* ProgramTitle()
{
    if (BuiltInBrand())
        return MessageText("M1071");
    static char title[80];
    tui::strPrintf(title, MessageText("M1070"), BrandText());
    return title;
}

char* VersionLine(std::span<char> out)
{
    tui::strPrintf(out, MessageText("M1000"), ProgramTitle(), consoleVersionMajor, consoleVersionMinor, " ",
                   consoleBuildDate);
    return out.data();
}

char* ReportVersionLine(std::span<char> out)
{
    tui::strPrintf(out, MessageText("M1080"), ProgramTitle(), consoleVersionMajor, consoleVersionMinor, 1, 0, " ",
                   consoleBuildDate);
    return out.data();
}

char* UIntToText(unsigned value, std::span<char> out)
{
    tui::strPrintf(out, "%u", value);
    return out.data();
}

int TextToInt(const char* text)
{
    if (!text || !*text)
        return -1;
    long long value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return -1;
        value = value * 10 + (*p - '0');
        if (value > INT_MAX)
            return -1;
    }
    return static_cast<int>(value);
}

char* ModuleVersionLine(const ModuleVersionRecord& record, std::span<char> out)
{
    FormatModuleVersion(record, out.data(), out.size());
    return out.data();
}

const char* ModuleVersionsText()
{
    static std::string text;
    if (text.empty()) {
        const ModuleVersionRecord* const records[] = {&mirvane_version_record, &abstr_version_record,
                                                      &kzmlib_version_record, &xport_version_record,
                                                      &appslib_version_record};
        for (const ModuleVersionRecord* r : records) {
            char line[MODULE_VERSION_LINE_NAME_WIDTH + 32];
            if (!text.empty())
                text += '\n';
            text += ModuleVersionLine(*r, line);
        }
    }
    return text.c_str();
}
