#include "abstr_version.h"

// Kept by the model's link options, also in a program that never reads it.
extern "C" {
[[gnu::used]] constinit ModuleVersionRecord abstr_version_record =
    MakeModuleVersionRecord(MODULE_KIND_LIBRARY, "abstr Library", {1, 47, 0, 1}, {1, 10, 2002});
}
