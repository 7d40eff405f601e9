// CMirrorDrive: a RAID-1 mirror drive of a controller.
// Declared with what the controller's lists need: the owner pointer and
// copying; the drive's own contents and operations are added with it.
#pragma once

#include "abstr_base.h"
#include "thread_list.h"

#include <cstdint>

class CController;

class CMirrorDrive : public CAbstrBase, public CThreadList {
public:
    // An empty entry of the controller's list.
    CMirrorDrive() : CThreadList(1) {}
    // Copies every field; live workers are started again for the copy.
    CMirrorDrive(const CMirrorDrive& other) : CAbstrBase(other), CThreadList(other)
    {
        CopyFields(other);
        RestartCopiedWorkers();
    }
    // Takes over the other's workers; the owner pointer comes along unchanged.
    CMirrorDrive(CMirrorDrive&& other) noexcept = default;
    // Copies every field; this object's workers stop, the other's are started again here.
    CMirrorDrive& operator=(const CMirrorDrive& other)
    {
        if (this != &other) {
            CAbstrBase::operator=(other);
            CThreadList::operator=(other);
            CopyFields(other);
            RestartCopiedWorkers();
        }
        return *this;
    }

    int mirrorNumber = -1;             // the drive's number on the controller
    uint16_t controllerNumber = 0;     // controller number of every request
    CController* controller = nullptr; // owner

private:
    void CopyFields(const CMirrorDrive& other)
    {
        mirrorNumber = other.mirrorNumber;
        controllerNumber = other.controllerNumber;
        controller = other.controller;
    }
};
