#include "host_system.h"

#include "bounded_copy.h"
#include "ctl_driver_requests.h"
#include "model_errors.h"
#include "xport.h"

#include <cstring>

CHostSystem::CHostSystem(const char* hostName, int transport, int remote, int loginRequired, int available)
    : transportIndex(transport)
{
    if (!CopyBoundedText(name, HOST_NAME_MAX_CHARS, hostName))
        error = MODERR_BAD_PARAMETER;
    info.remote = remote;
    info.loginRequired = loginRequired;
    info.available = remote == 0 ? 1 : available;
}

CHostSystem::CHostSystem(const CHostSystem& other) : CAbstrBase(other)
{
    CopyFieldsFrom(other);
    if (!controllers.AssignFrom(other.controllers))
        error = MODERR_NO_MEMORY;
}

CHostSystem::CHostSystem(CHostSystem&& other) noexcept
    : CAbstrBase(other), controllers(std::move(other.controllers))
{
    CopyFieldsFrom(other);
}

CHostSystem& CHostSystem::operator=(const CHostSystem& other)
{
    if (this != &other) {
        CAbstrBase::operator=(other);
        CopyFieldsFrom(other);
        if (!controllers.AssignFrom(other.controllers))
            error = MODERR_NO_MEMORY;
    }
    return *this;
}

void CHostSystem::CopyFieldsFrom(const CHostSystem& other)
{
    transportIndex = other.transportIndex;
    std::memcpy(name, other.name, sizeof name);
    std::memcpy(user, other.user, sizeof user);
    std::memcpy(password, other.password, sizeof password);
    info = other.info;
}

int CHostSystem::Connect()
{
    if (info.remote && info.loginRequired) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    return ConnectAndEnumerate(transportIndex, name, nullptr, nullptr);
}

int CHostSystem::Login(const char* userName, const char* pass)
{
    if (!info.remote)
        return ConnectAndEnumerate(transportIndex, name, nullptr, nullptr);
    char newUser[sizeof user];
    char newPassword[sizeof password];
    if (!CopyBoundedText(newUser, HOST_USER_MAX_CHARS, userName) ||
        !CopyBoundedText(newPassword, HOST_PASSWORD_MAX_CHARS, pass)) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    std::memcpy(user, newUser, sizeof user);
    std::memcpy(password, newPassword, sizeof password);
    return ConnectAndEnumerate(transportIndex, name, user, password);
}

int CHostSystem::ConnectAndEnumerate(int transport, const char* hostName, const char* userName,
                                     const char* pass)
{
    controllers.SetSize(0);
    if (transport < 0 || transport > 0xFFFF || hostName == nullptr ||
        strnlen(hostName, HOST_NAME_MAX_CHARS + 1) > HOST_NAME_MAX_CHARS ||
        (userName != nullptr && strnlen(userName, HOST_USER_MAX_CHARS + 1) > HOST_USER_MAX_CHARS) ||
        (pass != nullptr && strnlen(pass, HOST_PASSWORD_MAX_CHARS + 1) > HOST_PASSWORD_MAX_CHARS)) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }

    error = xport_open_interface(static_cast<uint16_t>(transport), hostName, userName, pass);
    // A failed open of the local module leaves the library on its local controllers.
    if (error != 0 && transport > 0)
        return 0;

    error = ctl_get_os_version(&info.os);
    if (error == 0)
        error = ctl_get_system_info(info.systemRecord, HOST_SYSTEM_ENTRIES);

    if (error == 0) {
        uint16_t count = 0;
        error = ctl_get_controller_count(&count);
        if (error == 0)
            for (int i = 0; i < count; ++i)
                AddControllerIfReadable(i);
    }
    if (controllers.count > 0)
        error = 0;
    return error == 0 ? 1 : 0;
}

void CHostSystem::AddControllerIfReadable(int index)
{
    CController candidate(index, 0, info);
    error = candidate.error;
    if (candidate.error != 0 || candidate.index < 0)
        return;
    if (!controllers.SetSize(controllers.count + 1)) {
        error = MODERR_NO_MEMORY;
        return;
    }
    controllers[controllers.count - 1] = candidate;
}
