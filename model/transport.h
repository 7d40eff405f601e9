// CTransport: one interface module of the command library, and the machines
// it reaches.
#pragma once

#include "abstr_base.h"
#include "carray.h"
#include "host_system.h"

constexpr size_t TRANSPORT_NAME_MAX_CHARS = 16;
constexpr uint32_t TRANSPORT_FLAG_NAMED_LOOKUP = 0x1;  // last listing looked up a given machine name
constexpr int TRANSPORT_MAX_MACHINES = 16;

class CTransport : public CAbstrBase {
public:
    // An unnamed transport (for the session's list).
    CTransport() = default;
    // Module `index` named `moduleName`; a name longer than 16 characters is refused (0x04000003).
    CTransport(const char* moduleName, int index);
    CTransport(const CTransport& other);
    CTransport(CTransport&& other) noexcept;
    // Copies every field and every machine.
    CTransport& operator=(const CTransport& other);

    // Lists the machines the module reaches; with a name, the module also looks that machine up. 1 or 0.
    int EnumHostSystems(const char* machineName);

    char name[TRANSPORT_NAME_MAX_CHARS + 4] = {};  // the module's name
    int moduleIndex = 0;                            // position in the library's module table
    uint32_t flags = 0;                             // TRANSPORT_FLAG_*
    CArray<CHostSystem> machines;

private:
    void CopyFieldsFrom(const CTransport& other);
};
