#include "abstr_version.h"
#include "help_texts.h"
#include "library_versions.h"
#include "ostrel_version.h"

#include <cstdio>

void PrintVersion()
{
    std::printf("Version %d.%d.%d\n", 1, 0, 1);
}

void PrintExtendedVersion()
{
    std::printf("\nExtended version information: \n");
    char lines[4][MODULE_VERSION_LINE_NAME_WIDTH + MODULE_NAME_BYTES + 32];
    const ModuleVersionRecord* records[4] = {&ostrel_version_record, &abstr_version_record,
                                             &kzmlib_version_record, &xport_version_record};
    for (int i = 0; i < 4; ++i)
        FormatModuleVersion(*records[i], lines[i], sizeof lines[i]);
    std::printf("%s\n%s\n%s\n%s\n", lines[0], lines[1], lines[2], lines[3]);
}
