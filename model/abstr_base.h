// Common base of every model object: the error word of its last failure.
#pragma once

#include <cstdint>

class CAbstrBase {
public:
    // Starts with no error.
    CAbstrBase() = default;
    CAbstrBase(const CAbstrBase&) = default;
    // Copies the error word.
    CAbstrBase& operator=(const CAbstrBase&) = default;

    // Code of the last failure of the object's last operation, 0 = no error:
    // a library error code passed through, or a model code from model_errors.h.
    uint32_t error = 0;
};
