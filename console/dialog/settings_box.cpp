#include "settings_box.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dialog_cascade.h"
#include "dialog_colors.h"
#include "dialog_keys.h"
#include "dialog_records.h"
#include "dialog_screen.h"

namespace {

// Blanks after a menu text so that it shows `width` characters ('&' marks
// take no room, "&&" shows one).
std::string padToWidth(const std::string& text, int width)
{
    int shown = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&')
            ++shown;
        else if (i + 1 < text.size() && text[i + 1] == '&')
            ++shown, ++i;
    }
    return text + std::string(static_cast<size_t>(std::max(0, width - shown)), ' ');
}
}  // namespace

int SettingsTemplateIndex(int line, int templateCount, int groupSize)
{
    if (line < 0)
        return -1;
    if (line < templateCount)
        return line;
    if (groupSize <= 0 || groupSize > templateCount)
        return -1;
    return templateCount + (line - templateCount) % groupSize - groupSize;
}

CSettingsBox::CSettingsBox(SettingsDef* def, int totalCount, int useRecordPosition) : def_(def)
{
    ++Cascade().settingsLevel;
    level_ = EnterDialogLevel();
    std::memcpy(colors_, ColorSet(def ? def->scheme : 0), sizeof colors_);
    if (!def || !DialogLevelUsable(level_))
        return;
    int items = 0;
    while (items < settingsDefItems && def->items[items].text)
        ++items;
    fixed_ = std::clamp(def->fixedCount, 0, items);
    templates_ = items - fixed_;
    total_ = std::max(totalCount, fixed_);

    visible_ = def->visible;
    if (visible_ == -1 || total_ < visible_)
        visible_ = total_ - fixed_;

    DialogCascade& c = Cascade();
    const int width = DialogScreenWidth();
    const int height = DialogScreenHeight();
    if (useRecordPosition) {
        c.x[level_] = def->x;
        c.y[level_] = def->y;
    } else {
        CascadePosition(level_);
        if (def->width + c.x[level_] + 2 >= width)
            c.x[level_] = 1;
        if (visible_ + fixed_ + 3 + c.y[level_] >= height) {
            c.y[level_] = 4;
            if (height - (visible_ + fixed_ + 3) <= 4) {
                const int room = std::max(0, height - fixed_ - 8);
                // Whole groups only; without groups as many lines as fit.
                visible_ = def->groupSize > 0 ? room / def->groupSize * def->groupSize : room;
            }
        }
    }
    visible_ = std::clamp(visible_, 0, total_ - fixed_);
    height_ = visible_ > 0 ? visible_ + fixed_ + 3 : fixed_ + 2;

    const tui::frameSpec outerFrame{0, colors_[colorFrame], colors_[colorFill], colors_[colorText], ' '};
    tui::menuStyle menuLooks;
    menuLooks.frameStyle = 4;
    menuLooks.frameAttr = colors_[colorFrame];
    menuLooks.fillAttr = colors_[colorFill];
    menuLooks.textAttr = colors_[colorText];
    menuLooks.selectedAttr = colors_[colorSelected];
    menuLooks.hotKeyAttr = colors_[colorHotKey];
    menuLooks.disabledAttr = colors_[colorDisabled];
    menuLooks.shadow = 0;
    tui::rollStyle rollLooks;
    static_cast<tui::boxStyle&>(rollLooks) = menuLooks;
    rollLooks.width = def->width;
    rollLooks.visible = std::max(1, visible_);
    try {
        outer_ = std::make_unique<tui::shadWindow>(tui::rect(c.x[level_], c.y[level_], def->width + 2, height_),
                                                   &outerFrame, DialogRoot());
        menu_ = std::make_unique<tui::tagMenu>(tui::point(0, 0), &menuLooks, outer_.get());
        if (visible_ > 0)
            roll_ = std::make_unique<tui::roll>(tui::point(0, fixed_ + 1), &rollLooks, outer_.get());
        texts_.resize(static_cast<size_t>(total_) + 1);
        for (int i = 0; i < fixed_; ++i) {
            texts_[i] = def->items[i].text;
            ids_.push_back(def->items[i].id);
        }
        for (int k = 0; k < total_ - fixed_; ++k) {
            const char* text = RecordText(fixed_ + k);
            if (text)
                texts_[fixed_ + 1 + k] = text;
        }
    } catch (const std::bad_alloc&) {
        return;
    }
    ok_ = 1;
}

CSettingsBox::~CSettingsBox()
{
    roll_.reset();
    menu_.reset();
    outer_.reset();
    LeaveDialogLevel();
    if (Cascade().settingsLevel > 0)
        --Cascade().settingsLevel;
}

const char* CSettingsBox::RecordText(int index) const
{
    if (index < fixed_)
        return def_->items[index].text;
    const int t = SettingsTemplateIndex(index - fixed_, templates_, def_->groupSize);
    return t < 0 ? nullptr : def_->items[fixed_ + t].text;
}

