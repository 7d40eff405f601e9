// The links between the controller's drive lists that the maintenance
// preparation follows: host drive to carrying logical drive, logical drive to
// its array and mirror drive, and their components. The configuration read
// fills them; every answer is an index into the controller's lists, -1 for none.
#include "controller.h"

// MERGE: each of these becomes a read of the link fields that the
// configuration read fills (CHostDrive::carrierIndex, CLogDrive::arrayIndex
// and mirrorIndex, the component index lists of CArrayDrive and
// CMirrorDrive). Until those fields exist no drive is linked, so the
// preparation of a host drive finds no carrier and sends nothing.

int CController::HostDriveCarrier(int h) const
{
    (void)h;
    return -1;
}

int CController::ArrayOfLogDrive(int i) const
{
    (void)i;
    return -1;
}

int CController::MirrorOfLogDrive(int i) const
{
    (void)i;
    return -1;
}

int CController::ArrayComponent(int a, int k) const
{
    (void)a;
    (void)k;
    return -1;
}

int CController::MirrorComponent(int m, int k) const
{
    (void)m;
    (void)k;
    return -1;
}

bool CController::LogDriveCarriesHostDrive(int i) const
{
    for (int h = 0; h < hostDrives.count; ++h)
        if (HostDriveCarrier(h) == i)
            return true;
    return false;
}
