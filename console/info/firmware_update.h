// The firmware update dialog: the directory, the image files found there
// for the controller, the console's version rules, and the flash with its
// erase and download displays.
#pragma once

#include <cstdint>
#include <vector>

class CController;

// Runs the whole firmware update of the controller; 1 when the download
// succeeded, else 0.
int FirmwareUpdate(CController& controller);

// One version rule that refuses an image: its catalog key and whether it
// shows in error colours.
struct FirmwareRuleRefusal {
    const char* message;
    int error;
};
// The rules that refuse the image with this 52-byte header on the
// controller, in their order; empty when the image may be flashed.
std::vector<FirmwareRuleRefusal> FirmwareVersionRefusals(const CController& controller, const uint8_t* header);
