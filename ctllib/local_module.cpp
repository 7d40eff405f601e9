// Local driver module: one driver request record per library request,
// written to the controller's file and answered through the same file.
#include "local_module.h"

#include "byte_order.h"
#include "ctl_driver_records.h"
#include "driver_io.h"
#include "driver_record.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

// Written only by local_open, before other threads use the module.
uint8_t g_hostTable[LOCAL_MAX_CONTROLLERS] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
std::string g_procRoot = "/proc/scsi";

std::string entryPath(uint8_t entry) { return g_procRoot + "/kzmh/" + std::to_string(entry); }

// The file of controller n; ENOENT for a controller without an entry.
CtlResult controllerPath(uint16_t controller, std::string& path)
{
    uint8_t entry = local_host_entry(controller);
    if (entry == LOCAL_NO_ENTRY)
        return ctlErrno(ENOENT);
    path = entryPath(entry);
    return CTL_OK;
}

// Buffers of a fixed-size driver request.
struct FixedExchange {
    uint8_t record[DRV_RECORD_SIZE] = {};
    uint8_t reply[DRV_REPLY_SIZE] = {};
};

// Sends a fixed-size record (header already zeroed) and reads its reply.
CtlResult sendFixed(uint16_t controller, uint16_t code, uint16_t recordController, FixedExchange& x)
{
    std::string path;
    CtlResult rc = controllerPath(controller, path);
    if (rc != CTL_OK)
        return rc;
    drvPutHeader(x.record, code, recordController, 0);
    size_t got = 0;
    return drvExchange(path.c_str(), x.record, sizeof x.record, x.reply, sizeof x.reply, &got);
}

// True when the request's buffer holds at least `need` bytes.
bool hasBuffer(const CtlRequest& r, size_t need)
{
    return r.length >= need && (need == 0 || r.buffer != nullptr);
}

CtlResult driverVersion(uint16_t c, CtlRequest& r)
{
    FixedExchange x;
    CtlResult rc = sendFixed(c, DRVREQ_DRIVER_VERSION, 0, x);
    if (rc == CTL_OK)
        r.info = wire::get16(x.reply, DRV_REPLY_DATA);
    return rc;
}

CtlResult osVersion(uint16_t c, CtlRequest& r)
{
    if (!hasBuffer(r, OS_VERSION_WIRE_SIZE))
        return CTLERR_BAD_ARGUMENT;
    FixedExchange x;
    CtlResult rc = sendFixed(c, DRVREQ_OS_VERSION, 0, x);
    if (rc != CTL_OK)
        return rc;
    auto* out = static_cast<uint8_t*>(r.buffer);
    std::memset(out, 0, OS_VERSION_WIRE_SIZE);
    out[0] = OS_CODE_LINUX;
    out[1] = x.reply[8];
    out[2] = x.reply[9];
    wire::put16(out, 3, wire::get16(x.reply, 10));
    wire::putBytes(out, 5, "Linux", 5);
    return CTL_OK;
}

CtlResult systemInfo(CtlRequest& r)
{
    if (!hasBuffer(r, SYSINFO_HEAD_SIZE))
        return CTLERR_BAD_ARGUMENT;
    std::memset(r.buffer, 0, SYSINFO_HEAD_SIZE);
    return CTL_OK;
}

CtlResult controllerType(uint16_t c, CtlRequest& r)
{
    if (!hasBuffer(r, CTL_TYPE_WIRE_SIZE))
        return CTLERR_BAD_ARGUMENT;
    FixedExchange x;
    CtlResult rc = sendFixed(c, DRVREQ_CONTROLLER_TYPE, c, x);
    if (rc != CTL_OK)
        return rc;
    auto* out = static_cast<uint8_t*>(r.buffer);
    std::memset(out, 0, CTL_TYPE_WIRE_SIZE);
    wire::put16(out, 0, wire::get16(x.reply, 12));
    wire::put16(out, 2, x.reply[8]);
    wire::put32(out, 4, wire::get16(x.reply, 10));
    wire::put16(out, 10, wire::get16(x.reply, 18));
    wire::put16(out, 12, wire::get16(x.reply, 20));
    wire::put16(out, 14, wire::get16(x.reply, 22));
    return CTL_OK;
}

CtlResult lockHostDrives(uint16_t c, CtlRequest& r)
{
    // The list must fit the code area behind its flag and count bytes.
    if (r.length % 2 != 0 || r.length / 2 > LOCK_MAX_DRIVES || !hasBuffer(r, r.length))
        return CTLERR_BAD_ARGUMENT;
    FixedExchange x;
    x.record[DRV_CODE_AREA] = r.service;
    x.record[DRV_CODE_AREA + 1] = static_cast<uint8_t>(r.length / 2);
    wire::putBytes(x.record, DRV_CODE_AREA + 2, r.buffer, r.length);
    return sendFixed(c, DRVREQ_LOCK_HOST_DRIVES, c, x);
}

