// The family rules of CController::GetFamily, as a table.
#include "controller_family.h"

#include <gtest/gtest.h>

namespace {

struct FamilyCase {
    const char* what;
    uint8_t controllerClass;
    uint16_t subtype;
    int flag;
    uint8_t level;
    uint32_t boardType;
    int mode;
    int expected;
};

const FamilyCase kFamilyCases[] = {
    {"class 0x06 is family 34", 0x06, 0, 0, 30, 0, FAMILY_MODE_FAMILY, 34},
    {"class 0x56 is family 34", 0x56, 0, 0, 30, 0, FAMILY_MODE_FAMILY, 34},
    {"class 0x66 is family 35", 0x66, 0, 0, 30, 0, FAMILY_MODE_FAMILY, 35},
    {"class 0xD6 is family 35", 0xD6, 0, 0, 30, 0, FAMILY_MODE_FAMILY, 35},
    {"class 0xFD is family 36", 0xFD, 0, 0, 30, 0, FAMILY_MODE_FAMILY, 36},
    {"0xFE/0x61xx is family 36", 0xFE, 0x6123, 0, 30, 0, FAMILY_MODE_FAMILY, 36},
    {"0xFE/0x62xx on level 20 without flag: none", 0xFE, 0x6200, 0, 20, 0, FAMILY_MODE_FAMILY, FAMILY_NONE},
    {"0xFE/0x62xx on level 21 is family 37", 0xFE, 0x6200, 0, 21, 0, FAMILY_MODE_FAMILY, 37},
    {"0xFE/0x62xx with the flag set is family 37", 0xFE, 0x6200, 1, 20, 0, FAMILY_MODE_FAMILY, 37},
    {"0xFE with another subtype: none", 0xFE, 0x6300, 0, 30, 0, FAMILY_MODE_FAMILY, FAMILY_NONE},
    {"an unknown class: none", 0x07, 0, 0, 30, 0, FAMILY_MODE_FAMILY, FAMILY_NONE},
    {"bus kind of a known family", 0x86, 0, 0, 30, 0, FAMILY_MODE_BUS, BUS_KIND_PCI},
    {"bus kind of no family", 0xFE, 0x6200, 0, 20, 0, FAMILY_MODE_BUS, FAMILY_NONE},
    {"board kind of 0xFE: subtype bits 4-6", 0xFE, 0x61F5, 0, 30, 0, FAMILY_MODE_BOARD_KIND, 7},
    {"board kind of 0xFD, type 0x27", 0xFD, 0, 0, 30, 0x27, FAMILY_MODE_BOARD_KIND, 3},
    {"board kind of 0xFD, type 0x25", 0xFD, 0, 0, 30, 0x25, FAMILY_MODE_BOARD_KIND, 6},
    {"board kind of 0xFD, type 0x28", 0xFD, 0, 0, 30, 0x28, FAMILY_MODE_BOARD_KIND, 7},
    {"board kind of 0xFD, another type", 0xFD, 0, 0, 30, 0x26, FAMILY_MODE_BOARD_KIND, -1},
    {"board kind of another class", 0x86, 0, 0, 30, 0x27, FAMILY_MODE_BOARD_KIND, FAMILY_NONE},
    {"an unknown mode", 0x86, 0, 0, 30, 0, 3, FAMILY_NONE},
};

TEST(ControllerFamilyTest, FollowsTheFamilyTable)
{
    for (const FamilyCase& c : kFamilyCases) {
        FamilyInputs in;
        in.controllerClass = c.controllerClass;
        in.subtype = c.subtype;
        in.flag = c.flag;
        in.firmwareLevel = c.level;
        in.boardTypeWord = c.boardType;
        EXPECT_EQ(ControllerFamily(in, c.mode), c.expected) << c.what;
    }
}

}  // namespace
