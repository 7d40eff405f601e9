// Interface module manager: the module table, the current module and its
// handle, and the dispatch through which every builder sends its request.
#pragma once

#include "xport_module.h"

// Opens the library with the local driver module current; loads the TCP/IP
// client module into row 1 first when withTcpip is not 0. 0, or -1 when the
// local open fails.
int xport_open_local(int withTcpip);
// Closes the current interface and ends the TCP/IP module.
CtlResult xport_close();
// Copies the names of the rows in use as 16-byte fields; count in/out.
CtlResult xport_list_modules(uint16_t* count, char (*names)[MODULE_NAME_FIELD]);
// Lists the interfaces of module row `module`; count in (room) / out.
CtlResult xport_list_interfaces(uint16_t module, uint16_t* count, InterfaceEntry* entries);
// Closes the current interface and opens `name` of module row `module`.
CtlResult xport_open_interface(uint16_t module, const char* name, const char* user,
                               const char* password);

// Hands a request for controller `controller` to the current module.
CtlResult ctl_dispatch_request(uint16_t controller, CtlRequest* request);
// Asks the current module for its number of controllers.
CtlResult ctl_dispatch_count(int* count);
