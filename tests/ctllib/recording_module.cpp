// Recording test module.
#include "recording_module.h"

#include "local_module.h"

#include <cstring>

namespace {

RecordingModule g_module;

CtlResult recList(InterfaceRecord* records, int* count)
{
    g_module.listedName = records[0].name;
    const int room = *count;
    CtlResult rc = local_list_interfaces(records, count);
    if (g_module.name[0] != '(') {
        records[0].direct = 0;
        records[0].remote = 1;
        std::strncpy(records[0].name, g_module.listedName.c_str(), INTERFACE_NAME_SIZE - 1);
    }
    if (g_module.listClaim >= 0) {
        for (int i = 1; i < room && i < g_module.listClaim; ++i)
            records[i] = records[0];
        *count = g_module.listClaim;
    }
    return rc;
}

CtlResult recOpen(const char* name, uint8_t* access, int* handle, const char* user, const char* pw)
{
    if (g_module.openResult != CTL_OK) {
        *handle = -1;
        return g_module.openResult;
    }
    return local_open(name, access, handle, user, pw);
}

CtlResult recClose(int handle)
{
    ++g_module.closes;
    return local_close(handle);
}

CtlResult recRequest(int handle, uint16_t controller, CtlRequest* r)
{
    g_module.requests.push_back(*r);
    CtlCommand copy;
    if (r->function == CTLFN_COMMAND && r->buffer != nullptr)
        copy = *static_cast<const CtlCommand*>(r->buffer);
    g_module.commands.push_back(copy);
    return local_request(handle, controller, r);
}

}  // namespace

RecordingModule& recording() { return g_module; }

void recordingReset() { g_module = RecordingModule{}; }

CtlResult recording_module_entry(uint32_t code, void* record)
{
    switch (code) {
    case MODENTRY_INIT:
        return g_module.initResult;
    case MODENTRY_EXIT:
        ++g_module.exits;
        return CTL_OK;
    case MODENTRY_INFO: {
        auto* info = static_cast<ModuleInfo*>(record);
        if (info == nullptr || info->size != MODULE_INFO_SIZE)
            return CTLERR_BAD_ARGUMENT;
        info->name = g_module.name.c_str();
        info->list = recList;
        info->open = recOpen;
        info->close = recClose;
        info->request = recRequest;
        info->count = local_controller_count;
        info->reserved = nullptr;
        info->size = g_module.infoSize;
        return CTL_OK;
    }
    default:
        return CTLERR_NOT_SERVED;
    }
}
