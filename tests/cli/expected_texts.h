// The texts ostrel prints, as the user sees them (program name and option
// prefix filled in).
#pragma once

#include <string>

inline const std::string kUsageText =
    "Usage: ostrel -[-]h[elp]|v[ersion]|f[orce]|q[uiet]\n"
    "|s[tatus]{[-CTR:INT][-RAID][-FW][-CACHE][-DELAYEDWRITE][-BIOS][-HDSTART][-CDBOOT]}\n"
    "|a[ssign]{-CTR:INT [-CACHE:ON|OFF][-DELAYEDWRITE:ON|OFF]\n"
    " [-HDSTART:ON|OFF][-CDBOOT:ON|OFF][-SWAPDRIVE:INT -HOSTDRIVE:INT]\n"
    " [-BIOS:ENABLE|DISABLE|REMOVE][-FW:Filename][-BOOTDRIVE:INT]}\n"
    "|c[reate]{-CTR:INT -RAID:TYPE -NAME:STRING -DISKS:CHN-ID,.. \n"
    " [-NODESTRUCT][-BLOCK]}\n"
    "|d[elete]{-CTR:INT -HOSTDRIVE:INT} \n"
    "|r[reset](-CTR:INT} \n"
    "Try \"ostrel -h\" for detailed help\n";

inline const std::string kHelpText =
    "Tarvo Integrated RAID Configuration Tool\n"
    "Usage: ostrel [OPTIONS [PARAMS] ]...\n"
    " -h            --help             : Print help and exit. Use it with s|c|d|r|a for context specific help.\n"
    " -v            --version          : Print version and exit.\n"
    " -f            --force            : Use it with care. Can be used with any option.\n"
    " -q            --quiet            : Supresses error/warning/info messages.\n"
    "RAID specific options:\n"
    "----------------------\n"
    " -s[S_PARAMS] --status[S_PARAMS]  : Display RAID subsystem status.\n"
    " -c[C_PARAMS] --create[C_PARAMS]  : Create Host Drive \n"
    " -d[D_PARAMS] --delete[D_PARAMS]  : Delete Host Drive \n"
    " -r[R_PARAMS] --reset[R_PARAMS]   : Deletes ALL  Host Drives. \n"
    " -a[A_PARAMS] --assign[A_PARAMS]  : Assign Controller properties\n"
    " For context specific help, use the -h option with any of the \n"
    " other RAID specific [s|c|d|r|a] options.\n"
    "Example: \"ostrel -h -c \" to get help about the create option\n"
    "Note   : Options and parameters are case sensitive\n"
    "\n";

inline const std::string kStatusHelpText =
    "ostrel -s[S_PARAMS]  --status[S_PARAMS] : Display RAID subsystem status.\n"
    "where S_PARAMS can be: \n"
    "   -CTR:INT          : Controller number starting from 0.\n"
    "                        Optional parameter. Default all.\n"
    "   -RAID             : [Default]Display the RAID subsystem.\n"
    "   -FW               : Display Firmware version.\n"
    "   -CACHE            : Display Controller's cache (write and read cache) settings.\n"
    "   -DELAYEDWRITE     : Display Controller's Delayed write setting.\n"
    "   -BIOS             : Display Controller's BIOS setting.\n"
    "   -HDSTART          : Display Controller's Immediate Harddisk start setting.\n"
    "   -CDBOOT           : Display Controller's CD boot setting.\n"
    "Example: \"ostrel -s\" to view the RAID subsystem, all controllers\n"
    "Example: \"ostrel -s -CTR:0 -FW\" to view the Firmware version of the first controller\n"
    "Example: \"ostrel -s -CTR:1 -CDBOOT -BIOS\" to view the BIOS and CD Boot setting of the second controller\n"
    "Note   : options and parameters are case sensitive\n"
    "\n";

