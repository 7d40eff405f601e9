// The host drives' sectors as files (kzmsim/hostdrive/<entry>/<number>):
// every host drive a table holds, its bytes the carrying drive's sectors
// from the entry's start, as the block requests reach them.
#pragma once

#include "controller_firmware.h"
#include "driver_layout.h"

#include <cstdint>
#include <sys/types.h>
#include <vector>

namespace kzmsim {

// One host drive file.
struct HostDriveFile {
    uint16_t number = 0;
    uint32_t carrier = 0;
    uint64_t start = 0;    // first sector on the carrying drive
    uint64_t sectors = 0;  // the file holds sectors x 512 bytes
};

// The host drive files of a controller, by ascending number.
std::vector<HostDriveFile> hostDriveFiles(const ControllerFirmware& fw);
// The file of host drive `number`; false when no table holds it.
bool findHostDriveFile(const ControllerFirmware& fw, uint32_t number, HostDriveFile& out);
// Copies bytes from offset; returns the count (0 at or past the end).
size_t readHostDriveFile(const ControllerFirmware& fw, const HostDriveFile& f, uint8_t* out, size_t size, off_t off);
// Stores bytes at offset (cut at the end); returns the count, -EFBIG when off is past the end.
long writeHostDriveFile(ControllerFirmware& fw, const HostDriveFile& f, const uint8_t* in, size_t size, off_t off);

}  // namespace kzmsim
