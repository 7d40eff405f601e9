#include "dialog_list.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dialog_cascade.h"
#include "dialog_colors.h"
#include "dialog_keys.h"
#include "dialog_records.h"
#include "dialog_screen.h"

CListBox::CListBox(ListDef* def, int lineCount, int useRecordPosition)
    : def_(def), lineCount_(std::max(0, lineCount))
{
    ++Cascade().listLevel;
    level_ = EnterDialogLevel();
    std::memcpy(colors_, ColorSet(def ? def->scheme : 0), sizeof colors_);
    if (!def || !DialogLevelUsable(level_))
        return;
    tui::headlineRollStyle style;
    style.frameStyle = 4;
    style.frameAttr = colors_[colorFrame];
    style.fillAttr = colors_[colorFill];
    style.textAttr = colors_[colorText];
    style.fillChar = ' ';
    style.selectedAttr = colors_[colorSelected];
    style.shadow = 1;
    style.width = def->width;
    style.visible = def->visible == -1 || lineCount_ < def->visible ? lineCount_ : def->visible;
    style.headCount = def->headCount;
    style.headAttr = colors_[colorHeadLine];
    style.headMode = 0;
    headCount_ = std::max(0, def->headCount);

    DialogCascade& c = Cascade();
    const int width = DialogScreenWidth();
    const int height = DialogScreenHeight();
    if (useRecordPosition) {
        c.x[level_] = def->x;
        c.y[level_] = def->y;
        if (c.y[level_] + style.visible + 3 >= height)
            style.visible = height - c.y[level_] - 4;
    } else {
        CascadePosition(level_);
        if (style.width + c.x[level_] + 2 >= width)
            c.x[level_] = 1;
        if (style.visible + c.y[level_] + 3 >= height) {
            c.y[level_] = 4;
            if (height - style.visible - 3 <= 4)
                style.visible = height - 8;
        }
    }
    while (formatCount_ < listDefFormats && def->formats[formatCount_])
        ++formatCount_;
    try {
        roll_ = std::make_unique<tui::headlineRoll>(tui::point(c.x[level_], c.y[level_]), &style, DialogRoot());
        lines_.resize(static_cast<size_t>(lineCount_));
    } catch (const std::bad_alloc&) {
        return;
    }
    ok_ = 1;
}

CListBox::~CListBox()
{
    roll_.reset();
    LeaveDialogLevel();
    if (Cascade().listLevel > 0)
        --Cascade().listLevel;
}

const char* CListBox::LineText(int line) const
{
    if (line < 0 || line >= static_cast<int>(lines_.size()) || !lines_[line])
        return nullptr;
    return lines_[line]->c_str();
}

int CListBox::Open(const char* title, const char* hint, const char* headLine, int lineCount)
{
    if (!ok_)
        return 0;
    if (lineCount != -1) {
        lineCount_ = std::max(0, lineCount);
        try {
            lines_.resize(static_cast<size_t>(lineCount_));
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
    const char* heads[2] = {headLine ? headLine : def_->headLine, nullptr};
    created_ = roll_->open(lineCount_, [this](int line) { return LineText(line); }, heads,
                           title ? title : def_->title, hint ? hint : def_->hint) == 1;
    return created_ ? 1 : 0;
}

int CListBox::Run(int startLine, const int* keys, int* keyOut, int preset, int cursor)
{
    if (!Created() || !roll_->showAt(startLine))
        return -3;
    roll_->setFrameAttr(colors_[colorFrame]);
    SetRootAutoRefresh(1);
    tui::headlineRoll& r = *roll_;
    RepaintIfStale();
    const tui::point oldCursor = tui::cursorPosition();
    const int wasVisible = tui::cursorVisible();
    auto paint = [&] {
        r.paint();
        if (cursor) {
            // The cursor goes after painting: drawing puts it back home.
            tui::cursorOn();
            tui::moveCursor(r.screenPosition() + tui::point(1, r.current() - r.top() + 1 + headCount_));
        }
    };
    const int result = DialogKeyLoop(
        keys, keyOut, preset, paint, [&](int key) { return r.key(key); }, [&] { return r.current(); });
    if (cursor) {
        if (!wasVisible)
            tui::cursorOff();
        tui::moveCursor(oldCursor);
    }
    if (result >= 0)
        StoreSelection(level_, r.current() + 2);
    SetRootAutoRefresh(0);
    r.setFrameAttr(colors_[colorInactiveFrame]);
    return result;
}

int CListBox::SetLineV(int line, std::span<const tui::fmtArg> args)
{
    if (!ok_ || line < 0 || line >= lineCount_ || formatCount_ == 0)
        return 0;
    char buffer[formatBufferSize];
    tui::strVPrintf(buffer, def_->formats[std::min(line, formatCount_ - 1)], args);
    return SetLineText(line, buffer);
}

int CListBox::SetLineText(int line, const char* text)
{
    if (!ok_ || line < 0 || line >= lineCount_)
        return 0;
    lines_[line] = std::string(text ? text : "");
    stale_ = true;
    return 1;
}

int CListBox::CurrentLine() const
{
    return Created() ? std::max(0, roll_->current()) : 0;
}

void CListBox::Show()
{
    if (Created() && roll_->show())
        RepaintIfStale();
}

void CListBox::RepaintIfStale()
{
    if (stale_ && roll_->isVisible()) {
        stale_ = false;
        roll_->repaint();
    }
}

void CListBox::Hide()
{
    if (Created())
        roll_->hide();
}

void CListBox::SetShowSelection(int flag)
{
    if (Created())
        roll_->setShowSelection(flag);
}

void CListBox::SetFrameAttr(uint8_t attr)
{
    if (Created())
        roll_->setFrameAttr(attr);
}
