// Plugging a disk into a running controller: the free target positions,
// the plug-in prompts, the search for the new disk, and its use as a new
// logical drive or as the replacement of a failed one.
#pragma once

#include <string>

#include "drive_choice.h"

class CController;
class CLogDrive;
class CMirrorDrive;

// The name of the controller's channel at index `channel`; empty out of range.
const char* ChannelNameOf(const CController& controller, int channel);
// The position text of channel/ID, in the SATA form when channel 0 is SATA.
std::string PositionText(const CController& controller, int channel, int target);
// Fills the free target list (channel << 8 | ID); `channel` -1 gives none
// beforehand. Returns 1.
int CollectFreeTargets(CController& controller, int channel, int target, int clusterChannelsOnly);
// " Select Target ID " (" Select ID " on SATA controllers); 1 with the chosen
// channel and ID (-1 any) in the pointers.
int AskFreeTarget(CController& controller, int* channel, int* target, int clusterChannelsOnly);
// Hot plug of a new disk at channel/target (channel -1: ask); with
// `makeLogical` it becomes a logical drive whose number goes to *number.
int HotPlugDisk(CController& controller, int makeLogical, int* number, int channel, int target);
// Hot replace of a failed array component or private hot fix drive at a
// target the user chooses; 1 or 0.
int HotReplaceDisk(CController& controller, CLogDrive& failed);
// The hot replace of `failed` by a disk plugged at channel/target; 1 or 0.
int ReplaceFailedArrayDisk(CController& controller, CLogDrive& failed, int channel, int target);
// Hot plug of a disk for a RAID-1 drive's missing component, with retries; 1 or 0.
int ReplaceMissingMirrorDisk(CMirrorDrive& mirror, int channel, int target);

// The hot plug line of a drive choice (AddDriveToArray): HotPlugDisk and HotReplaceDisk.
inline constexpr HotPlugStep hotPlugLine{HotPlugDisk, HotReplaceDisk};
