// The five controller settings the tool shows and changes: cache, delayed
// write, CD boot, immediate hard disk start and BIOS.
#pragma once

#include "controller.h"

// Which settings a status run shows.
struct SettingsShown {
    bool cache = false;
    bool delayedWrite = false;
    bool cdBoot = false;
    bool hdStart = false;
    bool bios = false;
};

// Prints one line per setting asked for, in that order, on standard output; 0.
int ShowSettings(const CController& controller, const SettingsShown& shown);
// Switches the cache (1 on, 0 off), keeping delayed write; 0, or -1 after the error code.
int SetCache(CController& controller, int on);
// Switches delayed write (1 on, 0 off), keeping the cache; 0, or -1 after the error code.
int SetDelayedWrite(CController& controller, int on);
// Changes each setting given (-1: not given) in the order cache, delayed
// write, CD boot, then disk start and BIOS in one settings write; 0, or -1 at
// the first failure (what was written before stays).
int AssignSettings(CController& controller, int cache, int delayedWrite, int cdBoot, int hdStart, int bios);
