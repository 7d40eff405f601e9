#include "console_state.h"
#include "dialog_menu.h"
#include "message_boxes.h"
#include "message_catalog.h"

int PickValue(MenuDef* def, int* value)
{
    CTagMenu menu(def, 0);
    if (!menu.IsOk() || !menu.Open()) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return 0;
    }
    const int chosen = menu.Run(*value);
    if (chosen == -3) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return 0;
    }
    if (chosen < 0 || chosen == *value)
        return 0;
    *value = chosen;
    return 1;
}
