// The version record of the object model ("abstr Library"). Every program
// that links the model carries it (the model's link options keep it).
#pragma once

#include "module_version.h"

extern "C" {
// "abstr Library": the RAID object model.
extern ModuleVersionRecord abstr_version_record;
}
