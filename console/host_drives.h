// The host drive screens: " Select Host Drive ", the carrier window, the
// " Host Drive " menu with its actions, and the host drive creation dialog.
#pragma once

class CController;

// The host drive screen of the controller until ESC; returns 1.
int ConfigureHostDrives(CController& controller);
