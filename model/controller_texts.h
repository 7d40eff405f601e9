// The texts of the controller information: firmware version, PCI position
// and driver version. Each is cut to its field, never written past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ControllerInfo;

// "%ld.%02ld.%02ld-%c%03lX" from bits 24-31, 16-23 and 0-7 of the version
// word, the letter and the revision, cut to `size` - 1 characters.
void FormatFirmwareText(char* out, size_t size, uint32_t versionWord, char letter, uint32_t revision);
// The firmware letter: 'R' when feature bit 0x10 or 0x20 is set, else 'N'.
char FirmwareLetter(uint8_t featureByte);
// "[PCI %d/%d]" from the bus (high byte) and device (bits 3-7) of the PCI location.
void FormatPciText(char* out, size_t size, uint16_t pciLocation);
// "%d.%02d" from the major (high byte) and minor (low byte) driver version.
void FormatDriverText(char* out, size_t size, uint16_t driverVersion);
// Copies a text field of `srcSize` bytes (NUL-terminated or not) into `out`, cut to `size` - 1.
void CopyRecordText(char* out, size_t size, const uint8_t* src, size_t srcSize);
// The RAID levels the controller offers, as the tables show them: "C ", "0 ",
// "1 ", "4 ", "5 ", "10 " in this order, each only when offered.
std::string RaidFeaturesText(const ControllerInfo& info);
