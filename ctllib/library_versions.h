// The version records of the command library's two parts. Every program that
// links the library carries both (the library's link options keep them).
#pragma once

#include "module_version.h"

extern "C" {
// "kzmlib Library": request builders, composite operations, local driver module, event texts.
extern ModuleVersionRecord kzmlib_version_record;
// "xport Library": interface module manager and TCP/IP client module.
extern ModuleVersionRecord xport_version_record;
}
