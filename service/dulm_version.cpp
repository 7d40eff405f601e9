#include "service_versions.h"

// Part of the program itself, so always linked; nothing refers to it.
extern "C" {
[[gnu::used]] constinit ModuleVersionRecord dulm_version_record =
    MakeModuleVersionRecord(MODULE_KIND_PROGRAM, "dulm - Remote Configuration Daemon", {1, 12, 0, 0}, {5, 9, 2002});
}
