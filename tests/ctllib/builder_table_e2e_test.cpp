// Every request builder, checked on the request the module is handed (read-only
// flag, service, function) and on the record the emulator received (key,
// target, parameter size, opcode). The expected rows are the controller's
// command table as the firmware documents it, written down here on their own
// so that a slip in the library's list shows; the deliberate departures from
// it are listed apart.
#include "byte_order.h"
#include "ctl_channels.h"
#include "ctl_commands.h"
#include "ctl_devices.h"
#include "ctl_drives.h"
#include "recording_module.h"
#include "sim_suite.h"
#include "xport.h"

#include <cstring>
#include <functional>

namespace {

constexpr uint32_t T = 0x1234;  // the target handed to builders that take one
constexpr uint16_t S = 16;      // the size handed to builders that take one
const DeviceRef kDisk{0, 0, 0, 0};  // channel 0 (address 0x20000), device 0 (entry 0)

// Steps sent with the read-only flag 0 although the command table marks them
// reading: the flash steps that write, erase, open, close or abort, and the
// host drive access reset, so that a read-only remote connection refuses them.
const char* const kSentAsChanging[] = {
    "ctl_flash_cmd_41",    "ctl_flash_cmd_45",    "ctl_flash_cmd_46",    "ctl_flash_record_47",
    "ctl_flash_record_48", "ctl_flash_record_4c", "ctl_flash_record_4f", "ctl_host_drive_opcode6",
};

bool sentAsChanging(const char* name)
{
    for (const char* n : kSentAsChanging)
        if (std::strcmp(n, name) == 0)
            return true;
    return false;
}

struct BuilderCase {
    const char* name;
    std::function<CtlResult(uint8_t* p)> call;
    uint32_t key;
    uint32_t target;
    uint32_t size;      // parameter or data bytes carried
    uint8_t readOnly;    // as the command table has it
    int64_t value = -1;  // the 4-byte value a builder sends of its own, or -1
    uint8_t service = CTLSVC_CACHE;
    uint16_t opcode = CTLOP_IOCTL;
};

#define CALL(...) [](uint8_t* p) -> CtlResult { (void)p; return __VA_ARGS__; }

uint8_t g_blocks[512];
uint8_t g_raw[512];

const BuilderCase kCases[] = {
        {"ctl_get_drive_count", CALL(ctl_get_drive_count(0, 0, T, p)), 0x01, T, 4, 1, -1},
        {"ctl_get_drive_list", CALL(ctl_get_drive_list(0, 0, T, S, p)), 0x02, T, S, 1, -1},
        {"ctl_commit_configuration", CALL(ctl_commit_configuration(0, 0, T)), 0x03, T, 0, 0, -1},
        {"ctl_get_cache_info", CALL(ctl_get_cache_info(0, 0, T, p)), 0x04, T, 36, 1, -1},
        {"ctl_set_cache_config", CALL(ctl_set_cache_config(0, 0, T, p)), 0x05, T, 12, 0, -1},
        {"ctl_set_host_drive_number", CALL(ctl_set_host_drive_number(0, 0, T, p)), 0x06, T, 4, 0, -1},
        {"ctl_get_drive_info", CALL(ctl_get_drive_info(0, 0, T, p)), 0x07, T, 57, 1, -1},
        {"ctl_set_drive_name", CALL(ctl_set_drive_name(0, 0, T, p)), 0x08, T, 8, 0, -1},
        {"ctl_remove_missing_mirror_components", CALL(ctl_remove_missing_mirror_components(0, 0, T)), 0x09, T, 0, 0, -1},
        {"ctl_unload_host_drive", CALL(ctl_unload_host_drive(0, 0, T)), 0x0A, T, 0, 0, -1},
        {"ctl_get_drive_byte_0b", CALL(ctl_get_drive_byte_0b(0, 0, T, p)), 0x0B, T, 1, 1, -1},
        {"ctl_lock_configuration", CALL(ctl_lock_configuration(0, 0, T)), 0x0C, T, 0, 0, -1},
        {"ctl_unlock_configuration", CALL(ctl_unlock_configuration(0, 0, T)), 0x0D, T, 0, 0, -1},
        {"ctl_send_create_drive", CALL(ctl_send_create_drive(0, 0, T, S, p)), 0x0E, T, S, 0, -1},
        {"ctl_drive_cmd_0f", CALL(ctl_drive_cmd_0f(0, 0, T)), 0x0F, T, 0, 0, -1},
        {"ctl_set_drive_param_10", CALL(ctl_set_drive_param_10(0, 0, T, p)), 0x10, T, 4, 0, -1},
        {"ctl_set_drive_param_11", CALL(ctl_set_drive_param_11(0, 0, T, p)), 0x11, T, 4, 0, -1},
        {"ctl_drive_cmd_12", CALL(ctl_drive_cmd_12(0, 0, T)), 0x12, T, 0, 0, -1},
        {"ctl_get_board_features", CALL(ctl_get_board_features(0, 0, T, p)), 0x15, T, 4, 1, -1},
        {"ctl_get_controller_option", CALL(ctl_get_controller_option(0, 0, p)), 0x16, 0xFFFF, 1, 1, -1},
        {"ctl_set_controller_option", CALL(ctl_set_controller_option(0, 0, p)), 0x17, 0xFFFF, 1, 0, -1},
        {"ctl_get_drive_param_1e", CALL(ctl_get_drive_param_1e(0, 0, T, p)), 0x1E, T, 4, 1, -1},
        {"ctl_set_drive_param_1f", CALL(ctl_set_drive_param_1f(0, 0, T, p)), 0x1F, T, 4, 0, -1},
        {"ctl_begin_hot_plug", CALL(ctl_begin_hot_plug(0, 0)), 0x20, 0xFFFF, 0, 0, -1},
        {"ctl_end_hot_plug", CALL(ctl_end_hot_plug(0, 0)), 0x21, 0xFFFF, 0, 0, -1},
        {"ctl_hot_plug_cmd_22", CALL(ctl_hot_plug_cmd_22(0, 0)), 0x22, 0xFFFF, 0, 0, -1},
        {"ctl_get_hot_plug_info", CALL(ctl_get_hot_plug_info(0, 0, p)), 0x23, 0xFFFF, 172, 1, -1},
        {"ctl_hot_plug_cmd_24", CALL(ctl_hot_plug_cmd_24(0, 0, p)), 0x24, 0xFFFF, 24, 0, -1},
        {"ctl_get_board_info", CALL(ctl_get_board_info(0, p)), 0x28, 0xFFFF, 84, 1, -1},
        {"ctl_get_config_page_a", CALL(ctl_get_config_page_a(0, 0, p)), 0x29, 0xFFFF, 380, 1, -1},
        {"ctl_get_config_page_b", CALL(ctl_get_config_page_b(0, 0, p)), 0x2A, 0xFFFF, 380, 1, -1},
        {"ctl_set_config_page", CALL(ctl_set_config_page(0, 0, p)), 0x2B, 0xFFFF, 380, 0, -1},
        {"ctl_config_cmd_2c", CALL(ctl_config_cmd_2c(0, 0, p)), 0x2C, 0xFFFF, 4, 0, -1},
        {"ctl_config_cmd_2d", CALL(ctl_config_cmd_2d(0, 0, p)), 0x2D, 0xFFFF, 4, 0, -1},
        {"ctl_config_record_2e", CALL(ctl_config_record_2e(0, 0, p)), 0x2E, 0xFFFF, 44, 0, -1},
        {"ctl_get_controller_value_2f", CALL(ctl_get_controller_value_2f(0, 0, p)), 0x2F, 0xFFFF, 4, 1, -1},
        {"ctl_get_statistics_30", CALL(ctl_get_statistics_30(0, 0, T, S, p)), 0x30, T, S, 1, -1},
        {"ctl_get_settings_page_31", CALL(ctl_get_settings_page_31(0, p)), 0x31, 0xFFFF, 72, 1, -1},
        {"ctl_set_settings_page_32", CALL(ctl_set_settings_page_32(0, p)), 0x32, 0xFFFF, 72, 0, -1},
        {"ctl_set_settings_page_33", CALL(ctl_set_settings_page_33(0, p)), 0x33, 0xFFFF, 72, 0, -1},
        {"ctl_get_settings_record_34", CALL(ctl_get_settings_record_34(0, p)), 0x34, 0xFFFF, 16, 1, -1},
        {"ctl_get_statistics_3d", CALL(ctl_get_statistics_3d(0, S, p)), 0x3D, 0xFFFF, S, 1, -1},
        {"ctl_get_statistics_3e", CALL(ctl_get_statistics_3e(0, S, p)), 0x3E, 0xFFFF, S, 1, -1},
        {"ctl_get_statistics_3f", CALL(ctl_get_statistics_3f(0, S, p)), 0x3F, 0xFFFF, S, 1, -1},
        {"ctl_flash_cmd_40", CALL(ctl_flash_cmd_40(0, 0, p, S)), 0x40, 0xFFFF, S, 1, -1},
        {"ctl_flash_cmd_41", CALL(ctl_flash_cmd_41(0, 0, p, S)), 0x41, 0xFFFF, S, 1, -1},
        {"ctl_flash_cmd_42", CALL(ctl_flash_cmd_42(0, 0, p, S)), 0x42, 0xFFFF, S, 1, -1},
        {"ctl_get_flash_state", CALL(ctl_get_flash_state(0, 0, p)), 0x44, 0xFFFF, 4, 1, -1},
        {"ctl_flash_cmd_45", CALL(ctl_flash_cmd_45(0, 0, p, S)), 0x45, 0xFFFF, S, 1, -1},
        {"ctl_flash_cmd_46", CALL(ctl_flash_cmd_46(0, 0, p, S)), 0x46, 0xFFFF, S, 1, -1},
        {"ctl_flash_record_47", CALL(ctl_flash_record_47(0, 0, p)), 0x47, 0xFFFF, 44, 1, -1},
        {"ctl_flash_record_48", CALL(ctl_flash_record_48(0, 0, p)), 0x48, 0xFFFF, 44, 1, -1},
        {"ctl_flash_record_49", CALL(ctl_flash_record_49(0, 0, p)), 0x49, 0xFFFF, 8, 1, -1},
        {"ctl_flash_record_4c", CALL(ctl_flash_record_4c(0, 0, p)), 0x4C, 0xFFFF, 44, 1, -1},
        {"ctl_flash_cmd_4d", CALL(ctl_flash_cmd_4d(0, p)), 0x4D, 0xFFFF, 4, 1, -1},
        {"ctl_get_controller_record_4e", CALL(ctl_get_controller_record_4e(0, p)), 0x4E, 0xFFFF, 16, 1, -1},
        {"ctl_flash_record_4f", CALL(ctl_flash_record_4f(0, 0, p)), 0x4F, 0xFFFF, 44, 1, -1},
        {"ctl_get_channel_settings", CALL(ctl_get_channel_settings(0, p, S)), 0x50, 0xFFFF, S, 1, -1},
        {"ctl_set_channel_settings", CALL(ctl_set_channel_settings(0, p, S)), 0x51, 0xFFFF, S, 0, -1},
        {"ctl_get_controller_record_52", CALL(ctl_get_controller_record_52(0, p)), 0x52, 0xFFFF, 8, 1, -1},
        {"ctl_get_channel_descriptions", CALL(ctl_get_channel_descriptions(0, p, S)), 0x5D, 0xFFFF, S, 1, -1},
        {"ctl_get_board_details", CALL(ctl_get_board_details(0, p)), 0x5F, 0xFFFF, 237, 1, -1},
        {"ctl_add_pool_hot_fix", CALL(ctl_add_pool_hot_fix(0, p, S)), 0x60, 0xFFFF, S, 0, -1},
        {"ctl_remove_pool_hot_fix", CALL(ctl_remove_pool_hot_fix(0, p, S)), 0x61, 0xFFFF, S, 0, -1},
        {"ctl_drive_flag_on", CALL(ctl_drive_flag_on(0, 0, T)), 0x63, T, 4, 0, 1},
        {"ctl_drive_flag_off", CALL(ctl_drive_flag_off(0, 0, T)), 0x63, T, 4, 0, 0},
        {"ctl_get_drive_flag", CALL(ctl_get_drive_flag(0, 0, T, p)), 0x63, T, 4, 1, -1},
        {"ctl_get_controller_param_6e", CALL(ctl_get_controller_param_6e(0, p, S)), 0x6E, 0xFFFF, S, 1, -1},
        {"ctl_get_drive_param_6f", CALL(ctl_get_drive_param_6f(0, T, p, S)), 0x6F, T, S, 1, -1},
        {"ctl_lock_host_drive_access", CALL(ctl_lock_host_drive_access(0, T)), 0x70, T, 0, 0, -1},
        {"ctl_unlock_host_drive_access", CALL(ctl_unlock_host_drive_access(0, T)), 0x71, T, 0, 0, -1},
        {"ctl_lock_one_host_drive", CALL(ctl_lock_one_host_drive(0, T, p)), 0x72, T, 4, 0, -1},
        {"ctl_unlock_one_host_drive", CALL(ctl_unlock_one_host_drive(0, T, p)), 0x73, T, 4, 0, -1},
        {"ctl_scan_new_devices", CALL(ctl_scan_new_devices(0, T, p)), 0x74, T, 4, 1, -1},
        {"ctl_get_target_mask", CALL(ctl_get_target_mask(0, T, p)), 0x75, T, 20, 1, -1},
        {"ctl_set_log_state", CALL(ctl_set_log_state(0, p)), 0x7E, 0xFFFF, 4, 0, -1},
        {"ctl_read_controller_log", CALL(ctl_read_controller_log(0, p, S)), 0x7F, 0xFFFF, S, 1, -1},
        {"ctl_controller_record_80", CALL(ctl_controller_record_80(0, p)), 0x80, 0xFFFF, 13, 1, -1},
        {"ctl_get_member_list", CALL(ctl_get_member_list(0, 0, T, S, p)), 0x80000005, T, S, 1, -1},
        {"ctl_set_device_name", CALL(ctl_set_device_name(0, 0, T, p)), 0x8000000F, T, 8, 0, -1},
        {"ctl_get_value_x0e", CALL(ctl_get_value_x0e(0, 0, T, p)), 0xA000000E, T, 4, 1, -1},
        {"ctl_array_state_cmd_09", CALL(ctl_array_state_cmd_09(0, 0, T, p)), 0x10000009, T, 4, 0, -1},
        {"ctl_array_flag_on", CALL(ctl_array_flag_on(0, 0, T)), 0x1000000A, T, 4, 0, 1},
        {"ctl_array_flag_off", CALL(ctl_array_flag_off(0, 0, T)), 0x1000000A, T, 4, 0, 0},
        {"ctl_get_array_flag", CALL(ctl_get_array_flag(0, 0, T, p)), 0x1000000A, T, 4, 1, -1},
        {"ctl_get_array_list", CALL(ctl_get_array_list(0, T, p, S)), 0x1000000F, T, S, 1, -1},
        {"ctl_create_array", CALL(ctl_create_array(0, T, p)), 0x10000010, T, 324, 0, -1},
        {"ctl_remove_array", CALL(ctl_remove_array(0, 0, T)), 0x10000011, T, 0, 0, -1},
        {"ctl_get_array_info", CALL(ctl_get_array_info(0, 0, T, p)), 0x10000012, T, 324, 1, -1},
        {"ctl_set_array_name", CALL(ctl_set_array_name(0, 0, T, p)), 0x10000013, T, 8, 0, -1},
        {"ctl_array_write_14", CALL(ctl_array_write_14(0, 0, T, p)), 0x10000014, T, 8, 0, -1},
        {"ctl_add_array_components", CALL(ctl_add_array_components(0, T, p, S)), 0x10000015, T, S, 0, -1},
        {"ctl_remove_array_component", CALL(ctl_remove_array_component(0, T, p, S)), 0x10000016, T, S, 0, -1},
        {"ctl_replace_array_component", CALL(ctl_replace_array_component(0, 0, T, p)), 0x10000018, T, 16, 0, -1},
        {"ctl_array_swap_host_drive", CALL(ctl_array_swap_host_drive(0, 0, T, p)), 0x10000019, T, 4, 0, -1},
        {"ctl_array_state_cmd_1a", CALL(ctl_array_state_cmd_1a(0, 0, T, p)), 0x1000001A, T, 4, 0, -1},
        {"ctl_array_state_cmd_1b", CALL(ctl_array_state_cmd_1b(0, 0, T, p)), 0x1000001B, T, 4, 0, -1},
        {"ctl_array_parity_cmd", CALL(ctl_array_parity_cmd(0, 0, T, p)), 0x1000001C, T, 4, 0, -1},
        {"ctl_patch_array_state", CALL(ctl_patch_array_state(0, 0, T, p)), 0x10000028, T, 324, 0, -1},
        {"ctl_start_array_expand", CALL(ctl_start_array_expand(0, 0, T, p)), 0x1000002A, T, 324, 0, -1},
        {"ctl_get_array_expand_progress", CALL(ctl_get_array_expand_progress(0, 0, T, p)), 0x1000002B, T, 4, 1, -1},
        {"ctl_get_array_param_2c", CALL(ctl_get_array_param_2c(0, 0, T, p)), 0x1000002C, T, 4, 1, -1},
        {"ctl_set_array_param_2d", CALL(ctl_set_array_param_2d(0, 0, T, p)), 0x1000002D, T, 4, 0, -1},
        {"ctl_write_array_record_2e", CALL(ctl_write_array_record_2e(0, 0, T, p)), 0x1000002E, T, 324, 0, -1},
        {"ctl_array_cmd_2f", CALL(ctl_array_cmd_2f(0, 0, T)), 0x1000002F, T, 0, 0, -1},
        {"ctl_array_cmd_30", CALL(ctl_array_cmd_30(0, T)), 0x10000030, T, 0, 0, -1},
        {"ctl_array_cmd_31", CALL(ctl_array_cmd_31(0, T)), 0x10000031, T, 0, 0, -1},
        {"ctl_get_array_param_32", CALL(ctl_get_array_param_32(0, T, p, S)), 0x10000032, T, S, 1, -1},
        {"ctl_array_state_cmd_33", CALL(ctl_array_state_cmd_33(0, 0, T, p)), 0x10000033, T, 4, 0, -1},
        {"ctl_get_array_list_ext", CALL(ctl_get_array_list_ext(0, T, p, S)), 0x10000034, T, S, 1, -1},
        {"ctl_hot_plug_replace_02", CALL(ctl_hot_plug_replace_02(0, 0, T, p)), 0x10000002, T, 12, 0, -1},
        {"ctl_hot_plug_replace_03", CALL(ctl_hot_plug_replace_03(0, 0, T, p)), 0x10000003, T, 12, 0, -1},
        {"ctl_hot_plug_finish", CALL(ctl_hot_plug_finish(0, 0, T, p)), 0x10000004, T, 24, 0, -1},
        {"ctl_host_drive_cmd_00", CALL(ctl_host_drive_cmd_00(0, 0, T)), 0x10010000, T, 0, 0, -1},
        {"ctl_get_host_drive_table", CALL(ctl_get_host_drive_table(0, 0, T, p, S)), 0x10010001, T, S, 1, -1},
        {"ctl_get_host_drive_table_2", CALL(ctl_get_host_drive_table_2(0, 0, T, p, S)), 0x10010002, T, S, 1, -1},
        {"ctl_write_host_drive_table", CALL(ctl_write_host_drive_table(0, 0, T, p, S)), 0x10010003, T, S, 0, -1},
        {"ctl_release_host_drive", CALL(ctl_release_host_drive(0, 0, T)), 0x10010004, T, 0, 0, -1},
        {"ctl_get_cluster_enabled", CALL(ctl_get_cluster_enabled(0, T, p)), 0x10010005, T, 1, 0, -1},
        {"ctl_get_host_drive_param_06", CALL(ctl_get_host_drive_param_06(0, T, p)), 0x10010006, T, 8, 1, -1},
        {"ctl_addr_get_device_info", CALL(ctl_addr_get_device_info(0, 0, T, p)), 0x20000000, T, 112, 1, -1},
        {"ctl_addr_write_01", CALL(ctl_addr_write_01(0, 0, T, p)), 0x20000001, T, 112, 0, -1},
        {"ctl_addr_set_device_info", CALL(ctl_addr_set_device_info(0, 0, T, p)), 0x20000002, T, 112, 0, -1},
        {"ctl_get_channel_info", CALL(ctl_get_channel_info(0, 0, T, p)), 0x20000005, T, 10, 1, -1},
        {"ctl_get_channel_device_list", CALL(ctl_get_channel_device_list(0, 0, T, S, p)), 0x20000006, T, S, 1, -1},
        {"ctl_addr_cmd_08", CALL(ctl_addr_cmd_08(0, 0, T)), 0x20000008, T, 0, 0, -1},
        {"ctl_addr_cmd_0d", CALL(ctl_addr_cmd_0d(0, 0, T)), 0x2000000D, T, 0, 0, -1},
        {"ctl_addr_cmd_0e", CALL(ctl_addr_cmd_0e(0, 0, T)), 0x2000000E, T, 0, 0, -1},
        {"ctl_addr_set_byte_12", CALL(ctl_addr_set_byte_12(0, 0, T, p)), 0x20000012, T, 1, 0, -1},
        {"ctl_addr_cmd_13", CALL(ctl_addr_cmd_13(0, 0, T)), 0x20000013, T, 0, 0, -1},
        {"ctl_get_device_count_14", CALL(ctl_get_device_count_14(0, 0, T, p)), 0x20000014, T, 4, 1, -1},
        {"ctl_addr_read_15", CALL(ctl_addr_read_15(0, 0, T, p)), 0x20000015, T, 8, 1, -1},
        {"ctl_addr_read_16", CALL(ctl_addr_read_16(0, 0, T, p, S)), 0x20000016, T, S, 1, -1},
        {"ctl_addr_cmd_17", CALL(ctl_addr_cmd_17(0, 0, T)), 0x20000017, T, 0, 0, -1},
        {"ctl_addr_cmd_18", CALL(ctl_addr_cmd_18(0, 0, T)), 0x20000018, T, 0, 0, -1},
        {"ctl_addr_cmd_19", CALL(ctl_addr_cmd_19(0, 0, T)), 0x20000019, T, 0, 0, -1},
        {"ctl_get_device_value_25", CALL(ctl_get_device_value_25(0, 0, T, p)), 0x20000025, T, 4, 1, -1},
        {"ctl_addr_read_27", CALL(ctl_addr_read_27(0, 0, T, S, p)), 0x20000027, T, S, 1, -1},
        {"ctl_clear_log_buffer", CALL(ctl_clear_log_buffer(0)), 0x2000002E, 0x2FFFF, 0, 0, -1},
        {"ctl_get_log_state", CALL(ctl_get_log_state(0, p)), 0x2000002F, 0x2FFFF, 4, 0, -1},
        {"ctl_addr_write_30", CALL(ctl_addr_write_30(0, 0, T, p)), 0x20000030, T, 12, 0, -1},
        {"ctl_addr_write_31", CALL(ctl_addr_write_31(0, 0, T, p)), 0x20000031, T, 12, 0, -1},
        {"ctl_addr_set_byte_35", CALL(ctl_addr_set_byte_35(0, 0, T, p)), 0x20000035, T, 1, 0, -1},
        {"ctl_addr_get_byte_36", CALL(ctl_addr_get_byte_36(0, 0, T, p)), 0x20000036, T, 1, 1, -1},
        {"ctl_addr_get_record_3e", CALL(ctl_addr_get_record_3e(0, T, p)), 0x2000003E, T, 20, 1, -1},
        {"ctl_get_disk_statistics", CALL(ctl_get_disk_statistics(0, T, S, p)), 0x2000004B, T, S, 1, -1},
        {"ctl_get_fc_loop_info", CALL(ctl_get_fc_loop_info(0, T, p)), 0x20000080, T, 138, 1, -1},
        {"ctl_get_fc_port_info", CALL(ctl_get_fc_port_info(0, T, p)), 0x20000081, T, 40, 1, -1},
        {"ctl_get_fc_device_map", CALL(ctl_get_fc_device_map(0, T, p)), 0x20000082, T, 32, 1, -1},
        {"ctl_get_enclosure_info", CALL(ctl_get_enclosure_info(0, p)), 0x20000, 0xFFFF, 51, 1, -1},
        {"ctl_get_enclosure_record_1", CALL(ctl_get_enclosure_record_1(0, p)), 0x20001, 0xFFFF, 10, 1, -1},
        {"ctl_enclosure_query", CALL(ctl_enclosure_query(0, p, S)), 0x20002, 0xFFFF, S, 0, -1},
        {"ctl_set_enclosure_slot_map", CALL(ctl_set_enclosure_slot_map(0, p, S)), 0x20010, 0xFFFF, S, 0, -1},
        {"ctl_enclosure_cmd_11", CALL(ctl_enclosure_cmd_11(0, p, S)), 0x20011, 0xFFFF, S, 1, -1},
        {"ctl_enclosure_cmd_12", CALL(ctl_enclosure_cmd_12(0, p, S)), 0x20012, 0xFFFF, S, 0, -1},
        {"ctl_enclosure_cmd_20", CALL(ctl_enclosure_cmd_20(0, p, S)), 0x20020, 0xFFFF, S, 0, -1},
        {"ctl_get_enclosure_list", CALL(ctl_get_enclosure_list(0, p, S)), 0x20021, 0xFFFF, S, 1, -1},
        {"ctl_get_enclosure_record_22", CALL(ctl_get_enclosure_record_22(0, p)), 0x20022, 0xFFFF, 8, 1, -1},
        {"ctl_get_enclosure_record_23", CALL(ctl_get_enclosure_record_23(0, p)), 0x20023, 0xFFFF, 12, 1, -1},
        {"ctl_enclosure_cmd_24", CALL(ctl_enclosure_cmd_24(0, p, S)), 0x20024, 0xFFFF, S, 0, -1},
        {"ctl_set_enclosure_byte", CALL(ctl_set_enclosure_byte(0, p)), 0x20025, 0xFFFF, 1, 0, -1},
        {"ctl_set_controller_byte_26", CALL(ctl_set_controller_byte_26(0, p)), 0x20026, 0xFFFF, 1, 0, -1},
        {"ctl_set_controller_byte_27", CALL(ctl_set_controller_byte_27(0, p)), 0x20027, 0xFFFF, 1, 0, -1},
        {"ctl_controller_record_81", CALL(ctl_controller_record_81(0, 1, 2, 0x01020304)), 0x81, 0xFFFF, 8, 1},
        {"ctl_channel_request_54", CALL(ctl_channel_request_54(0, p, 32)), 0x20000054, 0x2FFFF, 32, 1},
        {"ctl_get_channel_record", CALL(ctl_get_channel_record(0, p)), 0x2000003E, 0x2FFFF, 20, 1},
        {"ctl_probe_device", CALL(ctl_probe_device(0, p)), 0x20000014, 0x2FFFF, 4, 1},
        {"ctl_get_device_value", CALL(ctl_get_device_value(0, p)), 0x20000025, 0x2FFFF, 4, 1},
        {"ctl_channel_value_50", CALL(ctl_channel_value_50(0, p)), 0x20000050, 0x2FFFF, 4, 1},
        {"ctl_get_disk_ownership", CALL(ctl_get_disk_ownership(0, 0, 0, p)), 0x10010007, 0xFFFFFFFF, 16, 1},
        {"ctl_device_cmd_17", CALL(ctl_device_cmd_17(kDisk)), 0x20000017, 0x20000, 0, 0},
        {"ctl_device_cmd_18", CALL(ctl_device_cmd_18(kDisk)), 0x20000018, 0x20000, 0, 0},
        {"ctl_get_defect_count", CALL(ctl_get_defect_count(kDisk, p)), 0x20000015, 0x20000, 8, 1},
        {"ctl_device_read_16", CALL(ctl_device_read_16(kDisk, p, S)), 0x20000016, 0x20000, S, 1},
        {"ctl_device_cmd_0e", CALL(ctl_device_cmd_0e(kDisk)), 0x2000000E, 0x20000, 0, 0},
        {"ctl_device_cmd_0d", CALL(ctl_device_cmd_0d(kDisk)), 0x2000000D, 0x20000, 0, 0},
        {"ctl_device_cmd_08", CALL(ctl_device_cmd_08(kDisk)), 0x20000008, 0x20000, 0, 0},
        {"ctl_device_cmd_13", CALL(ctl_device_cmd_13(kDisk)), 0x20000013, 0x20000, 0, 0},
        {"ctl_get_device_record_27", CALL(ctl_get_device_record_27(kDisk, p, S)), 0x20000027, 0x20000, S, 1},
        {"ctl_set_device_byte_12", CALL(ctl_set_device_byte_12(kDisk, p)), 0x20000012, 0x20000, 1, 0},
        {"ctl_get_device_info", CALL(ctl_get_device_info(kDisk, p)), 0x20000000, 0x20000, 112, 1},
        {"ctl_set_device_info", CALL(ctl_set_device_info(kDisk, p)), 0x20000002, 0x20000, 112, 0},
        {"ctl_read_drive_count", CALL(ctl_read_drive_count(0, nullptr)), 0x01, 0xFFFF, 4, 1},
        {"ctl_read_cache_info", CALL(ctl_read_cache_info(0, p)), 0x04, 0xFFFF, 36, 1},
        {"ctl_write_cache_config", CALL(ctl_write_cache_config(0, p)), 0x05, 0xFFFF, 12, 0},
        {"ctl_rec_set_host_drive_number", CALL(ctl_rec_set_host_drive_number(0, 7, 9)), 0x06, 7, 4, 0, 9},
        {"ctl_rec_set_device_name", CALL(ctl_rec_set_device_name(0, 7, "DISKNAME")), 0x8000000F, 7, 8, 0},
        {"ctl_rec_set_drive_name", CALL(ctl_rec_set_drive_name(0, 7, "DRV")), 0x08, 7, 8, 0},
        {"ctl_rec_drive_cmd_0f", CALL(ctl_rec_drive_cmd_0f(0, 7)), 0x0F, 7, 0, 0},
        {"ctl_rec_drive_cmd_12", CALL(ctl_rec_drive_cmd_12(0, 7)), 0x12, 7, 0, 0},
        {"ctl_rec_remove_missing_mirror_components", CALL(ctl_rec_remove_missing_mirror_components(0, 7)), 0x09, 7, 0, 0},
        {"ctl_rec_set_drive_param_10", CALL(ctl_rec_set_drive_param_10(0, 7, 3)), 0x10, 7, 4, 0, 3},
        {"ctl_rec_set_drive_param_11", CALL(ctl_rec_set_drive_param_11(0, 7, 4)), 0x11, 7, 4, 0, 4},
        {"ctl_read_blocks", CALL([] { BlockIoRecord r{0, 2, 100, 1, g_blocks, sizeof g_blocks}; return ctl_read_blocks(r); }()),
         100, 1, 512, 1, -1, CTLSVC_CACHE, CTLOP_BLOCK_READ},
        {"ctl_write_blocks", CALL([] { BlockIoRecord r{0, 2, 100, 1, g_blocks, sizeof g_blocks}; return ctl_write_blocks(r); }()),
         100, 1, 512, 0, -1, CTLSVC_CACHE, CTLOP_BLOCK_WRITE},
        {"ctl_host_drive_opcode6", CALL(ctl_host_drive_opcode6(0, 0, 2)), 0, 0, 0, 1, -1, CTLSVC_CACHE, CTLOP_ACCESS_RESET},
        {"ctl_raw_scsi_command", CALL([] { RawScsiRecord r; r.dataLength = 512; r.data = g_raw; return ctl_raw_scsi_command(r); }()),
         0x01000000, 0, 512, 0, -1, CTLSVC_RAW, CTLOP_SCSI},
};

#undef CALL

class BuilderTableE2E : public SimSuite {
protected:
    static void SetUpTestSuite()
    {
        mountWith("");
        xport_open_interface(1, "Local_Sys", nullptr, nullptr);  // the recording module
    }
    static void TearDownTestSuite() { unmount(); }
};

}  // namespace

