// The physical device screen: " Select Physical Drive " with the rescan and
// hot plug lines, identify, the Fibre Channel information and the rewrite
// of the physical configuration data.
#pragma once

class CController;
class CPhysDrive;

// The physical device screen of the controller until ESC; returns 1.
int ConfigurePhysicalDevices(CController& controller);
// The channel menu and scan ID input of a rescan: 1 with *channel and
// *target (-2: the whole channel) chosen, 0 when left.
int AskRescanTarget(CController& controller, int* channel, int* target);
// The Fibre Channel port status box of a disk (F4 on a Fibre Channel disk).
void ShowFcPortStatus(CController& controller, CPhysDrive& disk);
// " Fibre Channel Information " of a channel (F4 on its I/O processor).
void FibreChannelInformation(CController& controller, int channel);
// F8: every initialised disk gets its configuration data written again with
// its own settings; the last model result, 0 when asked no or no disk fits.
int RewritePhysicalConfiguration(CController& controller);
