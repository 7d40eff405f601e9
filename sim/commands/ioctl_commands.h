// The emulated firmware's command table: one row per IOCTL key with its
// direction, the size its parameter record must have, what its target must
// address, and the handler that gives the key its behaviour.
//
// A command runs as the firmware would check it:
//   1. a key without a row, or one the controller's profile does not know,
//      answers 0x0009 (invalid command);
//   2. a parameter size the row's size rule refuses answers 0x0007;
//   3. a target the row's target rule refuses answers 0x0006;
//   4. the handler runs; a row without a handler (a command this emulator has
//      no behaviour for yet) answers 0x0009 after the checks.
// Handlers may live in any file; they are declared in headers such as
// ioctl_handlers.h and named in the table (ioctl_commands.cpp).
#pragma once

#include "controller_firmware.h"

#include <cstdint>
#include <span>

namespace kzmsim {

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

// The row of a key, or nullptr for a key the controller does not know.
const IoctlCommand* findIoctlCommand(uint32_t key);
// Every row of the table.
std::span<const IoctlCommand> ioctlCommands();
// Checks and runs one IOCTL command; returns the status word.
uint32_t runIoctlCommand(ControllerFirmware& fw, IoctlCall& call);

}  // namespace kzmsim
