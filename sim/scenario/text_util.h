// Small text helpers shared by the scenario loader, the control file and the log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kzmsim {

// Parses a whole unsigned number in decimal or 0x hex up to max; false otherwise.
bool parseNumber(const std::string& text, uint64_t max, uint64_t& out);
// Parses an even-length hex text into bytes; false on any other character.
bool parseHex(const std::string& text, std::vector<uint8_t>& out);
// Lowercase hex of the bytes, no separators.
std::string toHex(const uint8_t* p, size_t n);
// Splits a line at runs of blanks and tabs.
std::vector<std::string> splitWords(const std::string& line);

}  // namespace kzmsim
