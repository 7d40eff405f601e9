#include "help_texts.h"

#include "tool_identity.h"

#include <cstdio>
#include <span>
#include <string>

namespace {

// Every help of a mode ends with this line and an empty one; the full help
// with kFullHelpNote.
constexpr const char* kModeHelpNote = "Note   : options and parameters are case sensitive\n";
constexpr const char* kFullHelpNote = "Note   : Options and parameters are case sensitive\n";

// In the lines "%s" stands for the program name (or the subject given) and
// "%c" for the option prefix.
// The short usage, after a rejected command line or without arguments.
constexpr const char* kShortUsage[] = {
    "Usage: %s -[-]h[elp]|v[ersion]|f[orce]|q[uiet]\n",
    "|s[tatus]{[-CTR:INT][-RAID][-FW][-CACHE][-DELAYEDWRITE][-BIOS][-HDSTART][-CDBOOT]}\n",
    "|a[ssign]{-CTR:INT [-CACHE:ON|OFF][-DELAYEDWRITE:ON|OFF]\n",
    " [-HDSTART:ON|OFF][-CDBOOT:ON|OFF][-SWAPDRIVE:INT -HOSTDRIVE:INT]\n",
    " [-BIOS:ENABLE|DISABLE|REMOVE][-FW:Filename][-BOOTDRIVE:INT]}\n",
    "|c[reate]{-CTR:INT -RAID:TYPE -NAME:STRING -DISKS:CHN-ID,.. \n",
    " [-NODESTRUCT][-BLOCK]}\n",
    "|d[elete]{-CTR:INT -HOSTDRIVE:INT} \n",
    "|r[reset](-CTR:INT} \n",
    "Try \"%s -h\" for detailed help\n",
};

// The full help; "%s" in its first line is the product title.
constexpr const char* kFullHelp[] = {
    "%s RAID Configuration Tool\n",
    "Usage: %s [OPTIONS [PARAMS] ]...\n",
    " -h            --help             : Print help and exit. Use it with s|c|d|r|a for context specific help.\n",
    " -v            --version          : Print version and exit.\n",
    " -f            --force            : Use it with care. Can be used with any option.\n",
    " -q            --quiet            : Supresses error/warning/info messages.\n",
    "RAID specific options:\n",
    "----------------------\n",
    " -s[S_PARAMS] --status[S_PARAMS]  : Display RAID subsystem status.\n",
    " -c[C_PARAMS] --create[C_PARAMS]  : Create Host Drive \n",
    " -d[D_PARAMS] --delete[D_PARAMS]  : Delete Host Drive \n",
    " -r[R_PARAMS] --reset[R_PARAMS]   : Deletes ALL  Host Drives. \n",
    " -a[A_PARAMS] --assign[A_PARAMS]  : Assign Controller properties\n",
    " For context specific help, use the %ch option with any of the \n",
    " other RAID specific [s|c|d|r|a] options.\n",
    "Example: \"%s %ch %cc \" to get help about the create option\n",
    kFullHelpNote,
    "\n",
};

// Help of -s.
constexpr const char* kStatusHelp[] = {
    "%s -s[S_PARAMS]  --status[S_PARAMS] : Display RAID subsystem status.\n",
    "where S_PARAMS can be: \n",
    "   %cCTR:INT          : Controller number starting from 0.\n",
    "                        Optional parameter. Default all.\n",
    "   %cRAID             : [Default]Display the RAID subsystem.\n",
    "   %cFW               : Display Firmware version.\n",
    "   %cCACHE            : Display Controller's cache (write and read cache) settings.\n",
    "   %cDELAYEDWRITE     : Display Controller's Delayed write setting.\n",
    "   %cBIOS             : Display Controller's BIOS setting.\n",
    "   %cHDSTART          : Display Controller's Immediate Harddisk start setting.\n",
    "   %cCDBOOT           : Display Controller's CD boot setting.\n",
    "Example: \"%s %cs\" to view the RAID subsystem, all controllers\n",
    "Example: \"%s %cs %cCTR:0 %cFW\" to view the Firmware version of the first controller\n",
    "Example: \"%s %cs %cCTR:1 %cCDBOOT %cBIOS\" to view the BIOS and CD Boot setting of the second controller\n",
    kModeHelpNote,
    "\n",
};

// Help of -c.
constexpr const char* kCreateHelp[] = {
    "%s -c[C_PARAMS] --create[C_PARAMS]  : Create Host Drive \n",
    "where C_PARAMS are: \n",
    "   %cCTR:INT        : Controller number starting from 0.\n",
    "   %cDISKS:TYPE-CHN-ID,TYPE-CHN-ID,......\n",
    "        Comma separated list of physical disks which participate in a Host Drive\n",
    "        TYPE        : Specifies Disk type:SCSI(default),FCAL(fibrechannel) or SATA(serial ATA)\n",
    "        CHN         : Specifies Channel, A,B,C.....\n",
    "        ID          : Disk SCSI ID 0,1,2.......15\n",
    "   %cRAID:TYPE \n",
    "        TYPE        : S|C|0|1|1H|4|4H|5|5H|10|10H : specifies RAID type.\n",
    "        S: Single, C: Chaining,H: HotSpare with the corresponding RAID type\n",
    "   %cNODESTRUCT \t  : Do not do destructive build.\n",
    "   %cSIZE:INT       : Size of per Disk in MB to be used. Default is Max Size.\n",
    "   %cNAME:STRING    : Length of STRING should not exceed 9 chars.\n",
    "   %cSTRIPSIZE:INT  : Strip size 16|32|64|128 in KB. Default: 128 \n",
    "   %cBLOCK \t      : Block till the Host Drive build is complete.\n",
    "Example: \"%s %cc %cCTR:0 %cDISKS:A-7,B-3,A-4 %cRAID:1H %cSIZE:1024 %cNODESTRUCT\"\n",
    " to non-destructively create a RAID-1 hostdrive with hotspare using 1000 MB space\n",
    " on each of the three SCSI disks on the first controller\n",
    "Example: \"%s %cc %cCTR:1 %cDISKS:FCAL-A-5,FCAL-A-2,FCAL-A-1 %cRAID:5 %cSTRIPSIZE:64 %cNAME:OSDRIVE\" \n",
    " to destructively create a RAID-5 hostdrive named \"OSDRIVE\" with 64KB stripsize using maximum capacity\n",
    " of three fibrechannel disks on the second controller\n",
    kModeHelpNote,
    "\n",
};

// Help of -d.
constexpr const char* kDeleteHelp[] = {
    "%s -d[D_PARAMS] --delete[D_PARAMS]  : Delete Host Drive \n",
    "where D_PARAMS are: \n",
    "   %cCTR:INT          : Controller number starting from 0.\n",
    "   %cHOSTDRIVE:INT    : hostdrive number starting from 0.\n",
    "Example: \"%s %cd %cCTR:0 %cHOSTDRIVE:3\" to delete hostdrive #3 on the first controller\n",
    "Example: \"%s %cd %cCTR:1 %cHOSTDRIVE:0\" to delete hostdrive #0 on the second controller\n",
    kModeHelpNote,
    "\n",
};

// Help of -r.
constexpr const char* kResetHelp[] = {
    "%s -r[R_PARAMS] --reset[R_PARAMS]   : Deletes all  Host Drives. \n",
    "where R_PARAMS are: \n",
    "   %cCTR:INT          : Controller number starting from 0.\n",
    "Example: \"%s %cr %cCTR:1\" to reset the RAID subsystem on the second controller\n",
    "Example: \"%s %cr %cCTR:0\" to reset the RAID subsystem on the first controller\n",
    kModeHelpNote,
    "\n",
};

// Help of -a.
constexpr const char* kAssignHelp[] = {
    "%s -a[A_PARAMS] --assign[A_PARAMS]  : Assign Controller properties\n",
    "where A_PARAMS can be: \n",
    "   %cCTR:INT            : Controller number starting from 0.\n",
    "   %cCACHE:VALUE        : Enable/disable cache setting. Value is either ON or OFF.\n",
    "   %cDELAYEDWRITE:VALUE : Enable/disable Delayed Write setting. Value is either ON or OFF.\n",
    "   %cBIOS:VALUE         : Enable/disable/remove BIOS setting. Value can be ENABLE|DISABLE|REMOVE.\n",
    "   %cHDSTART:VALUE      : Enable/disable Immediate Harddisk start. Value is either ON or OFF.\n",
    "   %cCDBOOT:VALUE       : Enable/disable CD boot setting. Value is either ON or OFF.\n",
    "   %cSWAPDRIVE:INT      : Swap a Host Drive number to INT(starting from 0). Needs HOSTDRIVE parameter.\n",
    "   %cHOSTDRIVE:INT      : To be used with SWAPDRIVE parameter. Host Drive number starting from 0.\n",
    "   %cBOOTDRIVE:INT      : Set a existing Host Drive number (INT) as #0. On CTR #0, the Host Drive will be Boot Drive.\n",
    "   %cFW:Filename        : Update the FW on the controller with the FW specified by Filename.\n",
    "\n",
    "Example: \"%s %ca %cCTR:1 %cBIOS:REMOVE\" to remove the BIOS invocation during bootup on\n\tthe second controller\n",
    "Example: \"%s %ca %cCTR:0 %cCDBOOT:OFF %cCACHE:ON\" to disable CD boot and enable cache (read and write) on\n\tthe first controller\n",
    "Example: \"%s %ca %cCTR:0 %cHOSTDRIVE:1 %cSWAPDRIVE:3\" to swap Host Drive #1 with #3\n",
    "Example: \"%s %ca %cCTR:0 %cBOOTDRIVE:3\" to set Host Drive #3 as #0, and if #0 exists make it #3\n",
    "Example: \"%s %ca %cCTR:0 %cFW:/root/plv_rxfw.027\" to update the firmware on controller 0 using thw file /root/plv_rxfw.027\n",
    kModeHelpNote,
    "\n",
};
// Prints one line with its "%s" and "%c" filled in, in one output call.
void PrintLine(const char* line, const char* subject)
{
    std::string text;
    for (const char* p = line; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            text += subject;
            ++p;
        } else if (p[0] == '%' && p[1] == 'c') {
            text += OPTION_PREFIX;
            ++p;
        } else {
            text += *p;
        }
    }
    std::fputs(text.c_str(), stdout);
}

// Prints a text line by line; the first line's "%s" may name another subject.
void PrintText(std::span<const char* const> lines, const char* firstSubject = PROGRAM_NAME)
{
    for (size_t i = 0; i < lines.size(); ++i)
        PrintLine(lines[i], i == 0 ? firstSubject : PROGRAM_NAME);
}

}  // namespace

void PrintShortUsage()
{
    PrintText(kShortUsage);
}

void PrintHelp()
{
    PrintText(kFullHelp, PRODUCT_TITLE);
}

void PrintStatusHelp()
{
    PrintText(kStatusHelp);
}

void PrintCreateHelp()
{
    PrintText(kCreateHelp);
}

void PrintDeleteHelp()
{
    PrintText(kDeleteHelp);
}

void PrintResetHelp()
{
    PrintText(kResetHelp);
}

void PrintAssignHelp()
{
    PrintText(kAssignHelp);
}
