#include "firmware_update.h"

#include "byte_order.h"
#include "controller_values.h"
#include "messages.h"
#include "tool_run.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr size_t kDirectoryMax = 65;
constexpr size_t kFileNameMax = 12;
constexpr int kSearchedFiles = 16;
constexpr size_t kBoardTextByte = 48;
constexpr uint32_t kFirmwareTouched = 0x04;
constexpr uint32_t kEightMegabytes = 8u * 1024 * 1024;

// Shows the progress of a download on the message channel.
class COstrelFirmwareProgress : public IFirmwareProgress {
public:
    void Progress(int32_t phase, int32_t percent) override
    {
        if (phase == 1) {
            if (eraseStarted == 0) {
                Emit("INFO: Starting erasing flash\n");
                eraseStarted = 1;
            }
            if (percent == 100) {
                Emit("INFO: Finished erasing flash\n");
                Emit("INFO: Downloading new firmware:      ");
            }
            return;
        }
        if (percent >= 100) {
            Emit("%c%c%c%c%c100%% \n", kBack, kBack, kBack, kBack, kBack);
            return;
        }
        static const char kSpinner[4] = {'/', '-', '\\', '|'};
        Emit("%c%c%c%c%c%2d%% %c", kBack, kBack, kBack, kBack, kBack, percent, kSpinner[spinnerStep % 4]);
        ++spinnerStep;
    }

private:
    int eraseStarted = 0;
    int spinnerStep = 0;
};

uint32_t ImageVersion(const FirmwareFile& f)
{
    return wire::get32(f.header, FWH_VERSION) & 0xFFFFFF;
}

// Lists the file; the header bytes make its version and revision.
void ListFile(const CController& c, const FirmwareFile& f)
{
    const bool raid = c.boardInfo[BOARD_INFO_RAID_MARK] != 0;
    std::string kind = "RAID-1";
    if (raid) {
        const char* text = reinterpret_cast<const char*>(c.boardInfo + kBoardTextByte);
        kind.assign(text, strnlen(text, BOARD_INFO_SIZE - kBoardTextByte));
    }
    unsigned revision = f.header[7];
    if (f.header[FWH_LEVEL] > 2)
        revision |= static_cast<unsigned>(f.header[FWH_REVISION_HIGH]) << 8;
    Emit("INFO: %-12s   %-15s %2d.%02d.%02d-%c%03X\n", f.name, kind.c_str(), f.header[FWH_TYPE] + (raid ? 1 : 0),
         f.header[30], f.header[28], raid ? 'R' : 'N', revision);
}

// True when a version rule forbids the update (each that applies is reported).
bool VersionRefused(const CController& c, const FirmwareFile& f)
{
    const uint32_t v = ImageVersion(f);
    const uint32_t current = c.FirmwareVersion();
    bool refused = false;
    if (c.flag == 0 && f.header[30] > 23 && wire::get32(c.boardInfo, BOARD_INFO_CACHE_SIZE) < kEightMegabytes) {
        Emit("ERROR: You need at least 8MB Cache-RAM on the controller\nERROR: to update to firmware version x.24 and "
             "higher !\n");
        refused = true;
    }
    if (current > 0x20FFFF && v <= 0x20FFFF) {
        Emit("ERROR: Firmware downgrade to Firmware version x.33 or less not allowed.\n.");
        refused = true;
    }
    if (v > 0x1EFFFF && wire::get32(c.boardInfo, BOARD_INFO_TYPE_WORD) <= 36) {
        Emit("ERROR: Firmware upgrade from KZM6xxxRP/RD controllers to Firmware versions > x.31 not allowed.\n");
        refused = true;
    }
    if (c.FirmwareLevel() < 30 && (c.ClusterBits() & kClusterBits) == kClusterBits && v > 0x1CFFFF) {
        Emit("ERROR: Cluster Firmware Updates to versions > x.28 are not supported \nERROR: in this utility "
             "version.Please look for an updated utility\n");
        refused = true;
    }
    if (!refused && current <= 0x1EFFFF && v > 0x1EFFFF && wire::get32(c.boardInfo, BOARD_INFO_FW_REVISION) <= 73 &&
        !g_force.remove) {
        Emit("ERROR: Firmware upgrade to versions x.33 or greater requires\nversion x.28.06-x04A or greater.\n");
        refused = true;
    }
    return refused;
}

// Opens and writes the chosen image inside Maintenance Mode; 1 or 0.
int Download(CController& c, FirmwareFile& f)
{
    Emit("INFO: Reading and checking firmware file.Please wait...\n");
    int result = 0;
    if (c.flag == 0 && c.EnterMaintenanceMode() == 0) {
        Emit("ERROR: Firmware update failed.\n");
        PrintErrorCode(c.error);
    } else {
        c.PrepareDrivesForMaintenance();
        if (c.OpenFirmwareFile(f) == 0) {
            Emit("ERROR: Firmware update failed.\n");
            PrintErrorCode(c.error);
        } else {
            Emit("INFO: DO NOT INTERRUPT THIS PROCEDURE IN ANY WAY !!!!\n");
            COstrelFirmwareProgress progress;
            result = c.DownloadFirmware(f, &progress);
            c.AddFlags(kFirmwareTouched);
            if (result == 0)
                PrintErrorCode(c.error);
        }
    }
    c.CloseFirmwareFile(f);
    c.LeaveMaintenanceMode();
    return result;
}

}  // namespace

int UpdateFirmware(CController& c, const char* path)
{
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        std::fputs("ERROR: Wrong Filename ? You have to specify full path\n", stdout);
        return 0;
    }
    const std::string directory(path, static_cast<size_t>(slash - path) + 1);
    const std::string name(slash + 1);
    if (directory.size() > kDirectoryMax) {
        std::fputs("ERROR: Path name too long. \n", stdout);
        return 0;
    }
    if (name.size() > kFileNameMax) {
        std::fputs("ERROR: File name too long. \n", stdout);
        return 0;
    }
    FirmwareFile files[kSearchedFiles];
    int count = kSearchedFiles;
    c.FindFirmwareFiles(directory.c_str(), "", files, &count);
    if (count == 0) {
        Emit("ERROR: No valid firmware file found !\n");
        return 0;
    }
    int chosen = -1;
    for (int k = 0; k < count; ++k)
        if (name == files[k].name) {
            ListFile(c, files[k]);
            chosen = k;
        }
    if (chosen < 0) {
        std::fputs("ERROR: Did not find valid firmware file. \n", stdout);
        return 0;
    }
    if (VersionRefused(c, files[chosen]))
        return 0;
    if (Download(c, files[chosen]) == 0)
        return 0;
    Emit("INFO: Firmware update completed.\n");
    Emit("INFO: You must reboot the system to activate the new firmware.\n");
    return 1;
}
