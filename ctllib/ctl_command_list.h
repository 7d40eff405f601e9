// The controller's IOCTL commands as the library knows them, one line each:
//   X(builder, key, read-only, size rule, fixed size, target rule, arguments)
// Size rules: FIXED (the size column), CALLER (argument s), VALUE0/VALUE1 (a
// 4-byte 0 or 1 of the builder's own), REC12_U16AT4 (12 + 4 x u16 at p+4),
// REC5_BYTEAT3 (5 + byte at p+3), REC8_U16AT6 (8 + u16 at p+6).
// Target rules: T (argument t), CTRL 0xFFFF, LOG 0x2FFFF, OWNER 0xFFFFFFFF.
// Arguments name the builder's parameters in order: c controller, n board
// node, t target, p parameter record, s parameter size; CUSTOM rows have a
// hand-written builder (or are used by composite operations only).
// No include guard: the includer defines X.

// Controller commands.
X(ctl_get_drive_count, 0x01, 1, FIXED, 4, T, CNTP)             // number of drives
X(ctl_get_drive_list, 0x02, 1, CALLER, 0, T, CNTSP)            // list of drive numbers
X(ctl_commit_configuration, 0x03, 0, FIXED, 0, T, CNT)         // commit after a change
X(ctl_get_cache_info, 0x04, 1, FIXED, 36, T, CNTP)             // cache info; word 0 = interface level
X(ctl_set_cache_config, 0x05, 0, FIXED, 12, T, CNTP)           // cache parameters
X(ctl_set_host_drive_number, 0x06, 0, FIXED, 4, T, CNTP)       // new host drive number of drive t
X(ctl_get_drive_info, 0x07, 1, FIXED, 57, T, CNTP)             // drive information
X(ctl_set_drive_name, 0x08, 0, FIXED, 8, T, CNTP)              // name of logical drive t
X(ctl_remove_missing_mirror_components, 0x09, 0, FIXED, 0, T, CNT)  // mirror cleanup
X(ctl_unload_host_drive, 0x0A, 0, FIXED, 0, T, CNT)            // unloads host drive t
X(ctl_get_drive_byte_0b, 0x0B, 1, FIXED, 1, T, CNTP)           // 1-byte value of drive t
X(ctl_lock_configuration, 0x0C, 0, FIXED, 0, T, CNT)           // enters Maintenance Mode
X(ctl_unlock_configuration, 0x0D, 0, FIXED, 0, T, CNT)         // leaves it
X(ctl_send_create_drive, 0x0E, 0, CALLER, 0, T, CNTSP)         // creates a drive from a member list
X(ctl_drive_cmd_0f, 0x0F, 0, FIXED, 0, T, CNT)                 // logical or mirror drive command
X(ctl_set_drive_param_10, 0x10, 0, FIXED, 4, T, CNTP)          // 4-byte drive parameter
X(ctl_set_drive_param_11, 0x11, 0, FIXED, 4, T, CNTP)          // 4-byte mirror parameter
X(ctl_drive_cmd_12, 0x12, 0, FIXED, 0, T, CNT)                 // logical drive command
X(ctl_get_board_features, 0x15, 1, FIXED, 4, T, CNTP)          // 4 feature bytes
X(ctl_get_controller_option, 0x16, 1, FIXED, 1, CTRL, CNP)     // boolean option byte
X(ctl_set_controller_option, 0x17, 0, FIXED, 1, CTRL, CNP)     // writes it
X(ctl_get_drive_param_1e, 0x1E, 1, FIXED, 4, T, CNTP)          // 4-byte drive value
X(ctl_set_drive_param_1f, 0x1F, 0, FIXED, 4, T, CNTP)          // writes it
X(ctl_begin_hot_plug, 0x20, 0, FIXED, 0, CTRL, CN)             // enters hot plug mode
X(ctl_end_hot_plug, 0x21, 0, FIXED, 0, CTRL, CN)               // leaves hot plug mode
X(ctl_hot_plug_cmd_22, 0x22, 0, FIXED, 0, CTRL, CN)            // hot plug command
X(ctl_get_hot_plug_info, 0x23, 1, FIXED, 172, CTRL, CNP)       // hot plug record
X(ctl_hot_plug_cmd_24, 0x24, 0, REC12_U16AT4, 0, CTRL, CNP)    // hot plug command with a record
X(ctl_get_board_info, 0x28, 1, FIXED, 84, CTRL, CP)            // board information
X(ctl_get_config_page_a, 0x29, 1, FIXED, 380, CTRL, CNP)       // configuration page A
X(ctl_get_config_page_b, 0x2A, 1, FIXED, 380, CTRL, CNP)       // configuration page B
X(ctl_set_config_page, 0x2B, 0, FIXED, 380, CTRL, CNP)         // writes a configuration page
X(ctl_config_cmd_2c, 0x2C, 0, FIXED, 4, CTRL, CNP)             // commit step (status 0xFFF4)
X(ctl_config_cmd_2d, 0x2D, 0, FIXED, 4, CTRL, CNP)             // commit step
X(ctl_config_record_2e, 0x2E, 0, FIXED, 44, CTRL, CNP)         // commit record
X(ctl_get_controller_value_2f, 0x2F, 1, FIXED, 4, CTRL, CNP)   // 4-byte controller value
X(ctl_get_statistics_30, 0x30, 1, CALLER, 0, T, CNTSP)         // device statistics block
X(ctl_get_settings_page_31, 0x31, 1, FIXED, 72, CTRL, CP)      // settings page (BIOS)
X(ctl_set_settings_page_32, 0x32, 0, FIXED, 72, CTRL, CP)      // writes a settings page
X(ctl_set_settings_page_33, 0x33, 0, FIXED, 72, CTRL, CP)      // writes the default settings page
X(ctl_get_settings_record_34, 0x34, 1, FIXED, 16, CTRL, CP)    // settings record
X(ctl_get_statistics_3d, 0x3D, 1, CALLER, 0, CTRL, CSP)        // per-drive statistics
X(ctl_get_statistics_3e, 0x3E, 1, CALLER, 0, CTRL, CSP)        // statistics block
X(ctl_get_statistics_3f, 0x3F, 1, CALLER, 0, CTRL, CSP)        // per-drive statistics
X(ctl_flash_cmd_40, 0x40, 1, CALLER, 0, CTRL, CNPS)            // flash step
X(ctl_flash_cmd_41, 0x41, 0, CALLER, 0, CTRL, CNPS)            // flash step (writes)
X(ctl_flash_cmd_42, 0x42, 1, CALLER, 0, CTRL, CNPS)            // flash step
X(ctl_get_flash_state, 0x44, 1, FIXED, 4, CTRL, CNP)           // flash state
X(ctl_flash_cmd_45, 0x45, 0, CALLER, 0, CTRL, CNPS)            // flash step (erases)
X(ctl_flash_cmd_46, 0x46, 0, CALLER, 0, CTRL, CNPS)            // flash step (writes)
X(ctl_flash_record_47, 0x47, 0, FIXED, 44, CTRL, CNP)          // flash record (opens)
X(ctl_flash_record_48, 0x48, 0, FIXED, 44, CTRL, CNP)          // flash record (closes)
X(ctl_flash_record_49, 0x49, 1, FIXED, 8, CTRL, CNP)           // flash record
X(ctl_flash_record_4c, 0x4C, 0, FIXED, 44, CTRL, CNP)          // flash record (erases an area)
X(ctl_flash_cmd_4d, 0x4D, 1, FIXED, 4, CTRL, CP)               // flash value at the end of an update
X(ctl_get_controller_record_4e, 0x4E, 1, FIXED, 16, CTRL, CP)  // controller record
X(ctl_flash_record_4f, 0x4F, 0, FIXED, 44, CTRL, CNP)          // flash record (aborts the session)
X(ctl_get_channel_settings, 0x50, 1, CALLER, 0, CTRL, CPS)     // channel and cluster settings
X(ctl_set_channel_settings, 0x51, 0, CALLER, 0, CTRL, CPS)     // writes them
X(ctl_get_controller_record_52, 0x52, 1, FIXED, 8, CTRL, CP)   // controller record
X(ctl_get_channel_descriptions, 0x5D, 1, CALLER, 0, CTRL, CPS) // channel descriptions
X(ctl_get_board_details, 0x5F, 1, FIXED, 237, CTRL, CP)        // board details
X(ctl_add_pool_hot_fix, 0x60, 0, CALLER, 0, CTRL, CPS)         // adds pool hot fix drives
X(ctl_remove_pool_hot_fix, 0x61, 0, CALLER, 0, CTRL, CPS)      // removes pool hot fix drives
X(ctl_drive_flag_on, 0x63, 0, VALUE1, 4, T, CNT)               // drive flag 1
X(ctl_drive_flag_off, 0x63, 0, VALUE0, 4, T, CNT)              // drive flag 0
X(ctl_get_drive_flag, 0x63, 1, FIXED, 4, T, CNTP)              // reads the drive flag
X(ctl_get_controller_param_6e, 0x6E, 1, CALLER, 0, CTRL, CPS)  // controller record
X(ctl_get_drive_param_6f, 0x6F, 1, CALLER, 0, T, CTPS)         // drive record
X(ctl_lock_host_drive_access, 0x70, 0, FIXED, 0, T, CT)        // nested host drive lock
X(ctl_unlock_host_drive_access, 0x71, 0, FIXED, 0, T, CT)      // its last release
X(ctl_lock_one_host_drive, 0x72, 0, FIXED, 4, T, CTP)          // locks one host drive
X(ctl_unlock_one_host_drive, 0x73, 0, FIXED, 4, T, CTP)        // unlocks it
X(ctl_scan_new_devices, 0x74, 1, FIXED, 4, T, CTP)             // searches new devices
X(ctl_get_target_mask, 0x75, 1, FIXED, 20, T, CTP)             // present targets
X(ctl_set_log_state, 0x7E, 0, FIXED, 4, CTRL, CP)              // log state word back
X(ctl_read_controller_log, 0x7F, 1, CALLER, 0, CTRL, CPS)      // controller log block
X(ctl_controller_record_80, 0x80, 1, REC8_U16AT6, 0, CTRL, CP) // caller record
X(ctl_controller_record_81, 0x81, 1, FIXED, 8, CTRL, CUSTOM)   // record built from arguments

