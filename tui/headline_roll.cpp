#include "headline_roll.h"

#include <algorithm>

namespace tui {

headlineRoll::headlineRoll(point position, const headlineRollStyle* style, window* parent)
    : roll(position, style, parent),
      headCount_(style ? std::max(0, style->headCount) : 0),
      headAttr_(static_cast<uint8_t>(style ? style->headAttr : 0x07)),
      headMode_(style ? style->headMode : 0)
{
    firstRow_ = headCount_;
}

int headlineRoll::open(int count, lineTextFunction lineText, const char* const* headLines, const char* topTitle,
                       const char* bottomTitle)
{
    heads_.assign(headCount_, std::string());
    for (int i = 0; headLines && i < headCount_ && headLines[i]; ++i)
        heads_[i] = headLines[i];
    return openWith(count, std::move(lineText), topTitle, bottomTitle, headCount_);
}

void headlineRoll::paint()
{
    if (dirty_ != 1 || !win_)
        return;
    const int wasAuto = win_->autoRefresh();
    win_->setAutoRefresh(0);
    roll::paint();
    const int f = frameInset();
    const int width = style_.width;
    if (headMode_ == 1)
        win_->clear(rect(f, f, width, headCount_));
    for (int i = 0; i < headCount_; ++i) {
        std::string text = heads_[i].substr(0, width);
        if (headMode_ == 1) {
            win_->writeCentered(f + i, text, headAttr_);
        } else {
            text.resize(width, static_cast<char>(style_.fillChar));
            win_->write(f, f + i, text, headAttr_);
        }
    }
    win_->setAutoRefresh(wasAuto);
}

}  // namespace tui