inline const std::string kCreateHelpText =
    "ostrel -c[C_PARAMS] --create[C_PARAMS]  : Create Host Drive \n"
    "where C_PARAMS are: \n"
    "   -CTR:INT        : Controller number starting from 0.\n"
    "   -DISKS:TYPE-CHN-ID,TYPE-CHN-ID,......\n"
    "        Comma separated list of physical disks which participate in a Host Drive\n"
    "        TYPE        : Specifies Disk type:SCSI(default),FCAL(fibrechannel) or SATA(serial ATA)\n"
    "        CHN         : Specifies Channel, A,B,C.....\n"
    "        ID          : Disk SCSI ID 0,1,2.......15\n"
    "   -RAID:TYPE \n"
    "        TYPE        : S|C|0|1|1H|4|4H|5|5H|10|10H : specifies RAID type.\n"
    "        S: Single, C: Chaining,H: HotSpare with the corresponding RAID type\n"
    "   -NODESTRUCT \t  : Do not do destructive build.\n"
    "   -SIZE:INT       : Size of per Disk in MB to be used. Default is Max Size.\n"
    "   -NAME:STRING    : Length of STRING should not exceed 9 chars.\n"
    "   -STRIPSIZE:INT  : Strip size 16|32|64|128 in KB. Default: 128 \n"
    "   -BLOCK \t      : Block till the Host Drive build is complete.\n"
    "Example: \"ostrel -c -CTR:0 -DISKS:A-7,B-3,A-4 -RAID:1H -SIZE:1024 -NODESTRUCT\"\n"
    " to non-destructively create a RAID-1 hostdrive with hotspare using 1000 MB space\n"
    " on each of the three SCSI disks on the first controller\n"
    "Example: \"ostrel -c -CTR:1 -DISKS:FCAL-A-5,FCAL-A-2,FCAL-A-1 -RAID:5 -STRIPSIZE:64 -NAME:OSDRIVE\" \n"
    " to destructively create a RAID-5 hostdrive named \"OSDRIVE\" with 64KB stripsize using maximum capacity\n"
    " of three fibrechannel disks on the second controller\n"
    "Note   : options and parameters are case sensitive\n"
    "\n";

inline const std::string kDeleteHelpText =
    "ostrel -d[D_PARAMS] --delete[D_PARAMS]  : Delete Host Drive \n"
    "where D_PARAMS are: \n"
    "   -CTR:INT          : Controller number starting from 0.\n"
    "   -HOSTDRIVE:INT    : hostdrive number starting from 0.\n"
    "Example: \"ostrel -d -CTR:0 -HOSTDRIVE:3\" to delete hostdrive #3 on the first controller\n"
    "Example: \"ostrel -d -CTR:1 -HOSTDRIVE:0\" to delete hostdrive #0 on the second controller\n"
    "Note   : options and parameters are case sensitive\n"
    "\n";

inline const std::string kResetHelpText =
    "ostrel -r[R_PARAMS] --reset[R_PARAMS]   : Deletes all  Host Drives. \n"
    "where R_PARAMS are: \n"
    "   -CTR:INT          : Controller number starting from 0.\n"
    "Example: \"ostrel -r -CTR:1\" to reset the RAID subsystem on the second controller\n"
    "Example: \"ostrel -r -CTR:0\" to reset the RAID subsystem on the first controller\n"
    "Note   : options and parameters are case sensitive\n"
    "\n";

inline const std::string kAssignHelpText =
    "ostrel -a[A_PARAMS] --assign[A_PARAMS]  : Assign Controller properties\n"
    "where A_PARAMS can be: \n"
    "   -CTR:INT            : Controller number starting from 0.\n"
    "   -CACHE:VALUE        : Enable/disable cache setting. Value is either ON or OFF.\n"
    "   -DELAYEDWRITE:VALUE : Enable/disable Delayed Write setting. Value is either ON or OFF.\n"
    "   -BIOS:VALUE         : Enable/disable/remove BIOS setting. Value can be ENABLE|DISABLE|REMOVE.\n"
    "   -HDSTART:VALUE      : Enable/disable Immediate Harddisk start. Value is either ON or OFF.\n"
    "   -CDBOOT:VALUE       : Enable/disable CD boot setting. Value is either ON or OFF.\n"
    "   -SWAPDRIVE:INT      : Swap a Host Drive number to INT(starting from 0). Needs HOSTDRIVE parameter.\n"
    "   -HOSTDRIVE:INT      : To be used with SWAPDRIVE parameter. Host Drive number starting from 0.\n"
    "   -BOOTDRIVE:INT      : Set a existing Host Drive number (INT) as #0. On CTR #0, the Host Drive will be Boot Drive.\n"
    "   -FW:Filename        : Update the FW on the controller with the FW specified by Filename.\n"
    "\n"
    "Example: \"ostrel -a -CTR:1 -BIOS:REMOVE\" to remove the BIOS invocation during bootup on\n\tthe second controller\n"
    "Example: \"ostrel -a -CTR:0 -CDBOOT:OFF -CACHE:ON\" to disable CD boot and enable cache (read and write) on\n\tthe first controller\n"
    "Example: \"ostrel -a -CTR:0 -HOSTDRIVE:1 -SWAPDRIVE:3\" to swap Host Drive #1 with #3\n"
    "Example: \"ostrel -a -CTR:0 -BOOTDRIVE:3\" to set Host Drive #3 as #0, and if #0 exists make it #3\n"
    "Example: \"ostrel -a -CTR:0 -FW:/root/plv_rxfw.027\" to update the firmware on controller 0 using thw file /root/plv_rxfw.027\n"
    "Note   : options and parameters are case sensitive\n"
    "\n";

