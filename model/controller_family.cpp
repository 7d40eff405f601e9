#include "controller_family.h"

#include <iterator>

namespace {

struct ClassFamily {
    uint8_t controllerClass;
    int family;
};

constexpr ClassFamily kClassFamilies[] = {
    {0x06, 34}, {0x26, 34}, {0x36, 34}, {0x46, 34}, {0x56, 34},
    {0x66, 35}, {0x76, 35}, {0x86, 35}, {0x96, 35}, {0xA6, 35}, {0xB6, 35}, {0xC6, 35}, {0xD6, 35},
    {0xFD, 36},
};

struct BoardKind {
    uint32_t typeWord;
    int kind;
};

// Board kinds of class 0xFD by the board information's type word.
constexpr BoardKind kFdBoardKinds[] = {{0x27, 3}, {0x25, 6}, {0x28, 7}};

constexpr uint8_t kClassSubtyped = 0xFE;
constexpr uint8_t kClassFd = 0xFD;
constexpr uint8_t kLastLevelWithoutFc = 20;

int FamilyOf(const FamilyInputs& in)
{
    for (const ClassFamily& cf : kClassFamilies)
        if (cf.controllerClass == in.controllerClass)
            return cf.family;
    if (in.controllerClass != kClassSubtyped)
        return FAMILY_NONE;
    switch (in.subtype >> 8) {
    case 0x61:
        return 36;
    case 0x62:
        return (in.flag != 0 || in.firmwareLevel > kLastLevelWithoutFc) ? FAMILY_FC : FAMILY_NONE;
    default:
        return FAMILY_NONE;
    }
}

int BoardKindOf(const FamilyInputs& in)
{
    if (in.controllerClass == kClassSubtyped)
        return (in.subtype >> 4) & 0x7;
    if (in.controllerClass != kClassFd)
        return FAMILY_NONE;
    for (const BoardKind& bk : kFdBoardKinds)
        if (bk.typeWord == in.boardTypeWord)
            return bk.kind;
    return -1;
}

}  // namespace

int ControllerFamily(const FamilyInputs& in, int mode)
{
    switch (mode) {
    case FAMILY_MODE_BUS:
        return FamilyOf(in) == FAMILY_NONE ? FAMILY_NONE : BUS_KIND_PCI;
    case FAMILY_MODE_FAMILY:
        return FamilyOf(in);
    case FAMILY_MODE_BOARD_KIND:
        return BoardKindOf(in);
    default:
        return FAMILY_NONE;
    }
}
