#include "dialog_menu.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dialog_cascade.h"
#include "dialog_colors.h"
#include "dialog_keys.h"
#include "dialog_records.h"
#include "dialog_screen.h"

CTagMenu::CTagMenu(MenuDef* def, int useRecordPosition, int itemCount, int singleFormat)
    : def_(def), singleFormat_(singleFormat), level_(EnterDialogLevel())
{
    std::memcpy(colors_, ColorSet(def ? def->scheme : 0), sizeof colors_);
    if (!def || !DialogLevelUsable(level_))
        return;
    tui::menuStyle style;
    style.frameStyle = 4;
    style.frameAttr = colors_[colorFrame];
    style.fillAttr = colors_[colorFill];
    style.textAttr = colors_[colorText];
    style.fillChar = ' ';
    style.selectedAttr = colors_[colorSelected];
    style.hotKeyAttr = colors_[colorHotKey];
    style.disabledAttr = colors_[colorDisabled];
    style.shadow = 1;

    int recordCount = 0;
    while (recordCount < menuDefItems && def->items[recordCount].text)
        ++recordCount;
    count_ = recordCount;
    if (itemCount >= 0 && (singleFormat || itemCount < recordCount))
        count_ = recordCount == 0 ? 0 : itemCount;

    DialogCascade& c = Cascade();
    if (useRecordPosition) {
        c.x[level_] = def->x;
        c.y[level_] = def->y;
    } else {
        CascadePosition(level_);
        const int width = DialogScreenWidth();
        const int height = DialogScreenHeight();
        if (c.x[level_] + 52 >= width)
            c.x[level_] = 1;
        if (c.y[level_] + count_ + 2 >= height)
            c.y[level_] = height - count_ - 2 > 4 ? 4 : height - count_ - 3;
    }
    try {
        menu_ = std::make_unique<tui::tagMenu>(tui::point(c.x[level_], c.y[level_]), &style, DialogRoot());
        for (int i = 0; i < count_; ++i) {
            texts_.emplace_back(def->items[singleFormat ? 0 : i].text);
            ids_.push_back(singleFormat ? i : def->items[i].id);
        }
    } catch (const std::bad_alloc&) {
        return;
    }
    ok_ = 1;
}

CTagMenu::~CTagMenu()
{
    menu_.reset();
    LeaveDialogLevel();
}

int CTagMenu::Open(const char* title, const char* hint)
{
    if (!ok_)
        return 0;
    title = title ? title : def_->title;
    hint = hint ? hint : def_->hint;
    int width = static_cast<int>(std::max(title ? std::strlen(title) : 0, hint ? std::strlen(hint) : 0));
    for (const std::string& text : texts_)
        width = std::max(width, static_cast<int>(text.size()));
    DialogCascade& c = Cascade();
    int x = c.x[level_];
    int y = c.y[level_];
    if (x + width + 4 > RootWidth()) {
        x = RootWidth() - width - 4;
        if (x <= 0)
            return 0;
    }
    if (y + count_ + 4 > RootHeight()) {
        y = RootHeight() - count_ - 4;
        if (y <= 0)
            return 0;
    }
    c.x[level_] = x;
    c.y[level_] = y;
    menu_->moveTo(x, y);
    std::vector<const char*> items;
    for (const std::string& text : texts_)
        items.push_back(text.c_str());
    items.push_back(nullptr);
    created_ = menu_->create(items.data(), ids_.data(), title, hint) == 1;
    return created_ ? 1 : 0;
}

int CTagMenu::Run(int startId, const int* keys, int* keyOut, int preset)
{
    if (!Created() || !menu_->showAt(startId))
        return -3;
    menu_->setFrameAttr(colors_[colorFrame]);
    SetRootAutoRefresh(1);
    tui::tagMenu& m = *menu_;
    const int result = DialogKeyLoop(
        keys, keyOut, preset, [&] { m.paint(); }, [&](int key) { return m.key(key); },
        [&] { return m.current(); });
    if (result >= 0)
        StoreSelection(level_, m.current() + 1);
    SetRootAutoRefresh(0);
    m.setFrameAttr(colors_[colorInactiveFrame]);
    return result;
}

int CTagMenu::IndexOfId(int id) const
{
    for (int i = 0; i < count_; ++i)
        if (ids_[i] == id)
            return i;
    return -1;
}

int CTagMenu::SetItemTextV(int index, std::span<const tui::fmtArg> args)
{
    if (!ok_ || index < 0 || index >= count_)
        return 0;
    char buffer[formatBufferSize];
    tui::strVPrintf(buffer, def_->items[singleFormat_ ? 0 : index].text, args);
    texts_[index] = buffer;
    return 1;
}

void CTagMenu::DisableItem(int id)
{
    if (Created())
        menu_->disable(id);
}

void CTagMenu::EnableItem(int id)
{
    if (Created())
        menu_->enable(id);
}

void CTagMenu::HideItem(int id)
{
    if (Created())
        menu_->hideItem(id);
}

void CTagMenu::ShowItem(int id)
{
    if (Created())
        menu_->showItem(id);
}

int CTagMenu::CurrentItem() const
{
    return Created() ? std::max(0, menu_->current()) : 0;
}

void CTagMenu::Show()
{
    if (Created())
        menu_->show();
}

void CTagMenu::Hide()
{
    if (Created())
        menu_->hide();
}

void CTagMenu::SetShowSelection(int flag)
{
    if (Created())
        menu_->setShowSelection(flag);
}

void CTagMenu::SetFrameAttr(uint8_t attr)
{
    if (Created())
        menu_->setFrameAttr(attr);
}

void DisableAll(CTagMenu& menu, std::initializer_list<int> ids)
{
    for (const int id : ids)
        menu.DisableItem(id);
}