CtlResult lockChannel(uint16_t c, CtlRequest& r)
{
    FixedExchange x;
    x.record[DRV_CODE_AREA] = r.service;
    x.record[DRV_CODE_AREA + 1] = static_cast<uint8_t>(r.info);
    return sendFixed(c, DRVREQ_LOCK_CHANNEL, c, x);
}

CtlResult event(uint16_t c, CtlRequest& r)
{
    if (!hasBuffer(r, EVENT_RECORD_WIRE_SIZE))
        return CTLERR_BAD_ARGUMENT;
    FixedExchange x;
    wire::put32(x.record, DRV_CODE_AREA, r.service);
    wire::put32(x.record, DRV_CODE_AREA + 4, r.info);
    wire::putBytes(x.record, DRV_CODE_AREA + 8, r.buffer, EVENT_RECORD_WIRE_SIZE);
    CtlResult rc = sendFixed(c, DRVREQ_EVENT, c, x);
    if (rc != CTL_OK)
        return rc;
    r.info = wire::get32(x.reply, 8);
    wire::getBytes(x.reply, 12, r.buffer, EVENT_RECORD_WIRE_SIZE);
    return CTL_OK;
}

CtlResult rescan(uint16_t c, CtlRequest& r)
{
    uint8_t mode = static_cast<uint8_t>(r.info);
    uint32_t drive = r.info >> 8;  // every higher bit, so 256 + d never passes as d
    if (drive > RESCAN_MAX_DRIVE)
        return CTLERR_BAD_ARGUMENT;
    FixedExchange x;
    wire::put16(x.record, DRV_CODE_AREA, static_cast<uint16_t>(drive));
    x.record[DRV_CODE_AREA + 2] = mode;
    CtlResult rc = sendFixed(c, DRVREQ_RESCAN, c, x);
    if (rc != CTL_OK || (mode != 1 && mode != 2))
        return rc;
    const uint8_t* e = x.reply + DRV_REPLY_DATA + 4 * drive;
    char line[96];
    int n = std::snprintf(line, sizeof line, "scsi %s-single-device %d %d %d %d",
                          mode == 1 ? "add" : "remove", local_host_entry(c), e[0], e[1], e[2]);
    std::string path = g_procRoot + "/scsi";
    return drvWriteText(path.c_str(), line, static_cast<size_t>(n) + 1);  // with its NUL
}

// The checks of a controller command that come before any file is touched:
// its command, data and sense areas and the controller's file.
CtlResult commandFile(uint16_t c, const CtlRequest& r, CommandAreas& areas, std::string& path)
{
    if (r.function != CTLFN_COMMAND)
        return CTLERR_NOT_SERVED;
    if (r.length < CTL_COMMAND_WIRE_SIZE || r.buffer == nullptr)
        return CTLERR_BAD_ARGUMENT;
    const CtlCommand& cmd = *static_cast<const CtlCommand*>(r.buffer);
    CtlResult rc = drvCommandAreas(cmd, r.service, areas);
    if (rc != CTL_OK)
        return rc;
    return controllerPath(c, path);
}

CtlResult command(uint16_t c, CtlRequest& r, DrvFiles* files)
{
    CommandAreas areas;
    std::string path;
    CtlResult rc = commandFile(c, r, areas, path);
    if (rc != CTL_OK)
        return rc;
    const CtlCommand& cmd = *static_cast<const CtlCommand*>(r.buffer);

    size_t extra = size_t{areas.dataSize} + areas.senseSize;
    size_t recordSize = DRV_RECORD_SIZE + extra;
    size_t replySize = DRV_REPLY_SIZE + extra;
    std::unique_ptr<uint8_t[]> record(new (std::nothrow) uint8_t[recordSize]());
    std::unique_ptr<uint8_t[]> reply(new (std::nothrow) uint8_t[replySize]());
    if (!record || !reply)
        return CTLERR_NO_MEMORY;

    drvPutHeader(record.get(), DRVREQ_COMMAND, c, r.service);
    drvPutCommand(record.get(), cmd, r.service);
    wire::putBytes(record.get(), DRV_DATA_OFFSET, areas.data, areas.dataSize);
    wire::putBytes(record.get(), DRV_DATA_OFFSET + areas.dataSize, areas.sense, areas.senseSize);

    size_t got = 0;
    rc = drvExchange(path.c_str(), record.get(), recordSize, reply.get(), replySize, &got, files);
    if (rc != CTL_OK)
        return rc;

    // Copy back only what the driver returned: a short reply leaves the rest
    // of the caller's buffers as they were.
    size_t body = got > DRV_REPLY_DATA ? got - DRV_REPLY_DATA : 0;
    size_t dataBack = body < areas.dataSize ? body : areas.dataSize;
    size_t senseBack = body > areas.dataSize ? body - areas.dataSize : 0;
    if (senseBack > areas.senseSize)
        senseBack = areas.senseSize;
    wire::getBytes(reply.get(), DRV_REPLY_DATA + areas.dataSize, areas.sense, senseBack);
    wire::getBytes(reply.get(), DRV_REPLY_DATA, areas.data, dataBack);

    uint32_t status = wire::get32(reply.get(), DRV_REPLY_STATUS);
    if ((status & 0xFFFF) == 1)
        return CTL_OK;
    r.info = status >> 16;
    return CTLERR_CONTROLLER + (status & 0xFFFF);
}

}  // namespace

