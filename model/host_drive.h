// CHostDrive: a host drive, the slice of a drive that the operating system sees.
// Declared with what the controller's lists need: the owner pointer and
// copying; the drive's own contents and operations are added with it.
#pragma once

#include "abstr_base.h"
#include "thread_list.h"

#include <cstdint>

class CController;

class CHostDrive : public CAbstrBase, public CThreadList {
public:
    // An empty entry of the controller's list.
    CHostDrive() : CThreadList(1) {}
    // Copies every field; live workers are started again for the copy.
    CHostDrive(const CHostDrive& other) : CAbstrBase(other), CThreadList(other)
    {
        CopyFields(other);
        RestartCopiedWorkers();
    }
    // Takes over the other's workers; the owner pointer comes along unchanged.
    CHostDrive(CHostDrive&& other) noexcept = default;
    // Copies every field; this object's workers stop, the other's are started again here.
    CHostDrive& operator=(const CHostDrive& other)
    {
        if (this != &other) {
            CAbstrBase::operator=(other);
            CThreadList::operator=(other);
            CopyFields(other);
            RestartCopiedWorkers();
        }
        return *this;
    }

    int hostDriveNumber = -1;          // the host drive number
    uint16_t controllerNumber = 0;     // controller number of every request
    CController* controller = nullptr; // owner

private:
    void CopyFields(const CHostDrive& other)
    {
        hostDriveNumber = other.hostDriveNumber;
        controllerNumber = other.controllerNumber;
        controller = other.controller;
    }
};
