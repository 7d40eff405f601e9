// OptionsRecord: everything one command line asks of the tool, with the
// defaults that main starts from.
#pragma once

#include <cstddef>
#include <string>

constexpr size_t OPTION_NAME_MAX_CHARS = 9;

// RAID type codes of the RAID word.
enum RaidTypeCode {
    RAID_CODE_SINGLE = 0,
    RAID_CODE_CHAINING = 1,
    RAID_CODE_RAID0 = 2,
    RAID_CODE_RAID1 = 3,
    RAID_CODE_RAID1_HOTSPARE = 4,
    RAID_CODE_RAID4 = 5,
    RAID_CODE_RAID4_HOTSPARE = 6,
    RAID_CODE_RAID5 = 7,
    RAID_CODE_RAID5_HOTSPARE = 8,
    RAID_CODE_RAID10 = 9,
    RAID_CODE_RAID10_HOTSPARE = 10,
};

struct OptionsRecord {
    int error = 1;       // 1: the command line is not acceptable (no option read yet, or a malformed one)
    int quiet = 0;       // -q
    int force = 0;       // -f
    int reset = 0;       // -r
    int version = 0;     // -v
    int extended = 0;    // -x: with -v also the module version records
    int help = 0;        // -h, -?
    int CTR = -1;        // controller index; -1: not given
    int status = 0;      // -s
    int create = 0;      // -c
    int SIZE = 0;        // MB per disk; 0: whole capacity; -1: invalid value given
    int NODESTRUCT = 0;  // build without destroying the disks' data
    int deleteDrive = 0; // -d
    int HOSTDRIVE = -1;  // host drive number
    int nameGiven = 0;   // NAME was given
    char NAME[OPTION_NAME_MAX_CHARS + 1] = {};
    std::string DISKS;   // the DISKS value; empty: not given
    int STRIPSIZE = 128; // stripe size in 512-byte sectors
    int RAID = -1;       // RaidTypeCode; -1: not given
    int assign = 0;      // -a
    int showRAID = 0;    // status shows the tables also when settings are asked for
    int showFW = 0;      // status shows the firmware version
    int CACHE = -1;      // -1 not given; with -a 1 ON / 0 OFF; with -s 1 = show
    int DELAYEDWRITE = -1;
    int CDBOOT = -1;
    int BIOS = -1;       // -1 not given; with -a 1 ENABLE, 3 DISABLE, 0 REMOVE; with -s 1 = show
    int HDSTART = -1;
    int BLOCK = -1;      // 1: wait until the new host drive is built
    int SWAPDRIVE = -1;  // new number for HOSTDRIVE
    int BOOTDRIVE = -1;  // host drive to make number 0
    int fwUpdate = -1;   // 1: a firmware file was given
    std::string fwFile;  // the firmware file path
};
