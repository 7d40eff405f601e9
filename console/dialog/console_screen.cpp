#include "console_screen.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "console.h"
#include "console_state.h"
#include "console_texts.h"
#include "dialog_screen.h"
#include "frame_styles.h"
#include "message_catalog.h"
#include "str_printf.h"
#include "window.h"

namespace {

// The background: frame style 0, attribute 0x78, the light shade.
const tui::frameSpec backgroundFrame{0, 0x00, 0x78, 0x78, 0xB0};
constexpr int titleRows = 4;

struct ConsoleScreen {
    std::unique_ptr<tui::window> background;
    std::unique_ptr<tui::window> title;
    std::unique_ptr<tui::window> status;
    std::string statusText;
    std::string previousText;
    int columns = 0;
    int rows = 0;
};

ConsoleScreen screen;

// The terminal's columns and rows; rows of 0 or above 100 count as 25.
void TerminalSize(int& columns, int& rows)
{
    tui::screenSize(columns, rows);
    if (rows <= 0 || rows > 100)
        rows = 25;
}

// The title window's two lines, centred.
void WriteTitle()
{
    char line[160];
    screen.title->writeCenteredText(1, VersionLine(line));
    tui::strPrintf(line, MessageText("M1001"), CompanyNameText());
    screen.title->writeCenteredText(2, line);
}

// The status window's row: its fill, then the current text.
void WriteStatus()
{
    tui::window& w = *screen.status;
    w.fill(0, 0, w.cellsWidth(), w.frame().fillChar, w.frame().fillAttr);
    w.writeText(0, 0, screen.statusText);
    w.refresh();
}

// Builds the windows at the given size; false when one could not be shown.
bool BuildWindows(int columns, int rows)
{
    try {
        screen.background = std::make_unique<tui::window>(tui::rect(0, 0, columns, rows), &backgroundFrame);
        screen.background->setAutoRefresh(0);
        SetDialogScreen(screen.background.get(), columns, rows);
        if (!screen.background->show())
            return false;
        screen.title = std::make_unique<tui::window>(tui::rect(0, 0, columns, titleRows), &TitleWindowFrame(),
                                                     screen.background.get());
        if (!screen.title->show())
            return false;
        WriteTitle();
        screen.status = std::make_unique<tui::window>(tui::rect(0, rows - 1, columns, 1), &StatusLineFrame(),
                                                      screen.background.get());
        if (!screen.status->show())
            return false;
        screen.statusText.reserve(static_cast<size_t>(columns) + 1);
        screen.previousText.reserve(static_cast<size_t>(columns) + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    screen.columns = columns;
    screen.rows = rows;
    WriteStatus();
    screen.background->setAutoRefresh(1);
    screen.background->setAutoRefresh(0);
    return true;
}

// A new terminal size: the background and the two windows are laid out for
// it; the dialogs on top keep their places.
void FollowResize()
{
    if (!screen.background || !screen.title || !screen.status)
        return;
    int columns = 0, rows = 0;
    TerminalSize(columns, rows);
    if (columns <= 0)
        return;
    const int autoRefresh = screen.background->autoRefresh();
    screen.background->setAutoRefresh(0);
    // The two windows give back what they covered before the background
    // changes its size; what the dialogs drew stays where it was.
    screen.status->hide();
    screen.title->hide();
    screen.background->resize(columns, rows);
    SetDialogScreen(screen.background.get(), columns, rows);
    screen.title->resize(columns, titleRows);
    screen.title->clear(tui::rect(1, 1, std::max(columns - 2, 0), titleRows - 2));
    screen.title->show();
    WriteTitle();
    screen.status->resize(columns, 1);
    screen.status->moveTo(0, rows - 1);
    screen.status->show();
    screen.statusText.resize(std::min(screen.statusText.size(), static_cast<size_t>(columns)));
    screen.columns = columns;
    screen.rows = rows;
    WriteStatus();
    screen.background->setAutoRefresh(1);
    screen.background->setAutoRefresh(autoRefresh);
}

}  // namespace

int CreateScreen()
{
    tui::cursorOff();
    int columns = 0, rows = 0;
    TerminalSize(columns, rows);
    if (columns <= 0 || !BuildWindows(columns, rows)) {
        DestroyScreen();
        return 0;
    }
    tui::setResizeHandler(FollowResize);
    return 1;
}

void DestroyScreen()
{
    tui::setResizeHandler(nullptr);
    if (screen.status)
        screen.status->hide();
    if (screen.title)
        screen.title->hide();
    screen.status.reset();
    screen.title.reset();
    if (screen.background)
        screen.background->hide();
    SetDialogScreen(nullptr, 0, 0);
    screen.background.reset();
    screen.statusText.clear();
    screen.previousText.clear();
    tui::cursorOn();
}

void SetStatusLine(int restore, const char* text)
{
    if (restore) {
        screen.statusText = screen.previousText;
    } else {
        screen.previousText = screen.statusText;
        screen.statusText = text ? text : "";
    }
    if (!screen.status)
        return;
    screen.statusText.resize(std::min(screen.statusText.size(), static_cast<size_t>(screen.columns)));
    WriteStatus();
    const int autoRefresh = screen.background->autoRefresh();
    screen.background->setAutoRefresh(1);  // flushes the row to the terminal
    screen.background->setAutoRefresh(autoRefresh);
}

int StatusLineWidth()
{
    return screen.status ? screen.columns : 0;
}

void ShowStatusWindowText(int column, const char* text)
{
    if (!screen.status)
        return;
    tui::window& w = *screen.status;
    w.fill(0, 0, w.cellsWidth(), w.frame().fillChar, w.frame().fillAttr);
    w.writeText(column, 0, text ? text : "");
    w.refresh();
    const int autoRefresh = screen.background->autoRefresh();
    screen.background->setAutoRefresh(1);
    screen.background->setAutoRefresh(autoRefresh);
}
