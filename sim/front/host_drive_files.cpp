#include "host_drive_files.h"

#include <byte_order.h>

#include <algorithm>
#include <cerrno>

namespace kzmsim {

namespace {

constexpr size_t kEntryNumber = 12;
constexpr size_t kEntrySectors = 8;
constexpr size_t kEntryStart = 16;

}  // namespace

std::vector<HostDriveFile> hostDriveFiles(const ControllerFirmware& fw)
{
    std::vector<HostDriveFile> out;
    for (const auto& [carrier, table] : fw.hostTables)
        for (const auto& e : table.entries)
            out.push_back({e[kEntryNumber], carrier, wire::get32(e.data(), kEntryStart),
                           wire::get32(e.data(), kEntrySectors)});
    std::sort(out.begin(), out.end(), [](const HostDriveFile& a, const HostDriveFile& b) { return a.number < b.number; });
    // A number held twice stays with its first table, as the block requests find it.
    out.erase(std::unique(out.begin(), out.end(),
                          [](const HostDriveFile& a, const HostDriveFile& b) { return a.number == b.number; }),
              out.end());
    return out;
}

bool findHostDriveFile(const ControllerFirmware& fw, uint32_t number, HostDriveFile& out)
{
    for (const auto& [carrier, table] : fw.hostTables)
        for (const auto& e : table.entries)
            if (e[kEntryNumber] == number) {
                out = {e[kEntryNumber], carrier, wire::get32(e.data(), kEntryStart), wire::get32(e.data(), kEntrySectors)};
                return true;
            }
    return false;
}

size_t readHostDriveFile(const ControllerFirmware& fw, const HostDriveFile& f, uint8_t* out, size_t size, off_t off)
{
    const uint64_t length = f.sectors * BLOCK_SIZE;
    if (off < 0 || static_cast<uint64_t>(off) >= length)
        return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, length - static_cast<uint64_t>(off)));
    for (size_t done = 0; done < n;) {
        const uint64_t at = static_cast<uint64_t>(off) + done;
        const uint64_t sector = at / BLOCK_SIZE;
        const size_t inSector = static_cast<size_t>(at % BLOCK_SIZE);
        const size_t piece = std::min(n - done, BLOCK_SIZE - inSector);
        const auto it = fw.carrierBlocks.find({f.carrier, f.start + sector});
        if (it == fw.carrierBlocks.end())
            std::fill_n(out + done, piece, 0);
        else
            std::copy_n(it->second.begin() + static_cast<long>(inSector), piece, out + done);
        done += piece;
    }
    return n;
}

long writeHostDriveFile(ControllerFirmware& fw, const HostDriveFile& f, const uint8_t* in, size_t size, off_t off)
{
    const uint64_t length = f.sectors * BLOCK_SIZE;
    if (off < 0 || static_cast<uint64_t>(off) >= length)
        return size == 0 ? 0 : -EFBIG;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, length - static_cast<uint64_t>(off)));
    for (size_t done = 0; done < n;) {
        const uint64_t at = static_cast<uint64_t>(off) + done;
        const uint64_t sector = at / BLOCK_SIZE;
        const size_t inSector = static_cast<size_t>(at % BLOCK_SIZE);
        const size_t piece = std::min(n - done, BLOCK_SIZE - inSector);
        auto& kept = fw.carrierBlocks[{f.carrier, f.start + sector}];  // a new sector starts as zeros
        std::copy_n(in + done, piece, kept.begin() + static_cast<long>(inSector));
        done += piece;
    }
    return static_cast<long>(n);
}

}  // namespace kzmsim
