// The controller's flash: its areas (as key 0x4E reports them), the boot
// block, the flash session of the handle key 0x44 hands out, and what a
// restart loads from it. The flash commands (keys 0x40 to 0x4F) are in
// flash_commands.cpp. Layout: docs/firmware-layout.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kzmsim {

struct BoardSpec;

constexpr uint32_t NO_FLASH_HANDLE = 0xFFFFFFFF;
constexpr size_t BOOT_BLOCK_SIZE = 0x10000;
// Firmware up to this version stages its flash writes in a session.
constexpr uint32_t LAST_STAGING_VERSION = 0x130000;

struct FlashArea {
    uint32_t base = 0;
    std::vector<uint8_t> bytes;  // erased bytes are 0xFF
};

// One write staged under the session handle (firmware up to 0x130000).
struct StagedWrite {
    uint32_t offset = 0;  // within area 1
    std::vector<uint8_t> data;
};

struct FlashMemory {
    FlashArea areas[2];                 // area 2 empty when the board has none
    std::vector<uint8_t> bootBlock = std::vector<uint8_t>(BOOT_BLOCK_SIZE, 0xFF);
    uint32_t handle = NO_FLASH_HANDLE;  // handed out by key 0x44
    uint32_t nextHandle = 1;
    bool sessionOpen = false;           // key 0x47 opened the session
    std::vector<StagedWrite> staged;
    bool badSumNext = false;            // the next flash read answers a wrong byte sum

    // The area (1 or 2) or nullptr when the board has none.
    FlashArea* area(uint32_t n);
    // Area and offset of an absolute address range, or nullptr.
    FlashArea* locate(uint64_t address, uint64_t length, size_t& offset);
    // Programs bytes: flash can only clear bits.
    static void program(FlashArea& a, size_t offset, const uint8_t* data, size_t n);
    // Ends the session: staged writes dropped, handle released.
    void endSession();
};

// The flash a controller starts with: areas sized and placed as the board
// says, holding a complete image of the board's firmware version.
FlashMemory initialFlash(const BoardSpec& board, uint8_t classByte, int entry);

// True when area 1 holds a complete image (bit 2 of the half-word at 12 clear).
bool flashImageComplete(const FlashMemory& flash);
// The 24-bit version of area 1's image.
uint32_t flashImageVersion(const FlashMemory& flash);

}  // namespace kzmsim
