// Reading an image file's component chain: every header is bounds-checked
// against the file before anything indexes by it.
#pragma once

#include "firmware_file.h"
#include "model_errors.h"

#include <cstdint>

constexpr uint8_t FW_COMPONENT_BOARD_DATA = 4;
constexpr uint8_t FW_COMPONENT_TOP = 9;         // written at the top of area 1 with a trailer
constexpr uint8_t FW_COMPONENT_BOOT_A = 21;     // boot component of board kinds 0 and 1
constexpr uint8_t FW_COMPONENT_BOOT_B = 27;     // boot component of all boards
constexpr uint8_t FW_BOARD_DATA_FORMAT = 2;

// True for the boot components 21 and 27.
inline bool IsBootComponent(uint8_t id) { return id == FW_COMPONENT_BOOT_A || id == FW_COMPONENT_BOOT_B; }

// Opens a regular file for reading ("rb"); nullptr for anything else, so a
// FIFO or a device never blocks the caller.
FILE* OpenRegularFile(const char* path);

// Reads n bytes at offset of the open image; false when they are not all there.
bool FirmwareReadAt(FILE* file, uint64_t offset, void* buf, size_t n);

// Decodes the component header at offset. Refused: a header past the file's
// end, a length below 36 or past the end, a data offset outside 36..length,
// data past the end (0x04000006); an id above 34 (0x04000021).
ModelError FirmwareComponentAt(const FirmwareFile& f, uint64_t offset, FirmwareComponent& c);

// Walks the chain from 52: calls visit(component) for each; a chain that
// ends without a -1 length gives 0x04000006. The first error stops the walk.
template <typename Visit>
ModelError WalkFirmwareChain(const FirmwareFile& f, Visit&& visit)
{
    uint64_t offset = FW_HEADER_SIZE;
    for (;;) {
        FirmwareComponent c;
        if (ModelError e = FirmwareComponentAt(f, offset, c))
            return e;
        if (ModelError e = visit(c))
            return e;
        if (c.last)
            return 0;
        offset += c.length;
    }
}