// Raw device commands.
X(ctl_get_member_list, 0x80000005, 1, CALLER, 0, T, CNTSP)     // member list of drive t
X(ctl_set_device_name, 0x8000000F, 0, FIXED, 8, T, CNTP)       // name of a raw disk
X(ctl_get_value_x0e, 0xA000000E, 1, FIXED, 4, T, CNTP)         // 4-byte value

// Array drive commands.
X(ctl_array_state_cmd_09, 0x10000009, 0, FIXED, 4, T, CNTP)    // array or mirror state command
X(ctl_array_flag_on, 0x1000000A, 0, VALUE1, 4, T, CNT)         // array flag 1
X(ctl_array_flag_off, 0x1000000A, 0, VALUE0, 4, T, CNT)        // array flag 0
X(ctl_get_array_flag, 0x1000000A, 1, FIXED, 4, T, CNTP)        // reads the array flag
X(ctl_get_array_list, 0x1000000F, 1, CALLER, 0, T, CTPS)       // array drive list
X(ctl_create_array, 0x10000010, 0, FIXED, 324, T, CTP)         // creates an array drive
X(ctl_remove_array, 0x10000011, 0, FIXED, 0, T, CNT)           // removes array drive t
X(ctl_get_array_info, 0x10000012, 1, FIXED, 324, T, CNTP)      // array information
X(ctl_set_array_name, 0x10000013, 0, FIXED, 8, T, CNTP)        // array name
X(ctl_array_write_14, 0x10000014, 0, FIXED, 8, T, CNTP)        // 8-byte array write
X(ctl_add_array_components, 0x10000015, 0, CALLER, 0, T, CTPS) // adds components or hot fixes
X(ctl_remove_array_component, 0x10000016, 0, CALLER, 0, T, CTPS)  // removes a hot fix drive
X(ctl_replace_array_component, 0x10000018, 0, FIXED, 16, T, CNTP) // replaces a component
X(ctl_array_swap_host_drive, 0x10000019, 0, FIXED, 4, T, CNTP) // host drive number swap
X(ctl_array_state_cmd_1a, 0x1000001A, 0, FIXED, 4, T, CNTP)    // build and rebuild progress
X(ctl_array_state_cmd_1b, 0x1000001B, 0, FIXED, 4, T, CNTP)    // array state command
X(ctl_array_parity_cmd, 0x1000001C, 0, FIXED, 4, T, CNTP)      // parity verify start or query
X(ctl_patch_array_state, 0x10000028, 0, FIXED, 324, T, CNTP)   // writes an array record
X(ctl_start_array_expand, 0x1000002A, 0, FIXED, 324, T, CNTP)  // starts expansion or conversion
X(ctl_get_array_expand_progress, 0x1000002B, 1, FIXED, 4, T, CNTP)  // its progress
X(ctl_get_array_param_2c, 0x1000002C, 1, FIXED, 4, T, CNTP)    // 4-byte array value
X(ctl_set_array_param_2d, 0x1000002D, 0, FIXED, 4, T, CNTP)    // writes it
X(ctl_write_array_record_2e, 0x1000002E, 0, FIXED, 324, T, CNTP)  // array record (expansion)
X(ctl_array_cmd_2f, 0x1000002F, 0, FIXED, 0, T, CNT)           // array command (expansion)
X(ctl_array_cmd_30, 0x10000030, 0, FIXED, 0, T, CT)            // RAID-10 expansion command
X(ctl_array_cmd_31, 0x10000031, 0, FIXED, 0, T, CT)            // RAID-10 expansion command
X(ctl_get_array_param_32, 0x10000032, 1, CALLER, 0, T, CTPS)   // array record with entries
X(ctl_array_state_cmd_33, 0x10000033, 0, FIXED, 4, T, CNTP)    // array state command
X(ctl_get_array_list_ext, 0x10000034, 1, CALLER, 0, T, CTPS)   // array drive list, newer layout
X(ctl_hot_plug_replace_02, 0x10000002, 0, REC5_BYTEAT3, 0, T, CNTP)  // replacement, no host drive
X(ctl_hot_plug_replace_03, 0x10000003, 0, REC5_BYTEAT3, 0, T, CNTP)  // replacement of a host drive
X(ctl_hot_plug_finish, 0x10000004, 0, REC12_U16AT4, 0, T, CNTP)      // ends a replacement