TEST_F(BuilderTableE2E, EveryBuilderSendsItsRow)
{
    for (const BuilderCase& k : kCases) {
        SCOPED_TRACE(k.name);
        uint8_t p[4096] = {};
        p[3] = 7;                // 5 + byte at 3 = 12
        wire::put16(p, 4, 3);    // 12 + 4 x 3 = 24
        wire::put16(p, 6, 5);    // 8 + 5 = 13
        recording().requests.clear();
        recording().commands.clear();
        k.call(p);
        ASSERT_FALSE(recording().requests.empty());
        const CtlRequest& r = recording().requests.back();
        const CtlCommand& c = recording().commands.back();
        EXPECT_EQ(CTLFN_COMMAND, r.function);
        EXPECT_EQ(sentAsChanging(k.name) ? 0 : k.readOnly, r.readOnly);
        EXPECT_EQ(k.service, r.service);
        EXPECT_EQ(CTL_COMMAND_WIRE_SIZE, r.length);
        EXPECT_EQ(0u, c.boardNode);
        EXPECT_EQ(0u, c.commandIndex);

        const LoggedRequest l = lastLogged();
        EXPECT_EQ(0, l.entry);
        EXPECT_EQ(0x4A00u, l.code);
        EXPECT_EQ(k.service, l.service);
        EXPECT_EQ(k.opcode, l.opcode);
        EXPECT_EQ(k.key, l.key);
        EXPECT_EQ(k.target, l.target);
        EXPECT_EQ(k.size, l.dataSize);
        EXPECT_EQ(528u + k.size + l.senseSize, l.record.size());
        if (k.opcode == CTLOP_IOCTL) {
            EXPECT_EQ(k.size, wire::get16(l.record.data(), 22));
        }
        if (k.value >= 0) {
            EXPECT_EQ(static_cast<uint32_t>(k.value), wire::get32(l.record.data(), 524));
        }
    }
}

