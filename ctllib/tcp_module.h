// TCP/IP client module: reaches the controllers of a remote machine through
// its configuration service, one logged-in connection per process.
#pragma once

#include "xport_module.h"

constexpr const char* TCP_MODULE_NAME = "TCP/IP Sockets";
constexpr const char* TCP_MODULE_IDENT = "MONxSOCK";
constexpr size_t TCP_LOGIN_TEXT_MAX = 255;  // user name and password, each
constexpr int TCP_RECEIVE_DEADLINE_MS = 60000;  // a reply must be in whole within this

// Serves the module entry codes (INIT, EXIT, DESCRIBE, INFO).
CtlResult tcp_module_entry(uint32_t code, void* record);

// Adds the machine named in records[0] and returns it as the one interface.
CtlResult tcp_list_interfaces(InterfaceRecord* records, int* count);
// Connects to the listed machine `name` and logs in; access byte in/out.
CtlResult tcp_connect(const char* name, uint8_t* access, int* handle, const char* user,
                      const char* password);
// Logs out and closes the socket.
CtlResult tcp_disconnect(int handle);
// Number of controllers of the remote machine.
CtlResult tcp_controller_count(int handle, int* count);
// Carries one library request to remote controller `controller`.
CtlResult tcp_request(int handle, uint16_t controller, CtlRequest* request);

// Test hook: the service port the module connects to (0: the standard port).
void tcp_set_port(uint16_t port);
// Test hook: the connection id the last login returned.
uint16_t tcp_connection_id();
// Test hook: the receive deadline of one reply in milliseconds (0: the standard 60 s).
void tcp_set_receive_deadline(int milliseconds);
