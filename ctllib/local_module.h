// Local driver module: carries library requests to the controllers of this
// machine through the driver's files "<root>/kzmh/<entry>", where <root> is
// "/proc/scsi" or the directory named by KZMH_PROC_ROOT.
#pragma once

#include "driver_io.h"
#include "xport_module.h"

#include <string>

constexpr int LOCAL_MAX_CONTROLLERS = 20;
constexpr uint8_t LOCAL_NO_ENTRY = 0xFF;
constexpr const char* LOCAL_INTERFACE_NAME = "Local_Sys";
constexpr const char* LOCAL_MODULE_NAME = "(Linux)";

// Fills record 0 with "Local_Sys" (direct 1, remote 0) when *count > 0; *count := 1.
CtlResult local_list_interfaces(InterfaceRecord* records, int* count);
// Opens "Local_Sys": builds the host table from the driver entries 0 to 19.
CtlResult local_open(const char* name, uint8_t* access, int* handle, const char* user,
                     const char* password);
// Ends the use of the interface; only handle 0 is valid.
CtlResult local_close(int handle);
// Number of controllers the driver reports, at most 20.
CtlResult local_controller_count(int handle, int* count);
// Carries one library request to controller `controller`.
CtlResult local_request(int handle, uint16_t controller, CtlRequest* request);

// The controller file that local_request writes a controller command
// (function 32) to: CTL_OK and its path, or the refusal local_request would
// answer before touching a file; CTLERR_NOT_SERVED for any other function.
CtlResult local_command_file(uint16_t controller, const CtlRequest* request, std::string& path);
// local_request with the files of a controller command's exchange in the
// caller's hands: a write file opened beforehand on the file that
// local_command_file names, and the read file, which a successful command
// leaves open. Other functions leave `files` as it is. The caller closes
// what `files` holds afterwards (drvCloseFiles).
CtlResult local_request_files(int handle, uint16_t controller, CtlRequest* request, DrvFiles* files);

// The driver entry that serves controller n, or LOCAL_NO_ENTRY.
uint8_t local_host_entry(uint16_t controller);
