// The links between the controller's drive lists that the maintenance
// preparation follows: host drive to carrying logical drive, logical drive to
// its array and mirror drive, and their components. The configuration read
// fills them; every answer is an index into the controller's lists, -1 for none.
#include "controller.h"

namespace {

// Element k of an index list, or -1 past its end.
int At(const CArray<int>& list, int k) { return k >= 0 && k < list.count ? list[k] : -1; }

}  // namespace

int CController::HostDriveCarrier(int h) const
{
    return h >= 0 && h < hostDrives.count ? hostDrives[h].carrierIndex : -1;
}

int CController::ArrayOfLogDrive(int i) const
{
    return i >= 0 && i < logDrives.count ? logDrives[i].arrayIndex : -1;
}

int CController::MirrorOfLogDrive(int i) const
{
    return i >= 0 && i < logDrives.count ? logDrives[i].mirrorIndex : -1;
}

int CController::ArrayComponent(int a, int k) const
{
    return a >= 0 && a < arrayDrives.count ? At(arrayDrives[a].components, k) : -1;
}

int CController::MirrorComponent(int m, int k) const
{
    return m >= 0 && m < mirrorDrives.count ? At(mirrorDrives[m].components, k) : -1;
}

bool CController::LogDriveCarriesHostDrive(int i) const
{
    for (int h = 0; h < hostDrives.count; ++h)
        if (HostDriveCarrier(h) == i)
            return true;
    return false;
}
