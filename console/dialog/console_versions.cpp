#include "console_versions.h"

// Kept by the console library's link options, also where nothing reads them.
extern "C" {
[[gnu::used]] constinit ModuleVersionRecord mirvane_version_record =
    MakeModuleVersionRecord(MODULE_KIND_PROGRAM, "RAID Mirvane", {2, 13, 1, 0}, {6, 11, 2002});
[[gnu::used]] constinit ModuleVersionRecord appslib_version_record =
    MakeModuleVersionRecord(MODULE_KIND_LIBRARY, "appslib Library", {1, 0, 0, 0}, {2, 8, 2002});
}
