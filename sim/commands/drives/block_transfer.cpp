#include "block_transfer.h"

#include "statistics_commands.h"

#include <byte_order.h>

#include <algorithm>

namespace kzmsim {

uint32_t transferBlocks(ControllerFirmware& fw, uint16_t drive, uint64_t first, std::vector<uint8_t>& data, bool write)
{
    const size_t count = data.size() / SECTOR_SIZE;
    // A host drive a table holds: block b is sector start + b of its carrying
    // drive. Any other host drive number keeps a store of its own, for tests of
    // the transfer alone.
    uint32_t owner = drive;
    uint64_t base = 0;
    bool held = false;
    for (const auto& [carrier, table] : fw.hostTables) {
        for (const auto& e : table.entries) {
            if (e[12] != drive)
                continue;
            if (first + count > wire::get32(e.data(), 8))
                return FW_STATUS_BAD_RECORD;
            owner = carrier;
            base = wire::get32(e.data(), 16);
            held = true;
            break;
        }
        if (held)
            break;
    }
    // An injected read fault answers the read as many times as it was asked
    // for, before anything moves.
    if (!write)
        for (size_t i = 0; i < count; ++i) {
            const auto fault = fw.readFaults.find({drive, first + i});
            if (fault == fw.readFaults.end())
                continue;
            if (--fault->second == 0)
                fw.readFaults.erase(fault);
            return FW_STATUS_READ_ERROR;
        }
    auto find = [&](uint64_t b) -> std::array<uint8_t, SECTOR_SIZE>* {
        if (held) {
            const auto it = fw.carrierBlocks.find({owner, base + b});
            return it == fw.carrierBlocks.end() ? nullptr : &it->second;
        }
        const auto it = fw.blocks.find({drive, b});
        return it == fw.blocks.end() ? nullptr : &it->second;
    };
    // The cache held a read when every block was there, a write when its first block was.
    bool hit = count != 0;
    for (size_t i = 0; i < (write ? std::min<size_t>(count, 1) : count) && hit; ++i)
        hit = find(first + i) != nullptr;
    countBlockTransfer(fw, drive, first, count, write, hit);
    for (size_t i = 0; i < count; ++i) {
        uint8_t* block = data.data() + i * SECTOR_SIZE;
        if (write) {
            auto& kept = held ? fw.carrierBlocks[{owner, base + first + i}] : fw.blocks[{drive, first + i}];
            std::copy_n(block, SECTOR_SIZE, kept.begin());
        } else if (const auto* kept = find(first + i)) {
            std::copy_n(kept->begin(), SECTOR_SIZE, block);
        } else {
            std::fill_n(block, SECTOR_SIZE, 0);
        }
    }
    return FW_STATUS_OK;
}

}  // namespace kzmsim
