// A test interface module for the manager's row 1: it records every request
// it is handed and forwards it to the local driver module.
#pragma once

#include "xport_module.h"

#include <string>
#include <vector>

struct RecordingModule {
    std::string name = "(Recording)";  // a name without '(' makes it a remote module
    uint16_t infoSize = MODULE_INFO_SIZE;  // what INFO leaves in the record's size
    CtlResult initResult = CTL_OK;
    CtlResult openResult = CTL_OK;  // not 0: the open fails, leaving handle -1
    int listClaim = -1;             // >= 0: the count the list operation reports
    int exits = 0;
    int closes = 0;
    std::string listedName;         // the name the manager handed to the list operation
    std::vector<CtlRequest> requests;
    std::vector<CtlCommand> commands;  // copies for function 32, in step with requests
};

// The module's state; reset() before each use.
RecordingModule& recording();
// Back to the defaults.
void recordingReset();
// The module entry to hand to xport_set_module_entry.
CtlResult recording_module_entry(uint32_t code, void* record);
