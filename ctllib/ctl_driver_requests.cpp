// Driver-level request builders.
#include "ctl_driver_requests.h"

#include "byte_order.h"
#include "xport.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// Zeroed request of `function` for `c` with the given fields; returns the result.
CtlResult send(uint16_t c, uint16_t function, uint8_t readOnly, uint8_t service, uint32_t& info,
               void* buffer, uint16_t length)
{
    CtlRequest r;
    r.function = function;
    r.readOnly = readOnly;
    r.service = service;
    r.info = info;
    r.length = length;
    r.buffer = buffer;
    CtlResult rc = ctl_dispatch_request(c, &r);
    info = r.info;
    return rc;
}

CtlResult driverVersion(uint16_t c, uint16_t* version)
{
    uint32_t info = 0;
    CtlResult rc = send(c, CTLFN_DRIVER_VERSION, 1, 0, info, nullptr, 0);
    if (rc == CTL_OK && version != nullptr)
        *version = static_cast<uint16_t>(info);
    return rc;
}

}  // namespace

CtlResult ctl_get_driver_version(uint16_t c, uint16_t* version) { return driverVersion(c, version); }

CtlResult ctl_get_driver_version_2(uint16_t c, uint16_t* version) { return driverVersion(c, version); }

CtlResult ctl_get_driver_version_word(uint16_t* version) { return driverVersion(0, version); }

CtlResult ctl_get_os_version(OsVersionInfo* out)
{
    uint8_t buf[OS_VERSION_WIRE_SIZE] = {};
    uint32_t info = 0;
    CtlResult rc = send(0, CTLFN_OS_VERSION, 1, 0, info, buf, sizeof buf);
    if (rc != CTL_OK || out == nullptr)
        return rc;
    out->systemCode = buf[0];
    out->major = buf[1];
    out->minor = buf[2];
    out->revision = wire::get16(buf, 3);
    std::memset(out->name, 0, sizeof out->name);
    wire::getBytes(buf, 5, out->name, OS_NAME_SIZE);  // the last byte stays NUL
    return CTL_OK;
}

CtlResult ctl_get_system_info(uint8_t* out, uint8_t n)
{
    const size_t entries = n == 0 ? 1 : n;
    const size_t length = SYSINFO_HEAD_SIZE + SYSINFO_WIRE_ENTRY * entries;
    std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[length]());
    if (!buf)
        return CTLERR_LIB_NO_MEMORY;
    uint32_t info = 0;
    CtlResult rc = send(0, CTLFN_SYSTEM_INFO, 1, 0, info, buf.get(), static_cast<uint16_t>(length));
    if (rc != CTL_OK || out == nullptr)
        return rc;
    std::memcpy(out, buf.get(), SYSINFO_HEAD_SIZE);
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* from = buf.get() + SYSINFO_HEAD_SIZE + SYSINFO_WIRE_ENTRY * i;
        uint8_t* to = out + SYSINFO_HEAD_SIZE + SYSINFO_CALLER_ENTRY * i;
        to[0] = from[0];
        to[1] = from[1];
        std::memcpy(to + 2, from + 3, 4);  // the third byte is dropped
    }
    return CTL_OK;
}

CtlResult ctl_get_driver_capability(uint8_t* out)
{
    uint8_t byte = 0;
    uint32_t info = 0;
    CtlResult rc = send(0, CTLFN_DRIVER_CAPABILITY, 1, 0, info, &byte, 1);
    if (rc == CTL_OK && out != nullptr)
        *out = (byte >> 1) & 1;
    return rc;
}

CtlResult ctl_get_driver_version_text(uint16_t c, uint8_t* record24)
{
    uint32_t info = 0;
    return send(c, CTLFN_DRIVER_VERSION_TEXT, 1, 0, info, record24, 24);
}

CtlResult ctl_get_controller_type(CtlTypeInfo* info)
{
    if (info == nullptr)
        return CTLERR_BAD_ARGUMENT;
    uint8_t buf[CTL_TYPE_WIRE_SIZE] = {};
    uint32_t word = 0;
    CtlResult rc = send(info->controller, CTLFN_CONTROLLER_TYPE, 1, 0, word, buf, sizeof buf);
    if (rc != CTL_OK)
        return rc;
    info->controllerClass = static_cast<uint8_t>(wire::get16(buf, 2));
    info->busSlot = static_cast<uint16_t>(wire::get32(buf, 4));
    info->ident = wire::get16(buf, 0);
    info->subtype = wire::get16(buf, 10);
    info->ident2 = wire::get16(buf, 12);
    info->ident3 = wire::get16(buf, 14);
    return CTL_OK;
}