uint8_t local_host_entry(uint16_t controller)
{
    return controller < LOCAL_MAX_CONTROLLERS ? g_hostTable[controller] : LOCAL_NO_ENTRY;
}

CtlResult local_list_interfaces(InterfaceRecord* records, int* count)
{
    if (count == nullptr)
        return CTLERR_BAD_ARGUMENT;
    if (*count > 0 && records != nullptr) {
        records[0] = InterfaceRecord{};
        std::strcpy(records[0].name, LOCAL_INTERFACE_NAME);
        records[0].direct = 1;
        records[0].remote = 0;
    }
    *count = 1;
    return CTL_OK;
}

CtlResult local_open(const char* name, uint8_t* access, int* handle, const char* /*user*/,
                     const char* /*password*/)
{
    if (name == nullptr || std::strcmp(name, LOCAL_INTERFACE_NAME) != 0)
        return CTLERR_BAD_ARGUMENT;
    const char* root = std::getenv("KZMH_PROC_ROOT");
    g_procRoot = root != nullptr && *root != '\0' ? root : "/proc/scsi";
    std::memset(g_hostTable, LOCAL_NO_ENTRY, sizeof g_hostTable);
    int used = 0;
    for (int i = 0; i < LOCAL_MAX_CONTROLLERS; ++i) {
        if (drvProbe(entryPath(static_cast<uint8_t>(i)).c_str()) == CTL_OK)
            g_hostTable[used++] = static_cast<uint8_t>(i);
    }
    if (access != nullptr)
        *access = 0;
    if (handle != nullptr)
        *handle = 0;
    return CTL_OK;
}

CtlResult local_close(int handle)
{
    return handle == 0 ? CTL_OK : CTLERR_BAD_ARGUMENT;
}

CtlResult local_controller_count(int handle, int* count)
{
    if (handle != 0 || count == nullptr)
        return CTLERR_BAD_ARGUMENT;
    std::string path;
    CtlResult rc = controllerPath(0, path);
    if (rc == CTL_OK)
        rc = drvProbe(path.c_str());
    if (rc != CTL_OK)
        return rc;
    FixedExchange x;
    rc = sendFixed(0, DRVREQ_CONTROLLER_COUNT, 0, x);
    if (rc != CTL_OK)
        return rc;
    int n = wire::get16(x.reply, DRV_REPLY_DATA);
    *count = n < LOCAL_MAX_CONTROLLERS ? n : LOCAL_MAX_CONTROLLERS;
    return CTL_OK;
}

CtlResult local_request(int handle, uint16_t controller, CtlRequest* request)
{
    return local_request_files(handle, controller, request, nullptr);
}

CtlResult local_command_file(uint16_t controller, const CtlRequest* request, std::string& path)
{
    if (request == nullptr)
        return CTLERR_BAD_ARGUMENT;
    CommandAreas areas;
    return commandFile(controller, *request, areas, path);
}

CtlResult local_request_files(int handle, uint16_t controller, CtlRequest* request, DrvFiles* files)
{
    if (handle != 0 || request == nullptr)
        return CTLERR_BAD_ARGUMENT;
    CtlRequest& r = *request;
    switch (r.function) {
    case CTLFN_DRIVER_VERSION: return driverVersion(controller, r);
    case CTLFN_OS_VERSION: return osVersion(controller, r);
    case CTLFN_SYSTEM_INFO: return systemInfo(r);
    case CTLFN_CONTROLLER_TYPE: return controllerType(controller, r);
    case CTLFN_LOCK_HOST_DRIVES: return lockHostDrives(controller, r);
    case CTLFN_LOCK_CHANNEL: return lockChannel(controller, r);
    case CTLFN_EVENT: return event(controller, r);
    case CTLFN_RESCAN: return rescan(controller, r);
    case CTLFN_COMMAND: return command(controller, r, files);
    default: return CTLERR_NOT_SERVED;
    }
}
