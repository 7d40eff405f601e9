#include "connection.h"

NetSocket g_listener;
ConnectionRecord* g_connections = nullptr;
Mutex g_connectionMutex = PTHREAD_MUTEX_INITIALIZER;

void connections_reset() { g_connections = nullptr; }

bool service_stopping() { return g_listener.cancel.load() != 0 || g_settings.shutdown.load() != 0; }
