// Entry of the TCP/IP client module, through which the manager loads it.
#include "tcp_module.h"

CtlResult tcp_module_entry(uint32_t code, void* record)
{
    switch (code) {
    case MODENTRY_INIT:
    case MODENTRY_EXIT:
        return CTL_OK;
    case MODENTRY_DESCRIBE: {
        if (record == nullptr)
            return CTLERR_BAD_ARGUMENT;
        auto* d = static_cast<ModuleDescribe*>(record);
        *d = ModuleDescribe{};
        d->ident = TCP_MODULE_IDENT;
        return CTL_OK;
    }
    case MODENTRY_INFO: {
        auto* info = static_cast<ModuleInfo*>(record);
        if (info == nullptr || info->size != MODULE_INFO_SIZE)
            return CTLERR_BAD_ARGUMENT;
        info->name = TCP_MODULE_NAME;
        info->list = tcp_list_interfaces;
        info->open = tcp_connect;
        info->close = tcp_disconnect;
        info->request = tcp_request;
        info->count = tcp_controller_count;
        info->reserved = nullptr;
        return CTL_OK;
    }
    default:
        return CTLERR_NOT_SERVED;
    }
}
