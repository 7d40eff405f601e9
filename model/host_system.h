// CHostSystem: one machine that a transport reaches, and its controllers.
#pragma once

#include "abstr_base.h"
#include "carray.h"
#include "controller.h"
#include "host_system_info.h"

constexpr size_t HOST_NAME_MAX_CHARS = 256;
constexpr size_t HOST_USER_MAX_CHARS = 40;
constexpr size_t HOST_PASSWORD_MAX_CHARS = 41;

class CHostSystem : public CAbstrBase {
public:
    // An unnamed machine (for the transport's list).
    CHostSystem() = default;
    // A listed machine; a name longer than 256 characters is refused (empty name, error 0x04000003).
    CHostSystem(const char* hostName, int transport, int remote, int loginRequired, int available);
    CHostSystem(const CHostSystem& other);
    CHostSystem(CHostSystem&& other) noexcept;
    // Copies every field and every controller.
    CHostSystem& operator=(const CHostSystem& other);

    // Connects without credentials; refused (0x04000003) when the machine requires a login.
    int Connect();
    // Connects with credentials (a local machine takes none); 1 or 0.
    int Login(const char* userName, const char* pass);
    // Opens the machine's interface, reads its records and builds its controllers; 1 or 0.
    int ConnectAndEnumerate(int transport, const char* hostName, const char* userName, const char* pass);

    int transportIndex = 0;                      // module index of the listing transport
    char name[HOST_NAME_MAX_CHARS + 1] = {};     // "Local_Sys", or a remote name or address
    char user[HOST_USER_MAX_CHARS + 1] = {};     // user of the last login to a remote machine
    char password[HOST_PASSWORD_MAX_CHARS + 1] = {};
    HostSystemInfo info;
    CArray<CController> controllers;

private:
    // Builds controller `index` of the open interface and appends it when its
    // information could be read; the error word takes the controller's.
    void AddControllerIfReadable(int index);
    void CopyFieldsFrom(const CHostSystem& other);
};