const char* CSettingsBox::EntryText(int index) const
{
    const int slot = index < fixed_ ? index : index + 1;
    if (index < 0 || index >= total_ || !texts_[slot])
        return nullptr;
    return texts_[slot]->c_str();
}

int CSettingsBox::Open(const char* title, const char* hint)
{
    if (!ok_)
        return 0;
    outer_->setAutoRefresh(0);
    if (!outer_->show())
        return 0;
    std::vector<std::string> padded;
    std::vector<const char*> items;
    for (int i = 0; i < fixed_; ++i)
        padded.push_back(padToWidth(*texts_[i], def_->width));
    for (const std::string& text : padded)
        items.push_back(text.c_str());
    items.push_back(nullptr);
    created_ = menu_->create(items.data(), ids_.data(), title, nullptr) == 1;
    if (created_ && roll_)
        created_ = roll_->open(total_ - fixed_, [this](int line) { return EntryText(fixed_ + line); }, nullptr,
                               hint) == 1;
    return created_ ? 1 : 0;
}

bool CSettingsBox::AtMenuEnd(int direction) const
{
    for (int i = menu_->current() + direction; i >= 0 && i < fixed_; i += direction)
        if (ids_[i] != -1 && menu_->isEnabled(ids_[i]))
            return false;
    return true;
}

void CSettingsBox::Activate(int part)
{
    part_ = part;
    menu_->setShowSelection(part == 1);
    if (roll_)
        roll_->setShowSelection(part == 2);
    menu_->paint();
    if (roll_)
        roll_->paint();
}

int CSettingsBox::Run(int start, const int* keys, int preset)
{
    if (!Created())
        return -3;
    const bool inLines = start >= fixed_ && roll_;
    if (!menu_->showAt(inLines ? fixed_ - 1 : start))
        return -3;
    if (roll_ && !roll_->showAt(inLines ? start - fixed_ : 0))
        return -3;
    SetRootAutoRefresh(1);
    outer_->setAutoRefresh(1);
    Activate(inLines ? 2 : 1);

    int result;
    for (;;) {
        if (part_ == 1)
            menu_->paint();
        else
            roll_->paint();
        if (preset != -2) {
            result = preset;
            break;
        }
        int key = tui::readKey();
        if (MatchKeyList(keys, key)) {
            result = key;
            break;
        }
        if (part_ == 1) {
            if (key == tui::keyDown && AtMenuEnd(1)) {
                if (def_->groupSize != 0 && roll_) {
                    roll_->setCurrent(0);
                    Activate(2);
                }
                continue;
            }
            if (key == tui::keyUp && AtMenuEnd(-1))
                continue;
            result = menu_->key(key);
            if (result != -2) {
                if (result >= 0)
                    StoreSelection(level_, menu_->current() + 1);
                break;
            }
        } else {
            if (key == tui::keyUp && roll_->current() == 0) {
                Activate(1);
                continue;
            }
            result = roll_->key(key);
            if (result != -2) {
                if (result >= 0) {
                    StoreSelection(level_, result + 2);
                    result += fixed_;
                }
                break;
            }
        }
    }
    SetRootAutoRefresh(0);
    outer_->setAutoRefresh(0);
    outer_->setFrameAttr(colors_[colorInactiveFrame]);
    return result;
}

int CSettingsBox::SetLineV(int index, std::span<const tui::fmtArg> args)
{
    if (!ok_ || index < 0 || index >= total_)
        return 0;
    const char* format = RecordText(index);
    if (!format)
        return 0;
    char buffer[formatBufferSize];
    tui::strVPrintf(buffer, format, args);
    return SetLineText(index, buffer);
}

int CSettingsBox::SetLineText(int index, const char* text)
{
    if (!ok_ || index < 0 || index >= total_)
        return 0;
    texts_[index < fixed_ ? index : index + 1] = std::string(text ? text : "");
    if (index >= fixed_ && roll_ && roll_->isVisible())
        roll_->repaint();
    return 1;
}

int CSettingsBox::Current() const
{
    if (!Created())
        return 0;
    return part_ == 1 ? std::max(0, menu_->current()) : fixed_ + std::max(0, roll_->current());
}

void CSettingsBox::DisableItem(int id)
{
    if (Created())
        menu_->disable(id);
}

void CSettingsBox::EnableItem(int id)
{
    if (Created())
        menu_->enable(id);
}

void CSettingsBox::Show()
{
    if (!Created())
        return;
    outer_->show();
    menu_->show();
    if (roll_)
        roll_->show();
}

void CSettingsBox::Hide()
{
    if (!Created())
        return;
    if (roll_)
        roll_->hide();
    menu_->hide();
    outer_->hide();
}

void CSettingsBox::SetShowSelection(int flag)
{
    if (!Created())
        return;
    menu_->setShowSelection(flag);
    if (roll_)
        roll_->setShowSelection(flag);
}

void CSettingsBox::SetFrameAttr(uint8_t attr)
{
    if (!Created())
        return;
    menu_->setFrameAttr(attr);
    if (roll_)
        roll_->setFrameAttr(attr);
    outer_->setFrameAttr(attr);
}
