// The walk over the controllers before the quit question: each one is read
// again and the builds still running are shown.
#pragma once

class CHostSystem;

// Reads every controller of the machine that is not busy and shows its
// running builds, until the user leaves a display early.
void QuitSequence(CHostSystem& machine);