TEST_F(BuilderTableE2E, DeliberateFlagChangesAreChangesOfReadingRows)
{
    for (const char* name : kSentAsChanging) {
        const BuilderCase* row = nullptr;
        for (const BuilderCase& k : kCases)
            if (std::strcmp(k.name, name) == 0)
                row = &k;
        ASSERT_NE(row, nullptr) << name;
        EXPECT_EQ(1, row->readOnly) << name;
    }
}

TEST_F(BuilderTableE2E, BoardInformationRequestIsExact)
{
    uint8_t info[84] = {};
    ASSERT_EQ(CTL_OK, ctl_get_board_info(1, info));
    const CtlRequest& r = recording().requests.back();
    uint8_t req[CTL_REQUEST_WIRE_SIZE];
    ASSERT_TRUE(ctlEncodeRequest(r, req, sizeof req));
    const uint8_t wantReq[CTL_REQUEST_WIRE_SIZE] = {32, 0, 1, 9, 0, 0, 0, 0, 0, 0, 0, 0,
                                                    64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(req, wantReq, sizeof req));
    EXPECT_EQ(info, recording().commands.back().param);

    const LoggedRequest l = lastLogged();
    ASSERT_EQ(528u + 84u, l.record.size());
    EXPECT_EQ(1, l.entry);
    std::vector<uint8_t> want(528 + 84, 0);
    wire::put32(want.data(), 0, 0xAFFE0004);
    wire::put16(want.data(), 4, 0x4A00);
    wire::put16(want.data(), 6, 1);
    wire::put16(want.data(), 8, 9);
    wire::put16(want.data(), 10, 30);
    wire::put16(want.data(), 20, 5);
    wire::put16(want.data(), 22, 84);
    wire::put32(want.data(), 24, 0x28);
    wire::put32(want.data(), 28, 0xFFFF);
    EXPECT_EQ(want, l.record);
}

