#include "msg_box.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "console.h"
#include "shad_window.h"

namespace tui {

namespace {

std::unique_ptr<window> openBox;

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (;;) {
        const size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            return lines;
        text.remove_prefix(end + 1);
    }
}

bool keyAccepted(const int* keys, int key)
{
    if (!keys || keys[0] == 0)
        return true;
    for (const int* k = keys; *k; ++k)
        if (*k == key)
            return true;
    return false;
}

}  // namespace

int msgBoxOpen(const char* text, const msgBoxStyle* style, window* parent)
{
    if (openBox) {
        openBox.reset();
        return 0;
    }
    const msgBoxStyle s = style ? *style : msgBoxStyle{};
    const std::vector<std::string_view> lines = splitLines(text ? text : "");
    int width = 1;
    for (std::string_view line : lines)
        width = std::max(width, static_cast<int>(line.size()));
    int rows = static_cast<int>(lines.size());

    point area = parent ? point(parent->cellsWidth(), parent->cellsHeight()) : screenExtent();
    const bool framed = hasFrame(s.frameStyle);
    const int border = (framed ? 2 : 0) + (s.shadow == 1 ? 1 : 0);
    width = std::max(1, std::min(width, area.x() - border));
    rows = std::max(1, std::min(rows, area.y() - border));
    rect box((area.x() - width) / 2, (area.y() - rows) / 2, width, rows);
    const int inset = framed ? 1 : 0;
    if (framed)
        box = rect(box.x() - 1, box.y() - 1, width + 2, rows + 2);

    const frameSpec frame = s.frame();
    try {
        if (s.shadow == 1)
            openBox = std::make_unique<shadWindow>(box, &frame, parent);
        else
            openBox = std::make_unique<window>(box, &frame, parent);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!openBox->show()) {
        openBox.reset();
        return 0;
    }
    const int wasAuto = openBox->autoRefresh();
    openBox->setAutoRefresh(0);
    for (int i = 0; i < rows; ++i) {
        const std::string_view line = lines[i].substr(0, width);
        if (s.centred == 1)
            openBox->writeCenteredText(inset + i, line);
        else
            openBox->writeText(inset, inset + i, line);
    }
    openBox->setAutoRefresh(wasAuto);
    return 1;
}

void msgBoxClose()
{
    openBox.reset();
}

int msgBoxIsOpen()
{
    return openBox ? 1 : 0;
}

int msgBoxWait(const char* text, const msgBoxStyle* style, const int* keys, window* parent)
{
    if (!msgBoxOpen(text, style, parent))
        return -1;
    int key;
    do
        key = readKey();
    while (!keyAccepted(keys, key));
    msgBoxClose();
    return key;
}

}  // namespace tui
