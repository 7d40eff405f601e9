// CLogDrive: one logical drive of a controller: a disk, a chain or a RAID-0 stripe set.
// Declared with what the controller's lists need: the owner pointer and
// copying; the drive's own contents and operations are added with it.
#pragma once

#include "abstr_base.h"
#include "thread_list.h"

#include <cstdint>

class CController;

class CLogDrive : public CAbstrBase, public CThreadList {
public:
    // An empty entry of the controller's list.
    CLogDrive() : CThreadList(1) {}
    // Copies every field; live workers are started again for the copy.
    CLogDrive(const CLogDrive& other) : CAbstrBase(other), CThreadList(other)
    {
        CopyFields(other);
        RestartCopiedWorkers();
    }
    // Takes over the other's workers; the owner pointer comes along unchanged.
    CLogDrive(CLogDrive&& other) noexcept = default;
    // Copies every field; this object's workers stop, the other's are started again here.
    CLogDrive& operator=(const CLogDrive& other)
    {
        if (this != &other) {
            CAbstrBase::operator=(other);
            CThreadList::operator=(other);
            CopyFields(other);
            RestartCopiedWorkers();
        }
        return *this;
    }

    int driveNumber = -1;              // the drive's number on the controller
    uint16_t controllerNumber = 0;     // controller number of every request
    CController* controller = nullptr; // owner

private:
    void CopyFields(const CLogDrive& other)
    {
        driveNumber = other.driveNumber;
        controllerNumber = other.controllerNumber;
        controller = other.controller;
    }
};
