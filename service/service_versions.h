// The service's version records: dulm's own and that of its service library
// ("rcsservlib Library"). Nothing in the service reads them.
#pragma once

#include "module_version.h"

extern "C" {
// "rcsservlib Library": the service's layers (kept by the library's link options).
extern ModuleVersionRecord rcsservlib_version_record;
// "dulm - Remote Configuration Daemon": the program's own record.
extern ModuleVersionRecord dulm_version_record;
}
