#include "controller_texts.h"

#include "controller_info.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint8_t kRaidLetterBits = 0x30;

// A RAID level the features text names, and whether the controller offers it.
struct FeatureMark {
    const char* text;
    bool (*offered)(const ControllerInfo& info);
};

constexpr FeatureMark kFeatureMarks[] = {
    {"C ", [](const ControllerInfo& i) { return i.chainingValue != 0; }},
    {"0 ", [](const ControllerInfo& i) { return i.raid0Value != 0 || (i.featureByte & 0x01) != 0; }},
    {"1 ", [](const ControllerInfo& i) { return i.raid1Value != 0; }},
    {"4 ", [](const ControllerInfo& i) { return (i.featureByte & 0x10) != 0; }},
    {"5 ", [](const ControllerInfo& i) { return (i.featureByte & 0x20) != 0; }},
    {"10 ", [](const ControllerInfo& i) { return (i.featureByte & 0x02) != 0; }},
};

}  // namespace

void FormatFirmwareText(char* out, size_t size, uint32_t versionWord, char letter, uint32_t revision)
{
    if (size == 0)
        return;
    std::snprintf(out, size, "%lu.%02lu.%02lu-%c%03lX", static_cast<unsigned long>(versionWord >> 24),
                  static_cast<unsigned long>((versionWord >> 16) & 0xFF),
                  static_cast<unsigned long>(versionWord & 0xFF), letter, static_cast<unsigned long>(revision));
}

char FirmwareLetter(uint8_t featureByte)
{
    return (featureByte & kRaidLetterBits) != 0 ? 'R' : 'N';
}

void FormatPciText(char* out, size_t size, uint16_t pciLocation)
{
    if (size == 0)
        return;
    std::snprintf(out, size, "[PCI %d/%d]", pciLocation >> 8, (pciLocation >> 3) & 0x1F);
}

void FormatDriverText(char* out, size_t size, uint16_t driverVersion)
{
    if (size == 0)
        return;
    std::snprintf(out, size, "%d.%02d", driverVersion >> 8, driverVersion & 0xFF);
}

void CopyRecordText(char* out, size_t size, const uint8_t* src, size_t srcSize)
{
    if (size == 0)
        return;
    size_t n = 0;
    while (n < srcSize && n + 1 < size && src[n] != 0)
        ++n;
    std::memcpy(out, src, n);
    out[n] = '\0';
}

std::string RaidFeaturesText(const ControllerInfo& info)
{
    std::string text;
    for (const FeatureMark& mark : kFeatureMarks)
        if (mark.offered(info))
            text += mark.text;
    return text;
}
