// One row of the emulated firmware's command table (ioctl_commands.h): a
// key's direction, the size its parameter record must have, what its target
// must address, and its handler.
#pragma once

#include <cstdint>

namespace kzmsim {

class ControllerFirmware;
struct IoctlCall;

using IoctlHandler = uint32_t (*)(ControllerFirmware&, IoctlCall&);

// Whether a command changes the controller.
enum class Direction : uint8_t {
    Reads,
    Writes,
    ByRecord,  // the parameter record says (0x63, 0x6E, 0x1000000A)
};

// How the parameter size is checked.
enum class SizeRule : uint8_t {
    Fixed,        // exactly the row's size
    Caller,       // the caller's size; the handler checks it
    Rec12U16At4,  // 12 + 4 x (u16 at 4)
    Rec5ByteAt3,  // 5 + (byte at 3)
    Rec8U16At6,   // 8 + (u16 at 6)
};

// What the target must address.
enum class TargetRule : uint8_t {
    Number,            // a drive, array or host drive number: the handler checks it
    Controller,        // 0xFFFF, the controller as a whole
    Log,               // 0x2FFFF, the controller log
    Owner,             // 0xFFFFFFFF, a disk's ownership record
    Channel,           // a channel's address with the low 16 bits 0xFFFF
    Device,            // the address of a device on a channel
    ChannelOrDevice,   // either of the two above
};

// One row of the table.
struct IoctlCommand {
    uint32_t key;
    Direction direction;
    SizeRule sizeRule;
    uint16_t size;          // for SizeRule::Fixed
    TargetRule target;
    IoctlHandler handler;   // nullptr: no behaviour yet (answers 0x0009)
};

}  // namespace kzmsim