TEST_F(BuilderTableE2E, Record81IsBuiltFromItsArguments)
{
    ctl_controller_record_81(0, 0xA1, 0xB2, 0x01020304);
    const LoggedRequest l = lastLogged();
    ASSERT_EQ(528u + 8u, l.record.size());
    const std::vector<uint8_t> want{8, 0, 0xA1, 0xB2, 4, 3, 2, 1};
    EXPECT_EQ(want, std::vector<uint8_t>(l.record.begin() + 524, l.record.begin() + 532));
}

TEST_F(BuilderTableE2E, RecordSizeRulesRefuseWhatCannotBeSent)
{
    uint8_t p[8] = {};
    wire::put16(p, 4, 0xFFFF);  // 12 + 4 x 65535 does not fit 16 bits
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, ctl_hot_plug_cmd_24(0, 0, p));
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, ctl_hot_plug_replace_03(0, 0, 1, nullptr));
}

TEST_F(BuilderTableE2E, ChannelRecordKeepsTheCallersIndex)
{
    ASSERT_TRUE(sim().control("status 0 0x2000003E 6"));
    uint8_t p[20] = {1};
    EXPECT_EQ(CTLERR_CONTROLLER + 6, ctl_get_channel_record(0, p));
    EXPECT_EQ(0x3FFFFu, lastLogged().target);  // channel 1's address
    EXPECT_EQ(1, lastLogged().record[524]);    // its number went out in byte 0
    EXPECT_EQ(1, p[0]);
    uint8_t q[24] = {};
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, ctl_channel_request_54(0, q, sizeof q));  // no byte 24
}
