// Drive composite operations.
#include "ctl_drives.h"

#include "byte_order.h"
#include "ctl_channels.h"
#include "ctl_commands.h"
#include "ctl_devices.h"
#include "ctl_request.h"

#include <cstring>
#include <memory>
#include <new>

CtlResult ctl_read_drive_count(uint16_t c, uint32_t* count)
{
    uint8_t buf[4] = {};
    CtlResult rc = ctl_get_drive_count(c, 0, CTL_TARGET_CONTROLLER, buf);
    if (rc == CTL_OK && count != nullptr)
        *count = wire::get32(buf, 0);
    return rc;
}

CtlResult ctl_read_drive_list(uint16_t c, uint32_t* drives, size_t capacity, uint32_t* listed)
{
    if (listed != nullptr)
        *listed = 0;
    uint32_t n = 0;
    CtlResult rc = ctl_read_drive_count(c, &n);
    if (rc != CTL_OK)
        return rc;
    if (drives == nullptr)
        capacity = 0;
    if (n > capacity)
        n = static_cast<uint32_t>(capacity);  // never past the caller's array
    if (n > 0xFFFF / 4)
        n = 0xFFFF / 4;  // the request size is 16 bits
    if (n == 0)
        return CTL_OK;
    std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[4 * n]());
    if (!buf)
        return CTLERR_LIB_NO_MEMORY;
    rc = ctl_get_drive_list(c, 0, CTL_TARGET_CONTROLLER, static_cast<uint16_t>(4 * n), buf.get());
    if (rc != CTL_OK)
        return rc;
    for (uint32_t i = 0; i < n; ++i)
        drives[i] = wire::get32(buf.get(), 4 * i);
    if (listed != nullptr)
        *listed = n;
    return CTL_OK;
}

void ctl_map_logical_drive_info(uint32_t level, const uint8_t* in, uint8_t* out)
{
    using wire::get32;
    using wire::put16;
    using wire::put32;
    if (level != LEVEL_OLD_LISTS) {
        put32(out, 0, get32(in, 0));
        put32(out, 4, get32(in, 4));
        put32(out, 8, get32(in, 8));
        put32(out, 12, get32(in, 12));
        put32(out, 16, get32(in, 16));
        out[20] = in[20];
        out[21] = in[21];
        out[22] = in[22];
        out[23] = in[56];
        put32(out, 24, get32(in, 24));
        put32(out, 28, get32(in, 28));
        put16(out, 32, static_cast<uint16_t>(get32(in, 40) >> 12));
        put16(out, 34, static_cast<uint16_t>(get32(in, 36)));
        put16(out, 36, static_cast<uint16_t>(get32(in, 32)));
        put32(out, 38, get32(in, 48));
        put32(out, 42, get32(in, 52));
        put32(out, 46, get32(in, 44));
        out[50] = in[23];
    } else {
        put32(out, 0, get32(in, 0));
        put32(out, 4, get32(in, 4));
        put32(out, 8, 0);
        put32(out, 12, get32(in, 8));
        out[21] = in[12];
        out[22] = in[13];
        out[23] = in[40];
        put32(out, 24, get32(in, 16));
        put32(out, 28, 512);
        put16(out, 32, static_cast<uint16_t>(get32(in, 28) >> 12));
        put16(out, 34, static_cast<uint16_t>(get32(in, 24)));
        put16(out, 36, static_cast<uint16_t>(get32(in, 20)));
        put32(out, 38, get32(in, 32));
        put32(out, 42, get32(in, 36));
    }
}

CtlResult ctl_read_logical_drive_info(uint16_t c, uint16_t drive, uint8_t* out51)
{
    if (out51 == nullptr)
        return CTLERR_BAD_ARGUMENT;
    uint32_t level = 0;
    CtlResult rc = ctl_get_interface_level(c, &level);
    if (rc != CTL_OK)
        return rc;
    uint8_t info[DRIVE_INFO_SIZE] = {};
    rc = ctl_get_drive_info(c, 0, drive, info);
    if (rc != CTL_OK)
        return rc;
    ctl_map_logical_drive_info(level, info, out51);
    return CTL_OK;
}

CtlResult ctl_read_drive_members(uint16_t c, uint16_t drive, DriveMember* members, size_t capacity,
                                 uint16_t* listed)
{
    if (listed != nullptr)
        *listed = 0;
    uint32_t level = 0;
    CtlResult rc = ctl_get_interface_level(c, &level);
    if (rc != CTL_OK)
        return rc;
    uint8_t info[DRIVE_INFO_SIZE] = {};
    rc = ctl_get_drive_info(c, 0, drive, info);
    if (rc != CTL_OK)
        return rc;
    const uint32_t n = wire::get32(info, level == LEVEL_OLD_LISTS ? 20 : 32);
    if (n > DRIVE_MAX_MEMBERS)
        return CTLERR_BAD_ARGUMENT;
    if (n == 0)
        return CTL_OK;
    std::unique_ptr<uint8_t[]> list(new (std::nothrow) uint8_t[8 * n]());
    if (!list)
        return CTLERR_LIB_NO_MEMORY;
    rc = ctl_get_member_list(c, 0, drive, static_cast<uint16_t>(8 * n), list.get());
    if (rc != CTL_OK)
        return rc;
    if (members == nullptr)
        capacity = 0;
    const size_t count = n < capacity ? n : capacity;  // never past the caller's array
    for (size_t i = 0; i < count; ++i) {
        DriveMember m;
        rc = ctl_find_device(c, wire::get32(list.get(), 8 * i + 4), &m.channelIndex, &m.deviceIndex);
        if (rc == CTLERR_NOT_AVAILABLE) {
            m = DriveMember{1, 0xFFFF, 0xFFFF};  // reported, and the read goes on
        } else if (rc != CTL_OK) {
            return rc;
        }
        members[i] = m;
        if (listed != nullptr)
            *listed = static_cast<uint16_t>(i + 1);
    }
    return CTL_OK;
}

