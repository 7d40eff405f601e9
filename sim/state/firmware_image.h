// Firmware image files and flash contents as the controller knows them: the
// one builder of image files (for the tests) and of the flash a controller
// starts with, and the walk over a flash area's component chain.
// Layout: docs/firmware-layout.md, "Firmware images and flash".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kzmsim {

constexpr size_t IMAGE_HEADER_SIZE = 52;
constexpr size_t COMPONENT_HEADER_SIZE = 36;
constexpr uint32_t CHAIN_END = 0xFFFFFFFF;          // length of the last component
constexpr uint32_t AREA2_MAGIC = 0xB6BCAFFF;        // u32 at 44 of area 2's header
constexpr uint16_t HEADER_INCOMPLETE_BIT = 0x0004;  // half-word at 12: update not complete
constexpr uint8_t COMPONENT_BOARD_DATA = 4;
constexpr uint8_t COMPONENT_TOP = 9;
constexpr uint8_t COMPONENT_BOOT_A = 21;
constexpr uint8_t COMPONENT_BOOT_B = 27;

// One component of an image.
struct ImageComponent {
    uint8_t id = 0;
    std::vector<uint8_t> data;
    uint8_t format = 0;       // 2 for board data
    uint8_t flags = 0x02;
    uint8_t dataOffset = COMPONENT_HEADER_SIZE;
};

// One board data entry: key (board id in bits 0-15, type in 16-31) and its data.
struct BoardDataEntry {
    uint32_t key = 0;
    std::vector<uint8_t> data;
};

// What an image file holds.
struct ImageSpec {
    uint32_t version = 0x21000C;   // 24-bit version: major << 16 | sub-version << 8 | minor
    uint8_t typeByte = 2;          // header byte 31
    uint32_t headerLevel = 3;
    uint16_t flags12 = 0x0005;     // half-word at 12; images carry bits 0 and 2
    uint32_t word0 = 0x11223344;
    uint32_t word4 = 0x00000100;
    uint32_t word8 = 0x55667788;
    uint8_t byte18 = 0x01;
    uint8_t byte22 = 0x5A;
    uint8_t byte23 = 0x3C;
    // Level 2 or less: the stored checksum is off by word 20 - word 48, so it
    // matches only after the reader's correction.
    std::optional<std::pair<uint32_t, uint32_t>> correction;  // {word 20, word 48}
    bool chainEnd = true;          // false: the last component has a length, not -1
    bool badChecksum = false;
    std::vector<ImageComponent> components;
};

// The bytes of an image file (checksum filled in; size after 52 a multiple of 4).
std::vector<uint8_t> buildImage(const ImageSpec& wanted);
// The data of a board data component (directory, then the entries' data).
std::vector<uint8_t> buildBoardData(const std::vector<BoardDataEntry>& entries);
// A board data key for a controller of class 0xFD/0xFE: board id and 16-bit type id.
uint32_t boardDataKey(uint16_t boardId, uint16_t typeId);
// A board data key for a controller of another class: board id and class byte.
uint32_t boardDataKeyForClass(uint16_t boardId, uint8_t classByte);

// A component found in a flash area.
struct FlashComponent {
    size_t offset = 0;        // of its header within the area
    uint8_t id = 0;
    size_t dataOffset = 0;
    size_t dataSize = 0;
};

// The components of an area: the chain from 52 (a -1 length continues at
// data offset + data size; an erased header ends it) and, in area 1, the
// components at the top that component 9's trailer points to.
std::vector<FlashComponent> walkFlash(const std::vector<uint8_t>& area, bool topRegion);

// Fills the last 28 bytes of component 9's data as the controller expects
// them: header bytes 23 and 20, words 4, 0 and 8, the class byte and the
// distance from the start of the top components to the area's end.
void fillTopTrailer(std::vector<uint8_t>& data, const uint8_t* header, uint8_t classByte, uint32_t distance);

// The first flash of a controller: a complete image of the given version
// holding components 1, 4 and 13 in area 1 (13 carrying `keptData`) and
// component 9 with its trailer at the top; area 2 gets a header when present.
void buildInitialFlash(uint32_t version, uint8_t classByte, const std::vector<uint8_t>& keptData,
                       std::vector<uint8_t>& area1, std::vector<uint8_t>& area2);

// A complete update image for the boards of the "new" profile (type 0x6100) of
// the given 24-bit version, as `kzmsim --image` writes it.
std::vector<uint8_t> buildUpdateImage(uint32_t version);

}  // namespace kzmsim
