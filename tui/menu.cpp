#include "menu.h"

#include <algorithm>
#include <cstring>

namespace tui {

namespace {

constexpr uint8_t singleLine = 0xC4;
constexpr uint8_t doubleLine = 0xCD;

bool isSeparatorText(const char* s)
{
    uint8_t first = static_cast<uint8_t>(s[0]);
    return first == singleLine || first == doubleLine;
}

// The text without '&' markers and the hot key's index (text position + 1).
void parseItem(const char* s, std::string& text, int& hotKey)
{
    hotKey = 0;
    for (const char* p = s; *p; ++p) {
        if (*p != '&') {
            text += *p;
            continue;
        }
        if (p[1] == '&') {
            text += '&';  // a doubled '&' stands for one
            ++p;
        } else if (p[1] && hotKey == 0) {
            hotKey = static_cast<int>(text.size()) + 1;
        }
    }
}

int foldKey(int c)
{
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

}  // namespace

menu::menu(point position, const menuStyle* style, window* parent) : framedBox(position, style, parent)
{
}

int menu::create(const char* const* items, const char* topTitle, const char* bottomTitle)
{
    win_.reset();
    items_.clear();
    textWidth_ = 0;
    for (const char* const* p = items; p && *p; ++p) {
        item it;
        if (isSeparatorText(*p)) {
            it.separator = true;
            it.text = *p;  // measured as line character plus caption
        } else {
            parseItem(*p, it.text, it.hotKey);
        }
        textWidth_ = std::max(textWidth_, static_cast<int>(it.text.size()));
        items_.push_back(std::move(it));
    }
    for (item& it : items_) {
        if (it.separator) {
            const std::string caption = it.text.substr(1);
            const int len = static_cast<int>(caption.size());
            std::string line(textWidth_, it.text[0]);
            if (len > 0) {
                int start = len < textWidth_ ? (textWidth_ - len) / 2 : 0;
                line.replace(start, std::min(len, textWidth_ - start), caption, 0, std::min(len, textWidth_ - start));
            }
            it.text = line;
        } else {
            it.text.resize(textWidth_, static_cast<char>(style_.fillChar));
        }
    }
    setTitles(topTitle, bottomTitle);
    current_ = -1;
    dirty_ = 1;
    return createWindow(textWidth_, count()) ? 1 : 0;
}

uint8_t menu::itemAttribute(int index) const
{
    if (items_[index].separator)
        return style_.frameAttr;
    if (index == current_ && showSelection_)
        return style_.selectedAttr;
    return style_.textAttr;
}

int menu::isSelectable(int index) const
{
    return index >= 0 && index < count() && !items_[index].separator;
}

int menu::isShown(int index) const
{
    return index >= 0 && index < count();
}

int menu::show(int start)
{
    if (!win_)
        return 0;
    int result = win_->show();
    if (result) {
        start = std::clamp(start, 0, std::max(0, count() - 1));
        select(start, 1);
        paint();
    }
    return result;
}

void menu::paint()
{
    if (!dirty_ || !win_)
        return;
    const int wasAuto = win_->autoRefresh();
    win_->setAutoRefresh(0);
    const int x = frameInset();
    int row = x;
    for (int i = 0; i < count(); ++i) {
        if (!isShown(i))
            continue;
        const item& it = items_[i];
        const uint8_t attr = itemAttribute(i);
        win_->write(x, row, it.text, attr);
        if (!it.separator && it.hotKey > 0 && isSelectable(i)) {
            const uint8_t hotAttr = static_cast<uint8_t>((attr & 0xF0) | (style_.hotKeyAttr & 0x0F));
            win_->write(x + it.hotKey - 1, row, std::string_view(it.text).substr(it.hotKey - 1, 1), hotAttr);
        }
        ++row;
    }
    paintTitles();
    win_->setAutoRefresh(wasAuto);
    dirty_ = 0;
}

int menu::select(int index, int direction)
{
    int n = count();
    bool any = false;
    for (int i = 0; i < n && !any; ++i)
        any = isShown(i) && isSelectable(i);
    if (!any) {
        current_ = -1;
        return 0;
    }
    if (index < 0)
        index = n - 1;
    else if (index >= n)
        index = 0;
    while (!(isShown(index) && isSelectable(index)))
        index = direction == 1 ? (index + 1) % n : (index - 1 + n) % n;
    if (index != current_)
        dirty_ = 1;
    current_ = index;
    return current_ + 1;
}

int menu::key(int code)
{
    switch (code) {
    case keyEsc:
        return menuEscape;
    case keyDown:
        select(current_ + 1, 1);
        return menuUndecided;
    case keyUp:
        select(current_ - 1, -1);
        return menuUndecided;
    case keyEnter:
        return current_;
    default:
        break;
    }
    const int want = foldKey(code);
    for (int i = 0; i < count(); ++i) {
        const item& it = items_[i];
        if (!isShown(i) || !isSelectable(i) || it.hotKey == 0)
            continue;
        if (foldKey(static_cast<uint8_t>(it.text[it.hotKey - 1])) == want) {
            current_ = i;
            dirty_ = 1;
            return i;
        }
    }
    return menuUndecided;
}

int menu::run(int start)
{
    if (!show(start))
        return menuShowFailed;
    if (current_ < 0)
        return menuNothingSelectable;
    return keyLoop([this](int code) { return menu::key(code); });
}

void menu::moveTo(int x, int y)
{
    position_ = point(x, y);
    if (win_)
        win_->moveTo(x, y);
}

point menu::size() const
{
    return win_ ? point(win_->width(), win_->height()) : point(0, 0);
}

}  // namespace tui