CtlResult ctl_create_drive(uint16_t c, uint16_t drive, uint16_t type, uint16_t n,
                           const CreateMember* members)
{
    if (n > DRIVE_MAX_MEMBERS || (n != 0 && members == nullptr))
        return CTLERR_BAD_ARGUMENT;
    const size_t size = 12 + 8 * size_t{n};
    std::unique_ptr<uint8_t[]> list(new (std::nothrow) uint8_t[size]());
    if (!list)
        return CTLERR_LIB_NO_MEMORY;
    wire::put32(list.get(), 0, drive);
    wire::put32(list.get(), 4, n);
    wire::put32(list.get(), 8, uint32_t{type} << 12);
    for (uint16_t i = 0; i < n; ++i) {
        DriveAddress a;
        a.controller = c;
        a.channelIndex = static_cast<uint8_t>(members[i].channelIndex);
        a.deviceIndex = members[i].deviceIndex;
        CtlResult rc = ctl_resolve_device(&a);
        if (rc != CTL_OK)
            return rc;
        wire::put32(list.get(), 12 + 8 * i, members[i].firstWord);
        wire::put32(list.get(), 16 + 8 * i, a.deviceAddress());
    }
    return ctl_send_create_drive(c, 0, CTL_TARGET_CONTROLLER, static_cast<uint16_t>(size), list.get());
}

CtlResult ctl_read_cache_info(uint16_t c, uint8_t* out36)
{
    return ctl_get_cache_info(c, 0, CTL_TARGET_CONTROLLER, out36);
}

CtlResult ctl_write_cache_config(uint16_t c, const uint8_t* params12)
{
    if (params12 == nullptr)
        return CTLERR_BAD_ARGUMENT;
    uint8_t buf[CACHE_PARAMS_SIZE];
    std::memcpy(buf, params12, sizeof buf);
    return ctl_set_cache_config(c, 0, CTL_TARGET_CONTROLLER, buf);
}

namespace {

// An 8-character name as the command's parameter.
CtlResult sendName(CtlResult (*builder)(uint16_t, uint32_t, uint32_t, void*), uint16_t c,
                   uint16_t target, const char* name8)
{
    if (name8 == nullptr)
        return CTLERR_BAD_ARGUMENT;
    uint8_t buf[8] = {};
    std::memcpy(buf, name8, strnlen(name8, sizeof buf));
    return builder(c, 0, target, buf);
}

// A 16-bit value sent as a u32 parameter.
CtlResult sendValue(CtlResult (*builder)(uint16_t, uint32_t, uint32_t, void*), uint16_t c,
                    uint16_t target, uint16_t value)
{
    uint8_t buf[4] = {};
    wire::put32(buf, 0, value);
    return builder(c, 0, target, buf);
}

}  // namespace

CtlResult ctl_rec_set_host_drive_number(uint16_t c, uint16_t drive, uint16_t number)
{
    return sendValue(ctl_set_host_drive_number, c, drive, number);
}

CtlResult ctl_rec_set_device_name(uint16_t c, uint16_t target, const char* name8)
{
    return sendName(ctl_set_device_name, c, target, name8);
}

CtlResult ctl_rec_set_drive_name(uint16_t c, uint16_t target, const char* name8)
{
    return sendName(ctl_set_drive_name, c, target, name8);
}

CtlResult ctl_rec_drive_cmd_0f(uint16_t c, uint16_t drive) { return ctl_drive_cmd_0f(c, 0, drive); }

CtlResult ctl_rec_drive_cmd_12(uint16_t c, uint16_t drive) { return ctl_drive_cmd_12(c, 0, drive); }

CtlResult ctl_rec_remove_missing_mirror_components(uint16_t c, uint16_t drive)
{
    return ctl_remove_missing_mirror_components(c, 0, drive);
}

CtlResult ctl_rec_set_drive_param_10(uint16_t c, uint16_t drive, uint16_t value)
{
    return sendValue(ctl_set_drive_param_10, c, drive, value);
}

CtlResult ctl_rec_set_drive_param_11(uint16_t c, uint16_t drive, uint16_t value)
{
    return sendValue(ctl_set_drive_param_11, c, drive, value);
}
