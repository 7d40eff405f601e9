#include "tag_menu.h"

#include "console.h"

namespace tui {

int tagMenu::create(const char* const* items, const int* ids, const char* topTitle, const char* bottomTitle)
{
    if (!menu::create(items, topTitle, bottomTitle))
        return 0;
    ids_.assign(count(), -1);
    if (ids)
        for (int i = 0; i < count(); ++i)
            ids_[i] = ids[i];
    enabled_.assign(count(), 1);
    shown_.assign(count(), 1);
    return 1;
}

uint8_t tagMenu::itemAttribute(int index) const
{
    if (!items_[index].separator && !enabled_[index])
        return style_.disabledAttr;
    return menu::itemAttribute(index);
}

int tagMenu::isSelectable(int index) const
{
    return menu::isSelectable(index) && enabled_[index];
}

int tagMenu::isShown(int index) const
{
    return menu::isShown(index) && shown_[index] == 1;
}

int tagMenu::indexOf(int id, int includeHidden) const
{
    for (int i = 0; i < count(); ++i)
        if (ids_[i] == id && (includeHidden || shown_[i] == 1))
            return i;
    return -1;
}

int tagMenu::showAt(int id)
{
    return menu::show(indexOf(id, 0));
}

int tagMenu::toId(int result) const
{
    return result >= 0 && result < count() ? ids_[result] : result;
}

int tagMenu::key(int code)
{
    return toId(menu::key(code));
}

int tagMenu::run(int startId)
{
    return toId(menu::run(indexOf(startId, 0)));
}

int tagMenu::isEnabled(int id) const
{
    int i = indexOf(id, 0);
    return i >= 0 && !items_[i].separator ? enabled_[i] : 0;
}

void tagMenu::disable(int id)
{
    int i = indexOf(id, 0);
    if (i < 0 || items_[i].separator)
        return;
    enabled_[i] = 0;
    dirty_ = 1;
    select(current_, 1);
}

void tagMenu::enable(int id)
{
    for (int i = 0; i < count(); ++i)
        if (ids_[i] == id && !items_[i].separator) {
            enabled_[i] = 1;
            dirty_ = 1;
            return;
        }
}

void tagMenu::fitRows()
{
    if (!win_)
        return;
    int rows = hasFrame(style_.frameStyle) ? 2 : 0;
    for (int i = 0; i < count(); ++i)
        rows += shown_[i] == 1;
    win_->resize(win_->cellsWidth(), rows);
}

void tagMenu::hideItem(int id)
{
    int i = indexOf(id, 0);
    if (i < 0 || items_[i].separator)
        return;
    shown_[i] = 0;
    enabled_[i] = 0;
    dirty_ = 1;
    fitRows();
    select(current_, 1);
    if (isVisible())
        paint();  // the resized window gets its items and titles back at once
}

void tagMenu::showItem(int id)
{
    for (int i = 0; i < count(); ++i)
        if (ids_[i] == id && shown_[i] == 0 && !items_[i].separator) {
            shown_[i] = 1;
            enabled_[i] = 1;
            dirty_ = 1;
            fitRows();
            if (isVisible())
                paint();
            return;
        }
}

}  // namespace tui
