#include "service_versions.h"

extern "C" {
[[gnu::used]] constinit ModuleVersionRecord rcsservlib_version_record =
    MakeModuleVersionRecord(MODULE_KIND_LIBRARY, "rcsservlib Library", {1, 0, 0, 0}, {5, 9, 2002});
}
