#include "transport.h"

#include "bounded_copy.h"
#include "model_errors.h"
#include "xport.h"

#include <cstring>
#include <memory>
#include <new>

CTransport::CTransport(const char* moduleName, int index) : moduleIndex(index)
{
    if (!CopyBoundedText(name, TRANSPORT_NAME_MAX_CHARS, moduleName))
        error = MODERR_BAD_PARAMETER;
}

CTransport::CTransport(const CTransport& other) : CAbstrBase(other)
{
    CopyFieldsFrom(other);
    if (!machines.AssignFrom(other.machines))
        error = MODERR_NO_MEMORY;
}

CTransport::CTransport(CTransport&& other) noexcept : CAbstrBase(other), machines(std::move(other.machines))
{
    CopyFieldsFrom(other);
}

CTransport& CTransport::operator=(const CTransport& other)
{
    if (this != &other) {
        CAbstrBase::operator=(other);
        CopyFieldsFrom(other);
        if (!machines.AssignFrom(other.machines))
            error = MODERR_NO_MEMORY;
    }
    return *this;
}

void CTransport::CopyFieldsFrom(const CTransport& other)
{
    std::memcpy(name, other.name, sizeof name);
    moduleIndex = other.moduleIndex;
    flags = other.flags;
}

int CTransport::EnumHostSystems(const char* machineName)
{
    machines.SetSize(0);
    std::unique_ptr<InterfaceEntry[]> entries(new (std::nothrow) InterfaceEntry[TRANSPORT_MAX_MACHINES]());
    if (!entries) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    if (machineName != nullptr) {
        if (!CopyBoundedText(entries[0].name, sizeof entries[0].name - 1, machineName)) {
            error = MODERR_BAD_PARAMETER;
            return 0;
        }
        flags |= TRANSPORT_FLAG_NAMED_LOOKUP;
    } else {
        flags &= ~TRANSPORT_FLAG_NAMED_LOOKUP;
    }

    uint16_t count = TRANSPORT_MAX_MACHINES;
    error = xport_list_interfaces(static_cast<uint16_t>(moduleIndex), &count, entries.get());
    if (error != 0)
        return 0;
    if (count > TRANSPORT_MAX_MACHINES)
        count = TRANSPORT_MAX_MACHINES;
    if (!machines.SetSize(count)) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        char entryName[sizeof entries[i].name + 1] = {};
        std::memcpy(entryName, entries[i].name, sizeof entries[i].name);
        machines[i] = CHostSystem(entryName, moduleIndex, entries[i].remote, entries[i].loginRequired,
                                  entries[i].remoteFlag);
    }
    return 1;
}
