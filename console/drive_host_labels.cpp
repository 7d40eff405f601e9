#include "drive_host_labels.h"

#include "disk_lines.h"

const char* ArrayHostLabel(const CController&, const CArrayDrive&)
{
    SharedText()[0] = '\0';
    return SharedText();
}

const char* MirrorHostLabel(const CController&, const CMirrorDrive&)
{
    SharedText()[0] = '\0';
    return SharedText();
}
