// CSettingsBox: a settings screen built from a SettingsDef: a menu of fixed
// items above a scrolling list of lines, in one shadowed window. The keys
// Down and Up cross between the two parts.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dialog_records.h"
#include "roll.h"
#include "shad_window.h"
#include "str_printf.h"
#include "tag_menu.h"

// The template of lower line k among `templateCount` templates: template k
// while there is one, then the last `groupSize` templates again and again;
// -1 when none serves.
int SettingsTemplateIndex(int line, int templateCount, int groupSize);

class CSettingsBox {
public:
    // Takes the next dialog level and builds the box for `totalCount`
    // entries (fixed items + lines) at the record's position or by the
    // cascade.
    CSettingsBox(SettingsDef* def, int totalCount, int useRecordPosition);
    ~CSettingsBox();
    CSettingsBox(const CSettingsBox&) = delete;
    CSettingsBox& operator=(const CSettingsBox&) = delete;

    // Shows the frame, builds the menu (title on top) and opens the lines
    // (hint below); the record's own title and hint are not taken; 1 or 0.
    int Open(const char* title, const char* hint);
    // Runs the modal loop from `start` (a fixed item id, or fixed count +
    // line). A fixed item's id, fixed count + line, a key of `keys` (ended
    // by -1), -1 for ESC, -3 when not created.
    int Run(int start, const int* keys = nullptr, int preset = -2);
    // Formats entry `index` (fixed item, or fixed count + line) from its
    // record text or line template; 1 or 0.
    template <class... A>
    int SetLine(int index, const A&... args)
    {
        const std::array<tui::fmtArg, sizeof...(A)> list{tui::fmtArg(args)...};
        return SetLineV(index, list);
    }
    // SetLine over an argument list.
    int SetLineV(int index, std::span<const tui::fmtArg> args);
    // Keeps a copy of the text as entry `index`; 1 or 0.
    int SetLineText(int index, const char* text);
    // Fixed item index in the menu part, fixed count + line in the lines.
    int Current() const;
    // The menu's disable and enable of a fixed item.
    void DisableItem(int id);
    void EnableItem(int id);
    // Shows or hides frame, menu and lines.
    void Show();
    void Hide();
    // On menu and lines: the highlight; the frame attribute.
    void SetShowSelection(int flag);
    void SetFrameAttr(uint8_t attr);
    // 1 when everything was built.
    int IsOk() const { return ok_; }
    // The visible line count the box was fitted to.
    int VisibleLines() const { return visible_; }
    // The text of entry `index` (null: none).
    const char* EntryText(int index) const;

private:
    // Built and opened.
    bool Created() const { return ok_ && created_; }
    // Whether no selectable item follows (direction 1) or precedes (-1)
    // the menu's current one.
    bool AtMenuEnd(int direction) const;
    // Makes part 1 or 2 the active one.
    void Activate(int part);
    // The record text of entry `index`.
    const char* RecordText(int index) const;

    std::unique_ptr<tui::shadWindow> outer_;
    std::unique_ptr<tui::tagMenu> menu_;
    std::unique_ptr<tui::roll> roll_;
    SettingsDef* def_;
    std::vector<std::optional<std::string>> texts_;  // fixed items, a gap, lines
    std::vector<int> ids_;
    int fixed_ = 0;
    int total_ = 0;
    int templates_ = 0;
    int visible_ = 0;
    int height_ = 0;
    int part_ = 1;
    int ok_ = 0;
    int level_;
    bool created_ = false;
    uint8_t colors_[9];
};
