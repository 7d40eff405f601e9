#include "firmware_update.h"

#include <cstring>
#include <string>

#include "byte_order.h"
#include "closing_scope.h"
#include "console_state.h"
#include "controller.h"
#include "controller_access.h"
#include "dialog_list.h"
#include "error_message.h"
#include "firmware_progress.h"
#include "input_box.h"
#include "message_boxes.h"
#include "message_catalog.h"

namespace {

constexpr int maxFiles = 16;
constexpr size_t boardInfoDescription = 48;   // firmware description text
constexpr size_t boardInfoDescriptionSize = 16;
constexpr size_t boardDetailsPattern = 220;   // the controller's file name pattern
constexpr size_t boardDetailsPatternSize = 16;
constexpr uint32_t flagsFirmwareUpdated = 0x04;  // bit 2 of the controller's flags word

InputDef pathInput = {1, 11, 0, "Path: ", 64};

ListDef fileList = {3, 8, 0, 1, 63, -1, " Select Firmware File ", nullptr,
                    "Name           Description                Version",
                    {"%-12s   %-15s Firmware  %2d.%02d.%02d-%c%03X", nullptr}};

// The image's 24-bit version (header bytes 28-30).
uint32_t ImageVersion(const uint8_t* header)
{
    return wire::get32(header, FWH_VERSION) & 0xFFFFFF;
}

// One list line of an image file.
void SetFileLine(CListBox& list, int line, const CController& controller, const FirmwareFile& file)
{
    const int raid = controller.RaidFirmwareMark() != 0;
    char description[boardInfoDescriptionSize + 1] = "RAID-1";
    if (raid) {
        std::memcpy(description, controller.boardInfo + boardInfoDescription, boardInfoDescriptionSize);
        description[boardInfoDescriptionSize] = '\0';
    }
    const uint8_t* h = file.header;
    unsigned revision = h[7];
    if (wire::get32(h, FWH_LEVEL) > 2)
        revision |= static_cast<unsigned>(h[FWH_REVISION_HIGH]) << 8;
    list.SetLine(line, file.name, description, h[FWH_TYPE] + raid, static_cast<int>(h[30]),
                 static_cast<int>(h[28]), raid ? 'R' : 'N', revision);
}

// Closes the image and leaves Maintenance Mode (when it was taken) under
// the M2000 wait box.
void EndFlashSession(CController& controller, FirmwareFile& file, int busy)
{
    controller.CloseFirmwareFile(file);
    ClosingScope leaving = WaitBoxScope();
    if (!busy)
        controller.LeaveMaintenanceMode();
    leaving.release();
}

// Opens and flashes the chosen image; 1 when the download succeeded.
int FlashImage(CController& controller, FirmwareFile& file)
{
    const int busy = ControllerBusy(controller);
    ShowWaitBox(MessageText("M2006"), 0);
    ClosingScope opening(CloseWaitBox);
    if (!busy && !controller.EnterMaintenanceMode()) {
        const uint32_t code = controller.error;
        opening.release();
        ShowErrorCode(code);
        EndFlashSession(controller, file, busy);
        return 0;
    }
    controller.PrepareDrivesForMaintenance();
    const int opened = controller.OpenFirmwareFile(file);
    const uint32_t openCode = controller.error;
    opening.release();
    int result = 0;
    if (!opened) {
        ShowErrorCode(openCode);
    } else if (AskYesNo(MessageText("M3017"), 1)) {
        CMirvaneFirmwareProgress progress;
        result = controller.DownloadFirmware(file, &progress);
        const uint32_t code = controller.error;
        controller.AddFlags(flagsFirmwareUpdated);
        if (!result)
            ShowErrorCode(code);
    }
    EndFlashSession(controller, file, busy);
    return result;
}

}  // namespace

std::vector<FirmwareRuleRefusal> FirmwareVersionRefusals(const CController& controller, const uint8_t* header)
{
    std::vector<FirmwareRuleRefusal> refusals;
    const uint32_t v = ImageVersion(header);
    const uint32_t own = controller.FirmwareVersion();
    const uint32_t ramMb = wire::get32(controller.boardInfo, BOARD_INFO_CACHE_SIZE) >> 20;
    const uint32_t typeWord = wire::get32(controller.boardInfo, BOARD_INFO_TYPE_WORD);
    const uint32_t revision = wire::get32(controller.boardInfo, BOARD_INFO_FW_REVISION);
    const bool clusterCapable = (controller.ClusterBits() & 0x0D) == 0x0D;
    if (!ControllerBusy(controller) && header[30] > 23 && ramMb < 8)
        refusals.push_back({"M4030", 0});
    if (own > 0x20FFFF && v < 0x210000)
        refusals.push_back({"M4055", 1});
    if (!Options().rpupgrade && v > 0x1EFFFF && typeWord < 0x25)
        refusals.push_back({"M4056", 1});
    if (controller.FirmwareLevel() < 30 && clusterCapable && v > 0x1CFFFF)
        refusals.push_back({"M4059", 1});
    if (refusals.empty() && own < 0x1F0000 && !Options().administrator && v > 0x1EFFFF && revision < 0x4A)
        refusals.push_back({"M4060", 1});
    return refusals;
}

int FirmwareUpdate(CController& controller)
{
    char dir[sizeof FirmwareFile::path] = "";
    {
        CInputBox input(&pathInput);
        if (!input.Open(nullptr, nullptr)) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 0;
        }
        input.Edit(std::span<char>(dir, static_cast<size_t>(pathInput.maxLength) + 1));
        if (input.LastKey() != tui::keyEnter || dir[0] == '\0')
            return 0;
    }

    static FirmwareFile files[maxFiles];
    for (FirmwareFile& f : files)
        f = FirmwareFile{};
    char pattern[boardDetailsPatternSize + 1] = {};
    std::memcpy(pattern, controller.boardDetails + boardDetailsPattern, boardDetailsPatternSize);
    int count = maxFiles;
    ShowWaitBox(MessageText("M2005"), 0);
    ClosingScope searching(CloseWaitBox);
    const int found = controller.FindFirmwareFiles(dir, pattern, files, &count);
    const uint32_t code = controller.error;
    searching.release();
    if (!found) {
        ShowErrorCode(code);
        return 0;
    }
    if (count == 0) {
        ShowMessage(MessageText("M5018"), 0, 1);
        return 0;
    }

    CListBox list(&fileList, count, 1);
    if (!list.IsOk() || !list.Open()) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return 0;
    }
    for (int i = 0; i < count; ++i)
        SetFileLine(list, i, controller, files[i]);
    const int chosen = list.Run(0);
    if (chosen < 0 || chosen >= count)
        return 0;
    const std::vector<FirmwareRuleRefusal> refusals = FirmwareVersionRefusals(controller, files[chosen].header);
    for (const FirmwareRuleRefusal& r : refusals)
        ShowMessage(MessageText(r.message), r.error, 1);
    if (!refusals.empty())
        return 0;

    const int result = FlashImage(controller, files[chosen]);
    if (result)
        ShowMessage(MessageText("M5062"), 0, 1);
    return result;
}
