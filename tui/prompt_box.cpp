#include "prompt_box.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "shad_window.h"

namespace tui {

promptBox::promptBox(point position, const promptStyle* style, window* parent)
    : position_(position), style_(style ? *style : promptStyle{}), parent_(parent)
{
}

promptBox::~promptBox()
{
    editor_.reset();
    win_.reset();
}

int promptBox::create(int maximum, const char* prompt)
{
    editor_.reset();
    win_.reset();
    maximum_ = std::max(0, maximum);
    try {
        text_.assign(static_cast<size_t>(maximum_) + 1, '\0');
        prompt_ = prompt ? prompt : "";
        const int promptLength = static_cast<int>(prompt_.size());
        const rect area(position_, promptLength + maximum_ + 4, 3);
        const frameSpec frame = style_.frame();
        if (style_.shadow == 1)
            win_ = std::make_unique<shadWindow>(area, &frame, parent_);
        else
            win_ = std::make_unique<window>(area, &frame, parent_);
        field_ = point(promptLength + 2, 1);
        editor_ = std::make_unique<editLine>(field_, style_.textAttr, style_.fillChar, maximum_, win_.get());
    } catch (const std::bad_alloc&) {
        editor_.reset();
        win_.reset();
        return 0;
    }
    return 1;
}

int promptBox::show(const char* text, const char* title)
{
    if (!win_)
        return 0;
    const size_t length = text ? strnlen(text, static_cast<size_t>(maximum_)) : 0;
    std::memcpy(text_.data(), text ? text : "", length);
    std::memset(text_.data() + length, style_.fillChar, static_cast<size_t>(maximum_) - length);
    text_[static_cast<size_t>(maximum_)] = '\0';
    const int result = win_->show();
    if (!result)
        return result;
    const int wasAuto = win_->autoRefresh();
    win_->setAutoRefresh(0);
    win_->writeCentered(0, title ? title : "", style_.frameAttr);
    win_->write(2, 1, prompt_, style_.promptAttr);
    win_->write(field_, std::string_view(text_.data(), static_cast<size_t>(maximum_)), style_.textAttr);
    win_->setAutoRefresh(wasAuto);
    return result;
}

int promptBox::edit(std::span<char> text, int cursor, const char* title)
{
    std::string initial(text.data(), text.empty() ? 0 : strnlen(text.data(), text.size()));
    const int result = show(initial.c_str(), title);
    if (!result || !editor_)
        return result;
    if (editor_->edit(text_.data(), cursor) == 1 && !text.empty()) {
        const size_t length = std::min(std::strlen(text_.data()), text.size() - 1);
        std::memcpy(text.data(), text_.data(), length);
        text[length] = '\0';
    }
    return result;
}

void promptBox::setMaskChar(uint8_t ch)
{
    if (editor_)
        editor_->setMaskChar(ch);
}

void promptBox::moveTo(int x, int y)
{
    position_ = point(x, y);
    if (win_)
        win_->moveTo(x, y);
}

point promptBox::screenPosition() const
{
    return parent_ ? position_ + parent_->screenPosition() : position_;
}

void promptBox::hide()
{
    if (win_)
        win_->hide();
}

int promptBox::isVisible() const
{
    return win_ ? win_->isVisible() : 0;
}

int promptBox::saveBackground() const
{
    return win_ ? win_->saveBackground() : 1;
}

int promptBox::setSaveBackground(int flag)
{
    return win_ ? win_->setSaveBackground(flag) : 0;
}

void promptBox::setFrameStyle(int style)
{
    style_.frameStyle = style;
    if (win_)
        win_->setFrameStyle(style);
}

void promptBox::setFrameAttr(uint8_t attr)
{
    style_.frameAttr = attr;
    if (win_)
        win_->setFrameAttr(attr);
}

}  // namespace tui