// The status tables' header lines.
inline const std::string kControllerHeader =
    "No.\tName\t\tPosition\tFeatures\tFirmware\n"
    "---\t----\t\t--------\t--------\t--------\n";
inline const std::string kDiskHeader =
    "Type-Chn-ID\tLUN\tUsed\t\tVendor\tModel    \tAttr\tCap.(MB)\n"
    "---- ------\t---\t----\t\t------\t-----    \t----\t--------\n";
inline const std::string kHostDriveHeader =
    "No.\tName\tStatus\tAttr.\tCap.(MB)\tType\t\tBelongs to\n"
    "---\t----\t------\t-----\t--------\t----\t\t----------\n";
inline const std::string kNoHostDrives = kHostDriveHeader + "No Host Drives\n";

// `ostrel -s` of each controller of the emulator's built-in scenario.
inline const std::string kDefaultStatus0 =
    kControllerHeader + "0\tKZM8530RZ\t\t[PCI 2/1]\tC 0 1 4 5 10 \t2.33.12-R0A1\n" + kDiskHeader +
    "SCSI-A-0\t0\tDrive 0\t\tKZM     VIRTUAL DISK A   RW      2048 \n"
    "SCSI-A-1\t0\tFree\t\tKZM     VIRTUAL DISK B   RW      2048 \n"
    "FCAL-B-1\t0\tFree\t\tKZM     VIRTUAL FC DISK  RW      4096 \n"
    "SATA-C-1\t0\tFree\t\tKZM     VIRTUAL SATA 1   RW      1024 \n" +
    kNoHostDrives;
inline const std::string kDefaultStatus1 =
    kControllerHeader + "1\tKZM6117RD\t\t[PCI 3/2]\tC 0 1 4 5 10 \t2.22.18-R030\n" + kDiskHeader +
    "SCSI-A-0\t0\tFree\t\tKZM     VIRTUAL DISK 0   RW      1024 \n"
    "SCSI-A-1\t0\tFree\t\tKZM     VIRTUAL DISK 1   RW      1024 \n" +
    kNoHostDrives;

// The lines that open a destructive build of a host drive.
inline const std::string kStart =
    "INFO: Creating Host Drive. Processing command......\nINFO: Destructive build set.\n";
inline const std::string kDestructiveArray =
    "WARNING: If you reset the system during the Destructive Build,the Array Build will restart in slower "
    "Non-destructive mode !\n";

// The last line of a refused -a.
inline const std::string kAssignFailed = "ERROR: During Controller assign operation\n";

// The five lines an old-form DISKS entry prints on standard output, once a run.
inline const std::string kDisksFormatWarning =
    "WARNING: The physical disks entry format has changed. The CHN-ID format is\n"
    "WARNING: deprecated. The new format to specify disks is TYPE:CHN:ID.\n"
    "WARNING: The exact disk format is as displayed using the status options.\n"
    "WARNING: The new format allows a mix of more than one type of disks (say SCSI\n"
    "WARNING: and Fibrechannel) to be used for one Host Drive.\n";
