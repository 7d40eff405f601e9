// Finding the image files that suit a controller.
#include "controller.h"

#include "byte_order.h"
#include "controller_family.h"
#include "firmware_chain.h"
#include "firmware_levels.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>

namespace {

constexpr uint32_t kOwnPatternVersion = 0x1F0000;  // from it on the controller names its pattern
constexpr size_t BD_FILE_RULE = 216;
constexpr size_t BD_PATTERN = 220;
constexpr size_t BD_PATTERN_SIZE = 16;

// Refusal rules of controllers without a component table row.
bool FamilyRefuses(const CController& ctl, uint32_t versionWord, uint32_t flash)
{
    const uint32_t v = versionWord & 0xFFFFFF;
    const uint32_t upper = versionWord >> 16;
    const int family = ctl.GetFamily(FAMILY_MODE_FAMILY);
    const int kind = ctl.GetFamily(FAMILY_MODE_BOARD_KIND);
    const uint32_t boardType = ctl.BoardType();
    return !((upper >= 0x112 && upper <= 0x124) || (upper >= 0x212 && upper <= 0x224)) ||
           (family == 36 && flash > kSmallFlash && v <= 0x13FFFF) ||
           (family == 36 && (ctl.info.subtype & 0x08) != 0 && v <= 0x15FFFF) ||
           (family == 37 && v <= 0x14FFFF) ||
           (v > 0x16FFFF && flash <= kSmallFlash) ||
           (kind == 6 && v <= 0x16FFFF) ||
           (kind == 3 && v <= 0x19FFFF) ||
           ((kind == 7 || kind == 5) && v <= 0x1BFFFF) ||
           (kind == 3 && boardType == 0x107 && v <= 0x1BFFFF) ||
           (boardType == 0x107 && v <= 0x1AFFFF);
}

// True when the entry's name begins with all pattern characters but the last,
// letters a-z taken as upper case.
bool MatchesPattern(const char* name, const char* pattern)
{
    const size_t n = std::strlen(pattern);
    if (n == 0)
        return false;
    for (size_t i = 0; i + 1 < n; ++i) {
        char ch = name[i];
        if (ch == '\0')
            return false;
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
        if (ch != pattern[i])
            return false;
    }
    return true;
}

}  // namespace

int CController::IsFirmwareFileUsable(FirmwareFile& f, uint32_t low, uint32_t high)
{
    uint8_t header[FW_HEADER_SIZE];
    FILE* file = OpenRegularFile(f.path);
    const bool read = file && fread(header, 1, sizeof header, file) == sizeof header;
    if (file)
        fclose(file);
    if (!read) {
        error = MODERR_FILE_OPEN;
        return 0;
    }
    const uint32_t versionWord = wire::get32(header, FWH_VERSION);
    const uint32_t v = versionWord & 0xFFFFFF;
    uint64_t flash = FlashSize();
    if (v > kSecondAreaImageVersion)
        flash += uint64_t{SecondAreaKb()} * 1024;
    bool usable;
    if (boardDetails[BOARD_DETAILS_ROW] != 0xFF) {
        const uint32_t rule = wire::get32(boardDetails, BD_FILE_RULE);
        const uint8_t ruleType = static_cast<uint8_t>(rule >> 24);
        const uint8_t imageType = header[FWH_TYPE];
        usable = (imageType == ruleType || (ruleType == 1 && imageType < 3)) && (low == 0 || v >= low) &&
                 (high == 0 || v <= high) && v >= (rule & 0xFFFFFF);
    } else {
        usable = !FamilyRefuses(*this, versionWord, static_cast<uint32_t>(std::min<uint64_t>(flash, UINT32_MAX)));
    }
    error = 0;
    if (!usable)
        return 0;
    std::memcpy(f.header, header, sizeof header);
    return 1;
}

int CController::FindFirmwareFiles(const char* dir, const char* pattern, FirmwareFile* files, int* count)
{
    const int capacity = *count;
    *count = 0;
    char own[BD_PATTERN_SIZE + 1] = {};
    if (pattern == nullptr || pattern[0] == '\0') {
        if (FirmwareVersion() >= kOwnPatternVersion)
            std::memcpy(own, boardDetails + BD_PATTERN, BD_PATTERN_SIZE);
        else if (GetFamily(FAMILY_MODE_FAMILY) <= 35)
            std::strcpy(own, "KZM_T4FW.*");
        else if (info.controllerClass == 0xFD)
            std::strcpy(own, "PLV_RXFW.*");
        else
            std::strcpy(own, "KZM_RPFW.*");
        pattern = own;
    }
    const size_t dirLength = std::strlen(dir);
    const char* slash = dirLength > 0 && dir[dirLength - 1] == '/' ? "" : "/";
    DIR* d = opendir(dir);
    if (!d)
        return 1;
    while (*count < capacity) {
        const dirent* entry = readdir(d);
        if (!entry)
            break;
        if (!MatchesPattern(entry->d_name, pattern))
            continue;
        FirmwareFile& f = files[*count];
        f = FirmwareFile{};
        // Names that do not fit the record are passed over.
        const int n = std::snprintf(f.path, sizeof f.path, "%s%s%s", dir, slash, entry->d_name);
        if (n < 0 || static_cast<size_t>(n) >= sizeof f.path || std::strlen(entry->d_name) >= sizeof f.name)
            continue;
        std::strcpy(f.name, entry->d_name);
        if (IsFirmwareFileUsable(f, 0, 0))
            ++*count;
    }
    closedir(d);
    error = 0;
    return 1;
}
