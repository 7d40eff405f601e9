// Configuration access as the emulated controller keeps it: Maintenance Mode
// (0x0C/0x0D), the nested host drive access (0x70/0x71), the per-host-drive
// locks (0x72/0x73), holders outside the program (control `hold`/`release`,
// ended also by the host drive's access reset, opcode 6), the disk change
// bracket (0x20026/0x20027), and the protocol faults of strict mode.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace kzmsim {

class ControllerFirmware;
struct IoctlCall;
struct IoctlCommand;

constexpr uint16_t FW_STATUS_LOCKED = 0x000C;      // the configuration or host drive is held elsewhere
constexpr uint32_t WHOLE_CONFIGURATION = 0xFFFFFFFF;   // host drive -1: the whole configuration

// Where a configuration page write stands (0x2B, 0x2C, 0x2D).
enum class PageStep : uint8_t { None, Written, Committed };

struct AccessState {
    bool maintenance = false;              // 0x0C until 0x0D
    uint32_t nesting = 0;                  // 0x70 adds one, 0x71 takes one
    std::set<uint32_t> locks;              // host drives locked with 0x72; WHOLE_CONFIGURATION the whole configuration
    std::set<uint32_t> holds;              // held outside the program; WHOLE_CONFIGURATION every host drive
    bool diskChange = false;               // 0x20026 until 0x20027
    PageStep page = PageStep::None;
    uint32_t pageFlashHandle = 0xFFFFFFFF;  // handle the commit record (0x2E) named, until its session closes
    bool pageFlashed = false;              // the written page went through a flash session
    bool loadAll = false;                  // 0x0B on the controller until 0x03
    std::set<uint32_t> prepared;           // logical drives prepared with 0x12, until the access ends
    std::vector<std::string> faults;       // strict mode: changes sent without access
};

// Handlers of the access keys.
uint32_t lockConfigurationCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x0C
uint32_t unlockConfigurationCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x0D
uint32_t lockAccessCmd(ControllerFirmware& fw, IoctlCall& c);           // 0x70
uint32_t unlockAccessCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x71
uint32_t lockHostDriveCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x72
uint32_t unlockHostDriveCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x73
uint32_t prepareDriveCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x12
uint32_t beginDiskChangeCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x20026
uint32_t endDiskChangeCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x20027

// The access reset (opcode 6) of host drive d: ends a hold of d; d 0xFFFF ends every hold.
void resetHostDriveAccess(AccessState& a, uint16_t d);

// Strict mode: notes a protocol fault when the command changes the
// configuration without Maintenance Mode or the host drive's lock.
void checkConfigurationAccess(ControllerFirmware& fw, const IoctlCommand& row, const IoctlCall& c);

// The lines of the state file for controller `entry` (empty when nothing is held).
std::vector<std::string> accessStateLines(int entry, const AccessState& a);

}  // namespace kzmsim
