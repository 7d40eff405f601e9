// What an interface module offers the manager: its operations, the rows of
// the module table, and the records with which modules describe themselves
// and their interfaces.
#pragma once

#include "ctl_errors.h"
#include "ctl_request.h"

#include <cstddef>
#include <cstdint>

constexpr size_t INTERFACE_NAME_SIZE = 80;        // name field of an InterfaceRecord
constexpr size_t INTERFACE_ENTRY_NAME_SIZE = 256; // name field of an InterfaceEntry
constexpr size_t MODULE_NAME_FIELD = 16;          // one name of xport_list_modules
constexpr size_t MODULE_TABLE_ROWS = 4;

// One interface as a module's list operation fills it (84 bytes).
struct InterfaceRecord {
    uint8_t direct = 0;  // 1: reaches controllers without a login
    uint8_t remote = 0;  // 1: reached over the network
    uint8_t reserved[2] = {};
    char name[INTERFACE_NAME_SIZE] = {};
};

// One interface as the manager returns it (260 bytes).
struct InterfaceEntry {
    uint8_t remote = 0;         // the module's name does not begin with '('
    uint8_t loginRequired = 0;  // the record's direct flag is 0
    uint8_t remoteFlag = 0;     // the record's remote flag
    uint8_t reserved = 0;
    char name[INTERFACE_ENTRY_NAME_SIZE] = {};
};

using ModuleListFn = CtlResult (*)(InterfaceRecord* records, int* count);
using ModuleOpenFn = CtlResult (*)(const char* name, uint8_t* access, int* handle, const char* user,
                                   const char* password);
using ModuleCloseFn = CtlResult (*)(int handle);
using ModuleCountFn = CtlResult (*)(int handle, int* count);
using ModuleRequestFn = CtlResult (*)(int handle, uint16_t controller, CtlRequest* request);

// One row of the module table; in use when name is set.
struct ModuleRow {
    const char* name = nullptr;
    ModuleListFn list = nullptr;
    void* reserved = nullptr;  // never called
    ModuleOpenFn open = nullptr;
    ModuleCloseFn close = nullptr;
    ModuleCountFn count = nullptr;
    ModuleRequestFn request = nullptr;
};

// Entry codes of a loadable module.
constexpr uint32_t MODENTRY_INIT = 0;
constexpr uint32_t MODENTRY_EXIT = 1;
constexpr uint32_t MODENTRY_DESCRIBE = 2;
constexpr uint32_t MODENTRY_INFO = 256;

// The size a caller writes into ModuleInfo::size: the record's size with
// 32-bit references. A module refuses any other value.
constexpr uint16_t MODULE_INFO_SIZE = 30;

// How a loadable module describes itself (MODENTRY_INFO).
struct ModuleInfo {
    uint16_t size = 0;
    const char* name = nullptr;
    ModuleListFn list = nullptr;
    ModuleOpenFn open = nullptr;
    ModuleCloseFn close = nullptr;
    ModuleRequestFn request = nullptr;
    ModuleCountFn count = nullptr;
    void* reserved = nullptr;  // the module writes 0
};

// The describe record of MODENTRY_DESCRIBE.
struct ModuleDescribe {
    uint16_t size = 8;
    uint8_t kind = 1;
    uint8_t reserved = 0;
    const char* ident = nullptr;  // 8-character identification
};

// The single entry of a loadable module: a code and its record.
using ModuleEntryFn = CtlResult (*)(uint32_t code, void* record);
