#include "flash_memory.h"

#include "firmware_image.h"
#include "firmware_profile.h"

#include <byte_order.h>

#include <algorithm>
#include <string>

namespace kzmsim {

FlashArea* FlashMemory::area(uint32_t n)
{
    if (n < 1 || n > 2 || areas[n - 1].bytes.empty())
        return nullptr;
    return &areas[n - 1];
}

FlashArea* FlashMemory::locate(uint64_t address, uint64_t length, size_t& offset)
{
    for (FlashArea& a : areas) {
        if (a.bytes.empty() || address < a.base || address + length > uint64_t{a.base} + a.bytes.size())
            continue;
        offset = static_cast<size_t>(address - a.base);
        return &a;
    }
    return nullptr;
}

void FlashMemory::program(FlashArea& a, size_t offset, const uint8_t* data, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        a.bytes[offset + i] &= data[i];
}

void FlashMemory::endSession()
{
    staged.clear();
    sessionOpen = false;
    handle = NO_FLASH_HANDLE;
}

FlashMemory initialFlash(const BoardSpec& board, uint8_t classByte, int entry)
{
    FlashMemory f;
    f.areas[0].base = board.flashBase1;
    f.areas[0].bytes.assign(board.flashSize, 0xFF);
    if (board.secondFlashKb != 0) {
        f.areas[1].base = board.flashBase2;
        f.areas[1].bytes.assign(size_t{board.secondFlashKb} * 1024, 0xFF);
    }
    // The component kept across updates: recognisable per controller.
    const std::string text = "KEPT COMPONENT OF CONTROLLER " + std::to_string(entry);
    std::vector<uint8_t> kept(text.begin(), text.end());
    kept.resize(200, 0x13);
    buildInitialFlash(board.firmwareVersion & 0xFFFFFF, classByte, kept, f.areas[0].bytes, f.areas[1].bytes);
    return f;
}

bool flashImageComplete(const FlashMemory& flash)
{
    const std::vector<uint8_t>& a = flash.areas[0].bytes;
    if (a.size() < IMAGE_HEADER_SIZE)
        return false;
    const uint16_t flags = wire::get16(a.data(), 12);
    return flags != 0xFFFF && (flags & HEADER_INCOMPLETE_BIT) == 0;
}

uint32_t flashImageVersion(const FlashMemory& flash)
{
    return wire::get32(flash.areas[0].bytes.data(), 28) & 0xFFFFFF;
}

}  // namespace kzmsim
