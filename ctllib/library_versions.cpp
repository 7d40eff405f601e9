#include "library_versions.h"

// Nothing in a program need refer to these: the library's link options name
// them, so that every program linking the library keeps them.
extern "C" {
[[gnu::used]] constinit ModuleVersionRecord kzmlib_version_record =
    MakeModuleVersionRecord(MODULE_KIND_LIBRARY, "kzmlib Library", {2, 1, 26, 0}, {11, 9, 2002});
[[gnu::used]] constinit ModuleVersionRecord xport_version_record =
    MakeModuleVersionRecord(MODULE_KIND_LIBRARY, "xport Library", {1, 0, 0, 0}, {2, 8, 2002});
}
