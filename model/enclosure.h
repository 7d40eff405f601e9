// CEnclosure: an enclosure of a controller; the model keeps the list but never fills it.
// Declared with what the controller's lists need: the owner pointer and
// copying; the drive's own contents and operations are added with it.
#pragma once

#include "abstr_base.h"
#include "thread_list.h"

#include <cstdint>

class CController;

class CEnclosure : public CAbstrBase, public CThreadList {
public:
    // An empty entry of the controller's list.
    CEnclosure() : CThreadList(1) {}
    // Copies every field; live workers are started again for the copy.
    CEnclosure(const CEnclosure& other) : CAbstrBase(other), CThreadList(other)
    {
        CopyFields(other);
        RestartCopiedWorkers();
    }
    // Takes over the other's workers; the owner pointer comes along unchanged.
    CEnclosure(CEnclosure&& other) noexcept = default;
    // Copies every field; this object's workers stop, the other's are started again here.
    CEnclosure& operator=(const CEnclosure& other)
    {
        if (this != &other) {
            CAbstrBase::operator=(other);
            CThreadList::operator=(other);
            CopyFields(other);
            RestartCopiedWorkers();
        }
        return *this;
    }

    int identifier = -1;               // the enclosure's identifier
    uint16_t controllerNumber = 0;     // controller number of every request
    CController* controller = nullptr; // owner

private:
    void CopyFields(const CEnclosure& other)
    {
        identifier = other.identifier;
        controllerNumber = other.controllerNumber;
        controller = other.controller;
    }
};
