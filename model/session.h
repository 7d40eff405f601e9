// CSession: the root of the object model. Opens and closes the command
// library and lists its interface modules as transports.
#pragma once

#include "abstr_base.h"
#include "carray.h"
#include "transport.h"

#include <cstdint>

constexpr uint16_t MODEL_VERSION = 0x012F;
constexpr int SESSION_MAX_TRANSPORTS = 8;

class CSession : public CAbstrBase {
public:
    // Not initialised: init flag -1, no transports.
    CSession() = default;
    // Copies every field and transport; the copy holds the library open too
    // when the library is open.
    CSession(const CSession& other);
    // Copies every field and transport; whether this session holds the library open is unchanged.
    CSession& operator=(const CSession& other);
    // The last session that holds the library open closes it.
    ~CSession();

    // Opens the library (with the TCP/IP client module when withTcpip is not 0)
    // unless a session holds it open already; 1, or 0 with 0x04000002.
    int Init(int withTcpip);
    // Lists the library's interface modules as transports; 1 or 0.
    int EnumTransports();

    // Number of sessions of this process that hold the library open.
    static int InstanceCount() { return s_instances; }

    uint16_t version = MODEL_VERSION;
    int initFlag = -1;  // -1 before Init, then its argument
    CArray<CTransport> transports;

private:
    bool counted_ = false;  // this session holds one count of s_instances
    static int s_instances;
};
