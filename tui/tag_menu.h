// A menu whose items carry a caller's id and can be disabled or hidden.
#pragma once

#include <vector>

#include "menu.h"

namespace tui {

class tagMenu : public menu {
public:
    using menu::menu;
    using menu::show;

    // Builds the items and keeps a copy of their ids (one per item); 1 or 0.
    int create(const char* const* items, const int* ids, const char* topTitle, const char* bottomTitle);
    // The first item with the id (hidden ones only when asked); -1 for none.
    int indexOf(int id, int includeHidden) const;
    // Shows at the current item.
    int show() { return menu::show(current_); }
    // Shows at the item with the id (item 0 when none has it).
    int showAt(int id);
    // Interprets a key: an item id, -1 for ESC, -2 when undecided.
    int key(int code);
    // Shows at the item with the id and runs the key loop.
    int run(int startId);
    // Whether the shown item with the id may be chosen.
    int isEnabled(int id) const;
    // Greys out a shown item; the selection leaves it.
    void disable(int id);
    // Makes an item selectable again.
    void enable(int id);
    // Takes a shown item out of the menu; the window shrinks by a row.
    void hideItem(int id);
    // Puts a hidden item back; the window grows by a row.
    void showItem(int id);

protected:
    uint8_t itemAttribute(int index) const override;
    int isSelectable(int index) const override;
    int isShown(int index) const override;

private:
    // Maps an item index result to its id.
    int toId(int result) const;
    // Gives the window one row per shown item (one less or more than before).
    void fitRows();

    std::vector<int> ids_;
    std::vector<int> enabled_;
    std::vector<int> shown_;
};

}  // namespace tui
