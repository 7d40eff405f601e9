#include "ostrel_version.h"

extern "C" {
[[gnu::used]] constinit ModuleVersionRecord ostrel_version_record =
    MakeModuleVersionRecord(MODULE_KIND_PROGRAM, "ostrel - Command Line Utility", {1, 0, 1, 0}, {6, 11, 2002});
}
