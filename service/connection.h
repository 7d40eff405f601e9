// One client connection and the process-wide connection list.
#pragma once

#include <atomic>

#include "net_socket.h"
#include "service_settings.h"
#include "threads.h"

struct ConnectionRecord {
    NetSocket sock;                     // the peer's address and the connection's descriptor
    ThreadId thread{};                  // its connection thread
    bool hasThread = false;             // thread holds a thread not yet joined
    std::atomic<bool> active{false};    // the slot is in use; cleared by its thread at its end
    unsigned char access = 0;           // 0 = full, 1 = read-only; set by a login
    bool logout = false;                // set by the logout command
    char userName[CONFIG_WORD_MAX + 1] = "";  // empty until a login succeeds
    ConnectionRecord* next = nullptr;
};

// The listening socket; its cancel flag is the stop signal of the accept
// loop and of every connection thread.
extern NetSocket g_listener;
// Head of the connection list and the mutex that guards counting, adding and joining.
extern ConnectionRecord* g_connections;
extern Mutex g_connectionMutex;

// Empties the connection list (at start-up).
void connections_reset();
// True once the service is stopping.
bool service_stopping();
