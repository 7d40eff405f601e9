// Firmware image files and flashing: the progress interface the front ends
// implement, the record of one image file, and the image's fixed layouts
// (little-endian, read at explicit offsets).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Told how an update proceeds: phase 1 erasing (1 before, 100 after each
// area), phase 2 writing (percent of the component bytes written).
class IFirmwareProgress {
public:
    virtual ~IFirmwareProgress() = default;
    // One report of the running update.
    virtual void Progress(int32_t phase, int32_t percent) = 0;
};

constexpr size_t FW_PATH_SIZE = 81;               // 80 characters and the NUL
constexpr size_t FW_NAME_SIZE = 83;               // 82 characters and the NUL
constexpr size_t FW_HEADER_SIZE = 52;             // FirmwareHeader
constexpr size_t FW_COMPONENT_HEADER_SIZE = 36;   // ComponentHeader
constexpr size_t FW_PIECE = 2048;                 // data bytes of one flash request
constexpr size_t FW_REQUEST_HEADER = 43;          // flash request header; data follows
constexpr size_t FW_REQUEST_OVERHEAD = 44;        // counted in a request's total length
constexpr size_t FW_TRANSFER_SIZE = FW_REQUEST_OVERHEAD + FW_PIECE;  // 2092
constexpr int FW_COMPONENT_IDS = 35;              // ids 0..34

// FirmwareHeader fields.
constexpr size_t FWH_WORD0 = 0;
constexpr size_t FWH_FLAGS = 4;          // bit 22: RAID firmware mark
constexpr size_t FWH_WORD8 = 8;
constexpr size_t FWH_FLAGS12 = 12;       // bit 0 cleared when writing, bit 2 when complete
constexpr size_t FWH_REVISION_HIGH = 18;
constexpr size_t FWH_CORRECTION_A = 20;  // checksum correction (level 2 or less)
constexpr size_t FWH_BYTE21 = 21;
constexpr size_t FWH_BYTE22 = 22;
constexpr size_t FWH_BYTE23 = 23;
constexpr size_t FWH_CHECKSUM = 24;
constexpr size_t FWH_VERSION = 28;       // bytes 28-30 the 24-bit version, 31 the type byte
constexpr size_t FWH_TYPE = 31;
constexpr size_t FWH_AREA2_SIZE = 36;
constexpr size_t FWH_LEVEL = 40;
constexpr size_t FWH_MAGIC = 44;
constexpr size_t FWH_CORRECTION_B = 48;
constexpr uint32_t FW_AREA2_MAGIC = 0xB6BCAFFF;

// ComponentHeader fields.
constexpr size_t FWC_LENGTH = 0;         // to the next header; -1 for the last
constexpr size_t FWC_DATA_SIZE = 24;     // used when the length is -1
constexpr size_t FWC_FORMAT = 31;
constexpr size_t FWC_FLAGS = 32;
constexpr size_t FWC_ID = 33;
constexpr size_t FWC_DATA_OFFSET = 34;

// Component rules.
constexpr uint8_t FW_RULE_KEEP = 0;
constexpr uint8_t FW_RULE_REQUIRED = 1;
constexpr uint8_t FW_RULE_UNUSED = 2;
constexpr uint8_t FW_RULE_OPTIONAL = 3;
constexpr uint8_t FW_RULE_AREA2 = 0x80;

// One image file.
struct FirmwareFile {
    char path[FW_PATH_SIZE] = {};        // directory and file name, as opened
    char name[FW_NAME_SIZE] = {};        // file name within the directory
    FILE* file = nullptr;                // the open image, none when closed
    uint8_t header[FW_HEADER_SIZE] = {}; // the image's header
    int32_t flashHandle = -1;            // the open flash session, -1 none
    uint32_t flashSize = 0;              // usable size of area 1, reduced by the top components
    uint32_t secondAreaSize = 0;         // size of area 2, 0 none
    uint8_t* transfer = nullptr;         // FW_TRANSFER_SIZE bytes
    uint8_t keptHeader[FW_COMPONENT_HEADER_SIZE] = {};
    uint8_t* keptData = nullptr;         // the component saved from the flash
    uint32_t keptSize = 0;               // its data bytes
    uint8_t rules[FW_COMPONENT_IDS] = {};
    uint64_t fileSize = 0;               // bytes of the open image
    int opened = 0;                      // 1 from a successful open until the close
    uint32_t openError = 0;              // the code of the last failed open, 0 none
};

// One component header of an image's chain, decoded and bounds-checked.
struct FirmwareComponent {
    uint64_t offset = 0;       // of its header in the file
    uint64_t length = 0;       // to the next header (the last: data offset + data size)
    uint32_t dataOffset = 0;
    uint64_t dataSize = 0;
    uint8_t id = 0;
    uint8_t format = 0;
    bool last = false;         // length -1
    uint8_t header[FW_COMPONENT_HEADER_SIZE] = {};
};
