// The one-line text of a device in every disk list, the two list layouts,
// the free-disk rule with the usable capacity test, and the multiple choice
// of free disks that the drive creation dialogs share.
#pragma once

#include <cstdint>
#include <vector>

#include "dialog_records.h"

class CController;
class CPhysDrive;

// The console's shared text buffer: one line that label and line functions
// fill just before a list line or a message is formatted.
char* SharedText();
// Size of the shared text buffer in bytes.
constexpr int sharedTextSize = 256;

// Fills the shared text buffer with the device's list line and returns it.
const char* DiskLineText(const CController& controller, const CPhysDrive& device);
// The disk list record for the controller: the SATA layout when its channel
// 0 is a SATA channel, else the SCSI one; title " Select Physical Drive ".
ListDef* DiskListDef(const CController& controller);
// 1 when channel 0 of the controller is a SATA channel.
int IsSataController(const CController& controller);
// The bus type byte of a channel (channel record byte 5), 0 for none.
uint8_t ChannelBusType(const CController& controller, int channel);
// The free-disk rule: a ready, writable 512-byte disk of no logical drive
// on a usable channel.
bool IsFreeDisk(const CController& controller, const CPhysDrive& device);
// Whether the disk's usable capacity for the disk format (1 old, 2 new) is
// at least `minimum` sectors.
bool DiskHasCapacity(const CController& controller, const CPhysDrive& device, uint32_t minimum, int diskFormat);
// 1 when the disk's ownership record says another controller owns it
// (the owner's serial is neither 0 nor this controller's).
int OwnedByOtherController(const CController& controller, const CPhysDrive& device);
// The " Select Physical Drive " multiple choice over the candidate device
// indices: SPACE toggles a disk in `chosen`, `line` keeps the line chosen
// last. 1 for ENTER, 0 for ESC or a list that cannot be shown (M4000).
int ChooseDisks(CController& controller, const std::vector<int>& candidates, std::vector<int>& chosen, int& line);
// " Select Physical Drive " multiple choice of the free disks with at least
// `minimum` usable sectors; `chosen` holds device indices in and out. 1 when
// ended with ENTER, 0 for ESC or when no disk fits (M5003).
int SelectFreeDisks(CController& controller, std::vector<int>& chosen, uint32_t minimum, int diskFormat);
