// ModuleVersionRecord: the fixed-layout record in which every program and
// library part states its name, version and build date. The records sit in
// the programs' initialised data, where the console and the tool read them
// and outside tools find them by their marker.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t MODULE_MARKER_BYTES = 11;
constexpr size_t MODULE_RESERVED_BYTES = 35;
constexpr size_t MODULE_NAME_BYTES = 95;
constexpr uint8_t MODULE_KIND_PROGRAM = 0;  // a program's own record
constexpr uint8_t MODULE_KIND_LIBRARY = 3;  // a library part's record
constexpr size_t MODULE_VERSION_LINE_NAME_WIDTH = 50;

struct alignas(32) ModuleVersionRecord {
    char marker[MODULE_MARKER_BYTES];  // "XoYoZuMaQuW", no terminating zero
    uint8_t layoutMajor;               // 1
    uint8_t layoutMinor;               // 6
    uint8_t zero13[4];
    uint8_t kind;                      // MODULE_KIND_*
    uint8_t zero18[4];
    uint8_t version[4];                // fourth, third, second, first number
    uint8_t month;                     // 1-12
    uint8_t day;
    uint8_t year[2];                   // little-endian
    char reserved[MODULE_RESERVED_BYTES];  // blanks
    char name[MODULE_NAME_BYTES];          // zero-terminated, zero-padded
};
static_assert(sizeof(ModuleVersionRecord) == 160);
static_assert(offsetof(ModuleVersionRecord, kind) == 17);
static_assert(offsetof(ModuleVersionRecord, version) == 22);
static_assert(offsetof(ModuleVersionRecord, month) == 26);
static_assert(offsetof(ModuleVersionRecord, year) == 28);
static_assert(offsetof(ModuleVersionRecord, reserved) == 30);
static_assert(offsetof(ModuleVersionRecord, name) == 65);

// A version as written: first.second.third.fourth.
struct ModuleVersion {
    uint8_t first, second, third, fourth;
};

// A build date.
struct ModuleDate {
    uint8_t day, month;
    uint16_t year;
};

// Builds a record at compile time; a name longer than 94 characters is cut.
constexpr ModuleVersionRecord MakeModuleVersionRecord(uint8_t kind, const char* name, ModuleVersion v,
                                                      ModuleDate d)
{
    ModuleVersionRecord r{};
    const char marker[] = "XoYoZuMaQuW";
    for (size_t i = 0; i < MODULE_MARKER_BYTES; ++i)
        r.marker[i] = marker[i];
    r.layoutMajor = 1;
    r.layoutMinor = 6;
    r.kind = kind;
    r.version[0] = v.fourth;
    r.version[1] = v.third;
    r.version[2] = v.second;
    r.version[3] = v.first;
    r.month = d.month;
    r.day = d.day;
    r.year[0] = static_cast<uint8_t>(d.year & 0xFF);
    r.year[1] = static_cast<uint8_t>(d.year >> 8);
    for (size_t i = 0; i < MODULE_RESERVED_BYTES; ++i)
        r.reserved[i] = ' ';
    for (size_t i = 0; i + 1 < MODULE_NAME_BYTES && name[i] != '\0'; ++i)
        r.name[i] = name[i];
    return r;
}

// Formats the record's line "%-50s: %d.%02d.%02d.%02d" (name, then the
// version from its first number on) into out; the length snprintf reports.
int FormatModuleVersion(const ModuleVersionRecord& record, char* out, size_t outSize);
