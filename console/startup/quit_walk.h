// The walk over the controllers before the quit question: each one is read
// again and the builds still running are shown.
#pragma once

class CController;
class CHostSystem;

// Reads every controller of the machine that is not busy and shows its
// running builds, until the user leaves a display early.
void QuitSequence(CHostSystem& machine);
// Shows the build progress of every array and mirror drive of the
// controller (numbered `index`) that is still building; 1 when the user
// left a display early, so that the quit walk stops.
int ShowControllerBuildProgress(CController& controller, int index);
