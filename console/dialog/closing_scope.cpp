#include "closing_scope.h"

#include "message_boxes.h"
#include "message_catalog.h"

ClosingScope& ClosingScope::operator=(ClosingScope&& other) noexcept
{
    if (this != &other) {
        release();
        close_ = std::move(other.close_);
        other.close_ = nullptr;
    }
    return *this;
}

void ClosingScope::release()
{
    if (!close_)
        return;
    const std::function<void()> close = std::move(close_);
    close_ = nullptr;
    close();
}

ClosingScope WaitBoxScope()
{
    ShowWaitBox(MessageText("M2000"), 0);
    return ClosingScope(CloseWaitBox);
}
