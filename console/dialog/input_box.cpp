#include "input_box.h"

#include <cstring>
#include <new>

#include "dialog_cascade.h"
#include "dialog_colors.h"
#include "dialog_screen.h"
#include "message_boxes.h"

CInputBox::CInputBox(InputDef* def) : def_(def), level_(EnterDialogLevel())
{
    if (!def || !DialogLevelUsable(level_))
        return;
    const uint8_t* set = ColorSet(def->scheme);
    tui::promptStyle style;
    style.frameStyle = 4;
    style.frameAttr = set[colorFrame];
    style.fillAttr = set[colorFill];
    style.textAttr = set[colorText];
    style.fillChar = ' ';
    style.promptAttr = set[colorPrompt];
    style.shadow = 1;
    try {
        box_ = std::make_unique<tui::promptBox>(tui::point(def->x, def->y), &style, DialogRoot());
    } catch (const std::bad_alloc&) {
        return;
    }
    ok_ = 1;
}

CInputBox::~CInputBox()
{
    box_.reset();
    LeaveDialogLevel();
}

int CInputBox::Open(const char* prompt, const char* title, uint8_t mask)
{
    if (!ok_)
        return 0;
    prompt = prompt ? prompt : def_->prompt;
    const int promptLength = prompt ? static_cast<int>(std::strlen(prompt)) : 0;
    const int needed = def_->maxLength + promptLength + 2 * box_->borderSize();
    if (def_->x + needed > RootWidth()) {
        const int x = RootWidth() - needed;
        if (x <= 0)
            return 0;
        def_->x = x;
        box_->moveTo(x, def_->y);
    }
    title_ = title;
    created_ = box_->create(def_->maxLength, prompt);
    if (created_)
        box_->setMaskChar(mask);
    return created_;
}

int CInputBox::Edit(std::span<char> text)
{
    if (!ok_ || !created_)
        return 0;
    WaitBoxPause pause;
    const int was = RootAutoRefresh();
    SetRootAutoRefresh(1);
    const int result = box_->edit(text, 0, title_);
    SetRootAutoRefresh(was);
    return result;
}

int CInputBox::LastKey() const
{
    return box_ ? box_->lastKey() : 0;
}
