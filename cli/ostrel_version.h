// The tool's own version record.
#pragma once

#include "module_version.h"

extern "C" {
// "ostrel - Command Line Utility".
extern ModuleVersionRecord ostrel_version_record;
}