// Host drive commands.
X(ctl_host_drive_cmd_00, 0x10010000, 0, FIXED, 0, T, CNT)      // host drive command
X(ctl_get_host_drive_table, 0x10010001, 1, CALLER, 0, T, CNTPS)    // host drive table
X(ctl_get_host_drive_table_2, 0x10010002, 1, CALLER, 0, T, CNTPS)  // host drive table, second form
X(ctl_write_host_drive_table, 0x10010003, 0, CALLER, 0, T, CNTPS)  // writes host drive entries
X(ctl_release_host_drive, 0x10010004, 0, FIXED, 0, T, CNT)     // sent before configuration changes
X(ctl_get_cluster_enabled, 0x10010005, 0, FIXED, 1, T, CTP)    // clustering of host drive t
X(ctl_get_host_drive_param_06, 0x10010006, 1, FIXED, 8, T, CTP)    // host drive record

// Channel and device commands.
X(ctl_addr_get_device_info, 0x20000000, 1, FIXED, 112, T, CNTP)    // device information
X(ctl_addr_write_01, 0x20000001, 0, FIXED, 112, T, CNTP)       // 112-byte write
X(ctl_addr_set_device_info, 0x20000002, 0, FIXED, 112, T, CNTP)    // writes device information
X(ctl_get_channel_info, 0x20000005, 1, FIXED, 10, T, CNTP)     // channel information
X(ctl_get_channel_device_list, 0x20000006, 1, CALLER, 0, T, CNTSP) // device addresses of a channel
X(ctl_addr_cmd_08, 0x20000008, 0, FIXED, 0, T, CNT)            // de-initialises a disk
X(ctl_addr_cmd_0d, 0x2000000D, 0, FIXED, 0, T, CNT)            // defect list operation
X(ctl_addr_cmd_0e, 0x2000000E, 0, FIXED, 0, T, CNT)            // defect list operation
X(ctl_addr_set_byte_12, 0x20000012, 0, FIXED, 1, T, CNTP)      // writes one device byte
X(ctl_addr_cmd_13, 0x20000013, 0, FIXED, 0, T, CNT)            // device command
X(ctl_get_device_count_14, 0x20000014, 1, FIXED, 4, T, CNTP)   // device probe of old firmware
X(ctl_addr_read_15, 0x20000015, 1, FIXED, 8, T, CNTP)          // defect list parameter
X(ctl_addr_read_16, 0x20000016, 1, CALLER, 0, T, CNTPS)        // device read
X(ctl_addr_cmd_17, 0x20000017, 0, FIXED, 0, T, CNT)            // device command
X(ctl_addr_cmd_18, 0x20000018, 0, FIXED, 0, T, CNT)            // surface check or initialise
X(ctl_addr_cmd_19, 0x20000019, 0, FIXED, 0, T, CNT)            // device command
X(ctl_get_device_value_25, 0x20000025, 1, FIXED, 4, T, CNTP)   // disk attribute query
X(ctl_addr_read_27, 0x20000027, 1, CALLER, 0, T, CNTSP)        // device read
X(ctl_clear_log_buffer, 0x2000002E, 0, FIXED, 0, LOG, C)       // clears the controller log
X(ctl_get_log_state, 0x2000002F, 0, FIXED, 4, LOG, CP)         // log state word
X(ctl_addr_write_30, 0x20000030, 0, FIXED, 12, T, CNTP)        // 12-byte write
X(ctl_addr_write_31, 0x20000031, 0, FIXED, 12, T, CNTP)        // 12-byte write
X(ctl_addr_set_byte_35, 0x20000035, 0, FIXED, 1, T, CNTP)      // writes one byte
X(ctl_addr_get_byte_36, 0x20000036, 1, FIXED, 1, T, CNTP)      // reads one byte
X(ctl_addr_get_record_3e, 0x2000003E, 1, FIXED, 20, T, CTP)    // channel record
X(ctl_get_disk_statistics, 0x2000004B, 1, CALLER, 0, T, CTSP)  // disk statistics
X(ctl_get_fc_loop_info, 0x20000080, 1, FIXED, 138, T, CTP)     // Fibre Channel loop record
X(ctl_get_fc_port_info, 0x20000081, 1, FIXED, 40, T, CTP)      // Fibre Channel port record
X(ctl_get_fc_device_map, 0x20000082, 1, FIXED, 32, T, CTP)     // device bit map of a channel
X(ctl_channel_request_54, 0x20000054, 1, CALLER, 0, T, CUSTOM) // channel request (channel in p)
X(ctl_channel_value_50, 0x20000050, 1, FIXED, 4, T, CUSTOM)    // channel value (channel in p)
X(ctl_get_disk_ownership, 0x10010007, 1, FIXED, 16, OWNER, CUSTOM) // host drive ownership of a disk

