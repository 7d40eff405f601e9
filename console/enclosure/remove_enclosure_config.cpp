// The " Remove Configuration " menu: removes the SAF-TE or the
// non-intelligent enclosure configurations of the controller.
#include "controller.h"
#include "dialog_menu.h"
#include "enclosure_screens.h"
#include "message_boxes.h"
#include "message_catalog.h"

namespace {

MenuDef removeMenu = {50, 10, 0, " Remove Configuration ", nullptr,
                      {{"&SAF-TE Configuration", 0}, {"&Non-Intell. Enclosure Configuration", 1}, {nullptr, 0}}};

}  // namespace

int RemoveEnclosureConfig(CController& controller)
{
    int result;
    {
        CTagMenu menu(&removeMenu, 0);
        if (!menu.IsOk() || !menu.Open()) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 1;
        }
        result = menu.Run(0);
    }
    if (result < 0 || result > 1 || !AskYesNo(MessageText("M3080"), 1))
        return 1;
    controller.RemoveEnclosureConfigs(result + 1);
    return 1;
}
