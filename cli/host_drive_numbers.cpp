#include "host_drive_numbers.h"

#include "controller_values.h"
#include "host_drive_lookup.h"
#include "messages.h"
#include "tool_run.h"

namespace {

// 0 when the host drive's number may be changed, else 1 after a message.
int CheckHostDriveAccess(const CController& c, const CHostDrive& drive)
{
    const ClusterInfo& cluster = *drive.GetCluster();
    if (cluster.type == 2 && cluster.owner != 0)
        Emit("WARNING: The selected Host Drive is a Private Drive of the controller\nwith the serial number 0x%08lX !!\n",
             static_cast<unsigned long>(cluster.owner));
    if (cluster.type == 1 && cluster.owner != 0) {
        Emit("WARNING: The selected Host Drive is a Private Drive of the controller\nwith the serial number 0x%08lX !\n",
             static_cast<unsigned long>(cluster.owner));
        return 1;
    }
    if (drive.carrierIndex == -1) {
        Emit("ERROR:Host Drive Information not available.\n");
        return 1;
    }
    if (c.FirmwareLevel() >= 30 && cluster.type == 1 && cluster.hasAccess == 0) {
        Emit("ERROR: Currently another cluster node has configuration access\nto this Drive. This node is not allowed "
             "to change the\nDrive configuration.\n");
        return 1;
    }
    if (c.FirmwareLevel() >= 30 && cluster.shared != 0) {
        Emit("ERROR: More than one Controller is accessing the Drive,\nSetting cannot be changed.\n");
        return 1;
    }
    return 0;
}

int SetHostDriveNumber(CController& c, int number, int newNumber)
{
    Emit("WARNING:Swapping Host Drive Numbers may leave your system in a\ndefective state, especially, if the boot "
         "drive position is being changed!\n");
    const int highest = c.FirmwareLevel() < 25 ? 34 : 254;
    if (newNumber > highest) {
        Emit("ERROR: Invalid Swap Drive number specified.\n");
        return 1;
    }
    if (newNumber == -1)
        return 0;
    if (c.EnterDriveMaintenance(-1) == 0) {
        Emit("ERROR: Could not enter Maintenance Mode.\n");
        Emit("ERROR: Possibly there is another setup application running.\n");
        return 1;
    }
    const int swapped = c.hostDrives[c.FindHostDrive(number)].SwapNumbers(newNumber, 1);
    const int left = c.FindHostDrive(swapped ? newNumber : number);
    const uint32_t code = left >= 0 ? c.hostDrives[left].error : c.error;
    c.AddFlags(kConfigChanged);
    c.LeaveDriveMaintenance(-1);
    if (swapped == 0) {
        PrintErrorCode(code);
        return 1;
    }
    return 0;
}

}  // namespace

int SwapHostDrive(CController& c, int number, int newNumber)
{
    const int h = FindHostDrive(c, number);
    if (h < 0) {
        Emit("ERROR: Specified Hostdrive #%d not found.\n", number);
        return -1;
    }
    if (CheckHostDriveAccess(c, c.hostDrives[h]) != 0) {
        Emit("ERROR: Cannot perform operations on the specified Host Drive\n");
        return -1;
    }
    if (SetHostDriveNumber(c, number, newNumber) != 0) {
        Emit("ERROR: Could not change Host Drive number. \n");
        return -1;
    }
    Emit("INFO: Host Drive #%d set to #%d.\n", number, newNumber);
    return 0;
}

int SetBootDrive(CController& c, int controllerIndex, int number)
{
    if (controllerIndex != 0) {
        Emit("ERROR: Specified controller is not the first one on this system\n");
        Emit("WARNING: Setting Host Drive #%d to 0 will not make it a Boot drive\n", number);
        Emit("INFO: Only Host Drive #0 on CTR #0 is a Boot Drive\n");
        if (!g_force.bootDrive) {
            Emit("INFO: Use FORCE with BOOTDRIVE or SWAP option to change Host Drive #%d to 0.\n", number);
            return -1;
        }
    }
    if (SwapHostDrive(c, number, 0) != 0) {
        Emit("ERROR: Could not set Host Drive #%d as Boot drive.\n", number);
        return -1;
    }
    Emit("INFO: Host Drive #%d set as Boot drive.\n", number);
    return 0;
}
