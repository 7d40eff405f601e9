// The console's own module version record and that of its application
// library. Every program that links the console library carries both.
#pragma once

#include "module_version.h"

extern "C" {
// "RAID Mirvane": the console program.
extern ModuleVersionRecord mirvane_version_record;
// "appslib Library": the console's dialog toolkit and screens.
extern ModuleVersionRecord appslib_version_record;
}