// Enclosure and I/O processor commands.
X(ctl_get_enclosure_info, 0x20000, 1, FIXED, 51, CTRL, CP)     // enclosure processor record
X(ctl_get_enclosure_record_1, 0x20001, 1, FIXED, 10, CTRL, CP) // slot, fan, power, sensor counts
X(ctl_enclosure_query, 0x20002, 0, CALLER, 0, CTRL, CPS)       // enclosure query
X(ctl_set_enclosure_slot_map, 0x20010, 0, CALLER, 0, CTRL, CPS)    // writes a slot map
X(ctl_enclosure_cmd_11, 0x20011, 1, CALLER, 0, CTRL, CPS)      // enclosure request of the device scan
X(ctl_enclosure_cmd_12, 0x20012, 0, CALLER, 0, CTRL, CPS)      // slot map request
X(ctl_enclosure_cmd_20, 0x20020, 0, CALLER, 0, CTRL, CPS)      // enclosure configuration write
X(ctl_get_enclosure_list, 0x20021, 1, CALLER, 0, CTRL, CPS)    // enclosure list
X(ctl_get_enclosure_record_22, 0x20022, 1, FIXED, 8, CTRL, CP) // enclosure record
X(ctl_get_enclosure_record_23, 0x20023, 1, FIXED, 12, CTRL, CP)    // enclosure record
X(ctl_enclosure_cmd_24, 0x20024, 0, CALLER, 0, CTRL, CPS)      // enclosure configuration write
X(ctl_set_enclosure_byte, 0x20025, 0, FIXED, 1, CTRL, CP)      // writes one enclosure byte
X(ctl_set_controller_byte_26, 0x20026, 0, FIXED, 1, CTRL, CP)  // writes one byte
X(ctl_set_controller_byte_27, 0x20027, 0, FIXED, 1, CTRL, CP)  // writes one byte

