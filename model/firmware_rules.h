// The component rule table of firmware updates: 17 rows selected by the
// controller's component table row, and two default rows.
#pragma once

#include "firmware_file.h"

#include <cstdint>

constexpr int FW_RULE_ROWS = 17;

// Row r (0..16) of the table; nullptr for another row.
const uint8_t* FirmwareRuleRow(int row);
// Default row A (families 34 and 35) and B (the others).
const uint8_t* FirmwareDefaultRowA();
const uint8_t* FirmwareDefaultRowB();
