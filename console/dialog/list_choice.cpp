#include "list_choice.h"

#include "dialog_list.h"
#include "message_boxes.h"
#include "message_catalog.h"

int OpenList(CListBox& list, const char* title, const char* hint)
{
    if (list.IsOk() && list.Open(title, hint))
        return 1;
    ShowMessage(MessageText("M4000"), 0, 1);
    return 0;
}

int RunList(CListBox& list, int line, const int* keys, int* key)
{
    const int result = list.Run(line, keys, key);
    if (result == -3)
        ShowMessage(MessageText("M4000"), 0, 1);
    return result;
}
