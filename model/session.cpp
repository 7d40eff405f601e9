#include "session.h"

#include "model_errors.h"
#include "xport.h"

#include <cstring>

int CSession::s_instances = 0;

CSession::CSession(const CSession& other)
    : CAbstrBase(other), version(other.version), initFlag(other.initFlag)
{
    if (!transports.AssignFrom(other.transports))
        error = MODERR_NO_MEMORY;
    if (s_instances > 0) {
        ++s_instances;
        counted_ = true;
    }
}

CSession& CSession::operator=(const CSession& other)
{
    if (this != &other) {
        CAbstrBase::operator=(other);
        version = other.version;
        initFlag = other.initFlag;
        if (!transports.AssignFrom(other.transports))
            error = MODERR_NO_MEMORY;
    }
    return *this;
}

CSession::~CSession()
{
    transports.SetSize(0);
    if (counted_ && --s_instances == 0)
        xport_close();
}

int CSession::Init(int withTcpip)
{
    initFlag = withTcpip;
    if (counted_)
        return 1;
    if (s_instances == 0 && xport_open_local(withTcpip) != 0) {
        error = MODERR_LIB_OPEN;
        return 0;
    }
    ++s_instances;
    counted_ = true;
    return 1;
}

int CSession::EnumTransports()
{
    if (initFlag == -1) {
        error = MODERR_NOT_SUPPORTED;
        return 0;
    }
    transports.SetSize(0);
    char names[SESSION_MAX_TRANSPORTS][MODULE_NAME_FIELD] = {};
    uint16_t count = SESSION_MAX_TRANSPORTS;
    error = xport_list_modules(&count, names);
    if (error != 0)
        return 0;
    if (count > SESSION_MAX_TRANSPORTS)
        count = SESSION_MAX_TRANSPORTS;
    if (!transports.SetSize(count)) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        char moduleName[MODULE_NAME_FIELD + 1] = {};
        std::memcpy(moduleName, names[i], MODULE_NAME_FIELD);
        transports[i] = CTransport(moduleName, i);
    }
    return 1;
}
