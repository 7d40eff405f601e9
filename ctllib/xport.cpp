// Interface module manager.
#include "xport.h"

#include "local_module.h"
#include "tcp_module.h"
#include "xport_internal.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr ModuleRow kLocalRow{LOCAL_MODULE_NAME, local_list_interfaces, nullptr, local_open,
                              local_close,       local_controller_count, local_request};

// Process-wide state: written by open and close only, before and after the
// threads that send requests.
ModuleRow g_rows[MODULE_TABLE_ROWS] = {kLocalRow, {}, {}, {}};
const ModuleRow* g_current = nullptr;
int g_handle = -1;
ModuleEntryFn g_entry = tcp_module_entry;

// Row `module` when it is in use, else nullptr.
const ModuleRow* rowInUse(uint16_t module)
{
    if (module >= MODULE_TABLE_ROWS || g_rows[module].name == nullptr)
        return nullptr;
    return &g_rows[module];
}

// Loads the TCP/IP client module into row 1; a failed load leaves it empty.
void loadTcpip()
{
    if (g_entry(MODENTRY_INIT, nullptr) != CTL_OK)
        return;
    ModuleInfo info;
    info.size = MODULE_INFO_SIZE;
    if (g_entry(MODENTRY_INFO, &info) != CTL_OK || info.size != MODULE_INFO_SIZE)
        return;
    if (info.name == nullptr || info.list == nullptr || info.open == nullptr ||
        info.close == nullptr || info.count == nullptr || info.request == nullptr)
        return;  // an incomplete description never becomes a row
    g_rows[1] = ModuleRow{info.name, info.list, info.reserved, info.open,
                          info.close, info.count, info.request};
}

}  // namespace

int xport_open_local(int withTcpip)
{
    if (withTcpip != 0)
        loadTcpip();
    g_current = &g_rows[0];
    uint8_t access = 0xFF;
    CtlResult rc = g_current->open(LOCAL_INTERFACE_NAME, &access, &g_handle, nullptr, nullptr);
    return rc == CTL_OK ? 0 : -1;
}

CtlResult xport_close()
{
    if (g_current == nullptr)
        return CTLERR_NOT_AVAILABLE;
    g_current->close(g_handle);
    g_entry(MODENTRY_EXIT, nullptr);
    return CTL_OK;
}

CtlResult xport_list_modules(uint16_t* count, char (*names)[MODULE_NAME_FIELD])
{
    if (count == nullptr)
        return CTL_OK;
    uint16_t n = 0;
    while (n < MODULE_TABLE_ROWS && n < *count && g_rows[n].name != nullptr && names != nullptr) {
        std::strncpy(names[n], g_rows[n].name, MODULE_NAME_FIELD);
        ++n;
    }
    *count = n;
    return CTL_OK;
}

CtlResult xport_list_interfaces(uint16_t module, uint16_t* count, InterfaceEntry* entries)
{
    const ModuleRow* row = rowInUse(module);
    if (row == nullptr || count == nullptr)
        return CTLERR_BAD_ARGUMENT;
    if (*count == 0)
        return CTL_OK;  // no room: nothing to ask
    if (entries == nullptr)
        return CTLERR_BAD_ARGUMENT;
    size_t nameLen = strnlen(entries[0].name, INTERFACE_ENTRY_NAME_SIZE);
    if (nameLen >= INTERFACE_NAME_SIZE)
        return CTLERR_BAD_ARGUMENT;  // must fit the record's 80-byte name with its NUL

    const uint16_t room = *count;
    std::unique_ptr<InterfaceRecord[]> records(new (std::nothrow) InterfaceRecord[room]());
    if (!records)
        return CTLERR_LIB_NO_MEMORY;
    std::memcpy(records[0].name, entries[0].name, nameLen);
    int got = room;
    CtlResult rc = row->list(records.get(), &got);
    if (rc != CTL_OK)
        return rc;
    if (got < 0)
        got = 0;
    if (got > room)
        got = room;  // never more than the caller has room for
    const bool remote = row->name[0] != '(';
    for (int i = 0; i < got; ++i) {
        InterfaceEntry& e = entries[i];
        e.remote = remote ? 1 : 0;
        e.loginRequired = records[i].direct == 0 ? 1 : 0;
        e.remoteFlag = records[i].remote;
        std::memset(e.name, 0, sizeof e.name);
        std::memcpy(e.name, records[i].name, strnlen(records[i].name, INTERFACE_NAME_SIZE - 1));
    }
    *count = static_cast<uint16_t>(got);
    return CTL_OK;
}

CtlResult xport_open_interface(uint16_t module, const char* name, const char* user,
                               const char* password)
{
    if (g_current == nullptr)
        return CTLERR_NOT_AVAILABLE;
    const ModuleRow* row = rowInUse(module);
    if (row == nullptr)
        return CTLERR_BAD_ARGUMENT;
    g_current->close(g_handle);
    uint8_t access = 0xFF;
    CtlResult rc = row->open(name, &access, &g_handle, user, password);
    if (rc == CTL_OK) {
        g_current = row;
    } else {
        // Back to the local controllers, whose host table is still valid.
        g_current = &g_rows[0];
        g_handle = 0;
    }
    return rc;
}

CtlResult ctl_dispatch_request(uint16_t controller, CtlRequest* request)
{
    if (g_current == nullptr)
        return CTLERR_NOT_AVAILABLE;
    return g_current->request(g_handle, controller, request);
}

CtlResult ctl_dispatch_count(int* count)
{
    if (g_current == nullptr)
        return CTLERR_NOT_AVAILABLE;
    return g_current->count(g_handle, count);
}

void xport_set_module_entry(ModuleEntryFn entry)
{
    g_entry = entry != nullptr ? entry : tcp_module_entry;
}

void xport_reset()
{
    g_rows[1] = ModuleRow{};
    g_current = nullptr;
    g_handle = -1;
}

int xport_current_handle()
{
    return g_handle;
}
