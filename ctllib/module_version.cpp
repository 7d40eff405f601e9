#include "module_version.h"

#include <cstdio>
#include <cstring>

int FormatModuleVersion(const ModuleVersionRecord& record, char* out, size_t outSize)
{
    const int nameLength = static_cast<int>(strnlen(record.name, MODULE_NAME_BYTES));
    return std::snprintf(out, outSize, "%-*.*s: %d.%02d.%02d.%02d", static_cast<int>(MODULE_VERSION_LINE_NAME_WIDTH),
                         nameLength, record.name, record.version[3], record.version[2], record.version[1],
                         record.version[0]);
}
