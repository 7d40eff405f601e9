// The " View Statistics " menu of a controller: the statistics windows, the
// sample rate and logging.
#pragma once

class CController;
class CTagMenu;

// Runs the menu until ESC; 1, or 0 when the menu cannot be opened.
int ViewStatistics(CController& controller);
// Hides the items of what the controller lacks: host drives, logical
// drives, disks.
void HideMissingStatistics(CTagMenu& menu, const CController& controller);
