// CPhysDrive: a device on one of the controller's channels, or a channel's I/O processor.
// Declared with what the controller's lists need: the owner pointer and
// copying; the drive's own contents and operations are added with it.
#pragma once

#include "abstr_base.h"
#include "thread_list.h"

#include <cstdint>

class CController;

class CPhysDrive : public CAbstrBase, public CThreadList {
public:
    // An empty entry of the controller's list.
    CPhysDrive() : CThreadList(1) {}
    // Copies every field; live workers are started again for the copy.
    CPhysDrive(const CPhysDrive& other) : CAbstrBase(other), CThreadList(other)
    {
        CopyFields(other);
        RestartCopiedWorkers();
    }
    // Takes over the other's workers; the owner pointer comes along unchanged.
    CPhysDrive(CPhysDrive&& other) noexcept = default;
    // Copies every field; this object's workers stop, the other's are started again here.
    CPhysDrive& operator=(const CPhysDrive& other)
    {
        if (this != &other) {
            CAbstrBase::operator=(other);
            CThreadList::operator=(other);
            CopyFields(other);
            RestartCopiedWorkers();
        }
        return *this;
    }

    int deviceIndex = -1;              // its index in its channel's device list
    uint16_t controllerNumber = 0;     // controller number of every request
    CController* controller = nullptr; // owner

private:
    void CopyFields(const CPhysDrive& other)
    {
        deviceIndex = other.deviceIndex;
        controllerNumber = other.controllerNumber;
        controller = other.controller;
    }
};
