// The family rules: which controllers the model serves, and how.
#pragma once

#include <cstdint>

constexpr int FAMILY_MODE_BUS = 0;         // the bus kind
constexpr int FAMILY_MODE_FAMILY = 1;      // the family, 34 to 37
constexpr int FAMILY_MODE_BOARD_KIND = 2;  // the board kind of the firmware files
constexpr int FAMILY_NONE = 255;
constexpr int BUS_KIND_PCI = 32;
constexpr int FAMILY_FC = 37;              // its channels default to Fibre Channel

// What the family rules look at.
struct FamilyInputs {
    uint8_t controllerClass = 0;
    uint16_t subtype = 0;
    int flag = 0;                 // the controller's flag field
    uint8_t firmwareLevel = 0;    // low byte of the firmware level word
    uint32_t boardTypeWord = 0;   // board information word at byte 8
};

// The bus kind (mode 0), family (1) or board kind (2); 255 for no known family or another mode.
int ControllerFamily(const FamilyInputs& in, int mode);