// Keys whose direction depends on their parameter record, one line each:
//   WRITES_WHEN(key, rule)
// Rules: BYTE8_SET (byte 8, the record's write flag, is not 0); NOT_ALL_ONES
// (the record is anything but exactly the 4-byte 0xFFFFFFFF with which the
// flag is read); CODE_NOT_QUERY (byte 0, the code, is not 3, the query);
// SELECTOR_SETS (byte 8, the selector, is none of the reading selectors 0 to
// 6). A record too short to hold the field counts as writing. The rows above
// keep the flag each builder sends; these lines tell what a request of the
// key does whatever flag it carries. Only includers that define WRITES_WHEN
// see them (and they define X too, empty when they want these lines only).
#ifdef WRITES_WHEN
WRITES_WHEN(0x63, NOT_ALL_ONES)             // drive pool hot fix access flag
WRITES_WHEN(0x6E, BYTE8_SET)                // controller parameter (non-build mode)
WRITES_WHEN(0x10000009, CODE_NOT_QUERY)     // array or mirror state command; 3 asks the progress
WRITES_WHEN(0x1000000A, NOT_ALL_ONES)       // array pool hot fix access flag
WRITES_WHEN(0x1000001A, CODE_NOT_QUERY)     // build progress query or parity recalculation
WRITES_WHEN(0x1000001B, CODE_NOT_QUERY)     // rebuild progress query
WRITES_WHEN(0x1000001C, CODE_NOT_QUERY)     // parity verify start, abort or progress query
WRITES_WHEN(0x10000033, CODE_NOT_QUERY)     // build progress query of newer arrays
WRITES_WHEN(0x20002, SELECTOR_SETS)         // enclosure query; 16 and 17 set speaker and door lock
#endif
