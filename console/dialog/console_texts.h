// The console's own texts: the program title, the version lines of the
// title window, the help and the report, the module version lines of F8,
// and the number conversions the screens share.
#pragma once

#include <span>

#include "module_version.h"

// The console's version and build date.
constexpr int consoleVersionMajor = 2;
constexpr int consoleVersionMinor = 13;
constexpr const char* consoleBuildDate = "Nov  6 2002";

// M1071 for the built-in brand, else M1070 with the brand text.
const char* ProgramTitle();
// M1000 with the title, version and build date; returns `out`.
char* VersionLine(std::span<char> out);
// M1080 with the title, the report version form and the build date; returns `out`.
char* ReportVersionLine(std::span<char> out);
// Decimal digits of the value, nothing else; returns `out`.
char* UIntToText(unsigned value, std::span<char> out);
// The decimal value of a text of digits only; -1 for an empty text, any
// other character, or a value beyond the int range.
int TextToInt(const char* text);
// One "%-50s: %d.%02d.%02d.%02d" line of a record; returns `out`.
char* ModuleVersionLine(const ModuleVersionRecord& record, std::span<char> out);
// The five module version lines of the console, joined by "\n"; built once.
const char* ModuleVersionsText();