CtlResult ctl_lock_host_drives(uint16_t c, uint8_t flag, uint16_t count, const uint16_t* drives)
{
    if (count == 0)
        return CTL_OK;
    if (count > LOCK_MAX_DRIVES || drives == nullptr)
        return CTLERR_BAD_ARGUMENT;  // the driver record counts the drives in one byte
    std::unique_ptr<uint8_t[]> list(new (std::nothrow) uint8_t[2 * count]);
    if (!list)
        return CTLERR_LIB_NO_MEMORY;
    for (uint16_t i = 0; i < count; ++i)
        wire::put16(list.get(), 2 * i, drives[i]);
    uint32_t info = 0;
    return send(c, CTLFN_LOCK_HOST_DRIVES, 0, flag, info, list.get(), static_cast<uint16_t>(2 * count));
}

CtlResult ctl_lock_channel(uint16_t c, uint8_t flag, uint16_t channel)
{
    uint32_t info = channel;
    return send(c, CTLFN_LOCK_CHANNEL, 0, flag, info, nullptr, 0);
}

CtlResult ctl_driver_request_19(uint16_t c, uint8_t* record8)
{
    if (record8 == nullptr)
        return CTLERR_BAD_ARGUMENT;
    uint8_t buf[4] = {};
    uint32_t info = wire::get32(record8, 0);
    CtlResult rc = send(c, CTLFN_DRIVER_REQUEST_19, 1, CTLSVC_CACHE, info, buf, sizeof buf);
    if (rc == CTL_OK)
        std::memcpy(record8 + 4, buf, sizeof buf);
    return rc;
}

CtlResult ctl_get_driver_statistics(uint16_t c, uint8_t* record22)
{
    if (record22 == nullptr)
        return CTLERR_BAD_ARGUMENT;
    uint8_t buf[16] = {};
    const uint8_t kind = record22[0];
    uint32_t info = 0;
    if (kind == 1)
        info = wire::get16(record22, 4);
    else if (kind == 2)
        info = (uint32_t{record22[1]} << 16) | (uint32_t{record22[2]} << 8) | record22[3];
    CtlResult rc = send(c, CTLFN_DRIVER_STATISTICS, 1, kind, info, buf, sizeof buf);
    if (rc == CTL_OK)
        std::memcpy(record22 + 6, buf, sizeof buf);
    return rc;
}

CtlResult ctl_read_event(uint16_t c, EventRequest* request)
{
    if (request == nullptr)
        return CTLERR_BAD_ARGUMENT;
    uint8_t buf[EVENT_RECORD_WIRE_SIZE];
    eventEncode(request->record, buf);
    uint32_t info = request->handle;
    CtlResult rc = send(c, CTLFN_EVENT, 1, request->code, info, buf, sizeof buf);
    if (rc != CTL_OK)
        return rc;  // the caller's request stays as it was
    eventDecode(buf, request->record);
    request->handle = info;
    return CTL_OK;
}

CtlResult ctl_driver_request_22(uint16_t c, const uint8_t* record28)
{
    if (record28 == nullptr)
        return CTLERR_BAD_ARGUMENT;
    uint8_t buf[28];
    std::memcpy(buf, record28, sizeof buf);
    uint32_t info = 0;
    return send(c, CTLFN_DRIVER_REQUEST_22, 0, 0, info, buf, sizeof buf);
}

CtlResult ctl_rescan_host_drive(uint16_t c, uint16_t drive, uint8_t mode)
{
    uint32_t info = (uint32_t{drive} << 8) | mode;
    return send(c, CTLFN_RESCAN, 1, CTLSVC_CACHE, info, nullptr, 0);
}

CtlResult ctl_notify_maintenance(uint16_t c, uint8_t code, uint16_t timeout, uint16_t drive)
{
    uint32_t info = (uint32_t{drive} << 16) | timeout;
    return send(c, CTLFN_MAINTENANCE, 0, code, info, nullptr, 0);
}

CtlResult ctl_get_controller_count(uint16_t* count)
{
    int n = 0;
    CtlResult rc = ctl_dispatch_count(&n);
    if (rc == CTL_OK && count != nullptr)
        *count = static_cast<uint16_t>(n);
    return rc;
}
