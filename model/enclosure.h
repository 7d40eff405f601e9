// CEnclosure: an enclosure of a controller. The controller keeps a list of
// them that no operation fills; only the controller's assignment copies it.
#pragma once

#include "abstr_base.h"
#include "drive_object.h"
#include "carray.h"
#include "model_errors.h"

#include <cstdint>

class CController;

class CEnclosure : public CDriveObject<CEnclosure> {
public:
    // An empty entry of the controller's list.
    CEnclosure() : CDriveObject(1) {}
    // The enclosure `id`; the three values after it are not used.
    CEnclosure(int id, int, int, int, CController* owner, int refreshNow) : CDriveObject(1), controller(owner), identifier(id)
    {
        if (refreshNow)
            Refresh();
    }
    // Copies error, interval, identifier, owner and the list; live workers are started again.
    CEnclosure(const CEnclosure& other) : CDriveObject(other) { CompleteCopy(other); }
    // Takes over the other's workers; the owner pointer comes along unchanged.
    CEnclosure(CEnclosure&& other) noexcept = default;
    // Copies as the copy constructor does; this object's workers stop first.
    CEnclosure& operator=(const CEnclosure& other) { return AssignCopy(other); }

    // An enclosure reads nothing; always 1.
    int Refresh() { return 1; }

    CController* controller = nullptr;  // owner
    int identifier = -1;
    CArray<int> values;                 // a growable list the enclosure keeps

private:
    friend class CDriveObject<CEnclosure>;
    void CopyFields(const CEnclosure& other)
    {
        controller = other.controller;
        identifier = other.identifier;
        if (!values.AssignFrom(other.values))
            error = MODERR_NO_MEMORY;  // the list stays as it was
    }
};
