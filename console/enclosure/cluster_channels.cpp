// The " Cluster Channels " dialog: which Fibre Channel channels are
// cluster channels; afterwards every host drive's write-back caching.
#include <algorithm>

#include "console_state.h"
#include "controller.h"
#include "controller_fault_bus.h"
#include "dialog_menu.h"
#include "enclosure_screens.h"
#include "error_message.h"
#include "host_drive.h"
#include "message_boxes.h"
#include "message_catalog.h"

namespace {

constexpr int pageClusterMask = 344;

#define CLUSTER_LINE "Clustering Chn. %-6s .......... (%s)"
MenuDef clusterMenu = {5, 5, 0, " Cluster Channels ", nullptr,
                       {{CLUSTER_LINE, 0},
                        {CLUSTER_LINE, 1},
                        {CLUSTER_LINE, 2},
                        {CLUSTER_LINE, 3},
                        {CLUSTER_LINE, 4},
                        {CLUSTER_LINE, 5},
                        {nullptr, 0}}};
#undef CLUSTER_LINE
MenuDef clusterEnabledMenu = {0, 0, 0, nullptr, nullptr, {{"Disabled", 0}, {"Enabled", 1}, {nullptr, 0}}};

}  // namespace

int ClusterChannels(CController& controller)
{
    const int channels = std::clamp(static_cast<int>(controller.info.channelCount), 0, CLUSTER_CHANNELS);
    int flags[CLUSTER_CHANNELS] = {};
    for (int c = 0; c < channels; ++c)
        flags[c] = (controller.configPageA[pageClusterMask] >> c) & 1;
    int changed = 0;
    int current = 0;
    for (;;) {
        int result;
        {
            CTagMenu menu(&clusterMenu, 0, channels);
            if (!menu.IsOk()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            for (int c = 0; c < channels; ++c)
                menu.SetItemTextById(c, controller.channels[c].name, clusterEnabledMenu.items[flags[c]].text);
            if (!menu.Open()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            result = menu.Run(current);
        }
        if (result < 0 || result >= channels)
            break;
        current = result;
        if (controller.channels[result].kind == CHANNEL_KIND_FC)
            changed |= PickValue(&clusterEnabledMenu, &flags[result]);
        else
            ShowMessage(MessageText("M4062"), 1, 1);
    }
    if (!changed || !AskYesNo(MessageText("M3001"), 0))
        return 1;
    int32_t written[CLUSTER_CHANNELS] = {};
    std::copy(std::begin(flags), std::end(flags), written);
    if (controller.SetClusterChannels(written))
        ShowMessage(MessageText("M4037"), 0, 1);
    else
        ShowErrorCode(controller.error);
    for (int h = 0; h < controller.hostDrives.count; ++h) {
        CHostDrive& drive = controller.hostDrives[h];
        int clustered = 0;
        const bool known = drive.IsClusterEnabled(&clustered) != 0;
        drive.SetWriteBackCache(!known || !clustered ? 1 : 0);
    }
    controller.AddFlags(1);
    return 1;
}
