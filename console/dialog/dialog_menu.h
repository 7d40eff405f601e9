// CTagMenu: a menu dialog built from a MenuDef.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dialog_records.h"
#include "str_printf.h"
#include "tag_menu.h"

class CTagMenu {
public:
    // Takes the next dialog level and builds the menu at the record's
    // position (`useRecordPosition`) or by the cascade. `itemCount` (-1:
    // the record's) may shorten the menu; with `singleFormat` every item
    // is made from item 0's text and the ids are 0, 1, 2, ...
    CTagMenu(MenuDef* def, int useRecordPosition, int itemCount = -1, int singleFormat = 0);
    virtual ~CTagMenu();
    CTagMenu(const CTagMenu&) = delete;
    CTagMenu& operator=(const CTagMenu&) = delete;

    // Fits the menu on the screen and creates it; title and hint null take
    // the record's; 1 or 0.
    int Open(const char* title = nullptr, const char* hint = nullptr);
    // Runs the modal loop from the item with `startId`; see DialogKeyLoop.
    // An item id, a key of `keys` (ended by -1), -1 for ESC, -3 when the
    // menu was not created or cannot be shown.
    int Run(int startId, const int* keys = nullptr, int* keyOut = nullptr, int preset = -2);
    // Formats item `index`'s record text (item 0's with the single-format
    // flag) as its text; 1 or 0.
    template <class... A>
    int SetItemText(int index, const A&... args)
    {
        const std::array<tui::fmtArg, sizeof...(A)> list{tui::fmtArg(args)...};
        return SetItemTextV(index, list);
    }
    // The same for the first item with the id.
    template <class... A>
    int SetItemTextById(int id, const A&... args)
    {
        const std::array<tui::fmtArg, sizeof...(A)> list{tui::fmtArg(args)...};
        return SetItemTextV(IndexOfId(id), list);
    }
    // SetItemText over an argument list.
    int SetItemTextV(int index, std::span<const tui::fmtArg> args);
    // The menu's disable, enable, hide and show of the item with the id.
    void DisableItem(int id);
    void EnableItem(int id);
    void HideItem(int id);
    void ShowItem(int id);
    // The current item's position (0 when not created).
    int CurrentItem() const;
    // Shows at the current item; hides.
    void Show();
    void Hide();
    // Whether the current item is highlighted; the frame's attribute.
    void SetShowSelection(int flag);
    void SetFrameAttr(uint8_t attr);
    // Frame attribute of a dialog out of its key loop.
    uint8_t InactiveFrameAttr() const { return colors_[8]; }
    // 1 when everything was built.
    int IsOk() const { return ok_; }
    // The underlying menu (null when not built).
    tui::tagMenu* Menu() const { return menu_.get(); }

private:
    // The first item with the id; -1 for none.
    int IndexOfId(int id) const;
    // Built and opened.
    bool Created() const { return ok_ && created_; }

    std::unique_ptr<tui::tagMenu> menu_;
    MenuDef* def_;
    std::vector<std::string> texts_;
    std::vector<int> ids_;
    int count_ = 0;
    int ok_ = 0;
    int singleFormat_;
    int level_;
    bool created_ = false;
    uint8_t colors_[9];
};

// Disables every item of `ids` in the menu.
void DisableAll(CTagMenu& menu, std::initializer_list<int> ids);
