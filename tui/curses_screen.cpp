#define NCURSES_NOMACROS 1
#include "curses_screen.h"

#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include <ncursesw/curses.h>
#include <ncursesw/term.h>

#include "color_pairs.h"
#include "cp437.h"
#include "key_codes.h"

namespace tui {

namespace {

// What the keypad's keys send while the keypad is in application mode
// (keypad() switches it on), bound to what the keys mean; terminal
// descriptions leave most of them out or give them the meaning of the
// cursor block.
void defineKeypadKeys()
{
    static constexpr struct {
        char last;  // the byte after ESC O
        int key;
    } keypad[] = {
        {'M', keyEnter}, {'j', '*'}, {'k', '+'}, {'l', ','}, {'m', '-'}, {'n', '.'}, {'o', '/'}, {'X', '='},
        {'p', '0'},      {'q', '1'}, {'r', '2'}, {'s', '3'}, {'t', '4'}, {'u', '5'}, {'v', '6'}, {'w', '7'},
        {'x', '8'},      {'y', '9'},
    };
    for (const auto& k : keypad) {
        const char sequence[] = {'\033', 'O', k.last, 0};
        define_key(sequence, k.key);
    }
}

// Without colours the selection bar and other text on light grey show in
// reverse video, as a monochrome PC display shows them.
bool showsReversed(uint8_t attr)
{
    return ((attr >> 4) & 7) == 7;
}

// After a blocking read failed: whether the keyboard is gone (end of file,
// hang-up, a read error) rather than a signal having broken the wait. A
// failure that a signal caused comes back twice from curses: once with
// EINTR, and once more, without a read, from curses' own queue.
bool inputGone(int readError)
{
    if (readError == EINTR)
        return false;
    if (readError != 0)
        return true;
    pollfd input = {STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, 0) < 0)
        return errno != EINTR;
    if (input.revents & (POLLHUP | POLLERR | POLLNVAL))
        return true;
    if (!(input.revents & POLLIN))
        return false;  // nothing at the input: the failure was a signal's
    int waiting = 0;
    return ioctl(STDIN_FILENO, FIONREAD, &waiting) < 0 || waiting <= 0;  // readable but empty: end of file
}

}  // namespace

int cursesScreen::start()
{
    if (!std::getenv("ESCDELAY"))
        setenv("ESCDELAY", "0", 1);
    const char* term = std::getenv("TERM");
    board_ = term && (std::strcmp(term, "linux") == 0 || std::strcmp(term, "cons25") == 0);
    std::setlocale(LC_CTYPE, "");
    utf8_ = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;

    // newterm, unlike initscr, gives an unknown terminal back to the
    // program instead of ending it; the terminal's description is looked
    // up first, as newterm's failure would leave its own memory behind.
    int lookup = 0;
    if (setupterm(nullptr, STDOUT_FILENO, &lookup) != OK)
        return screenUnavailable;
    del_curterm(cur_term);
    if (!newterm(nullptr, stdout, stdin))
        return screenUnavailable;
    keypad(stdscr, TRUE);
    defineKeypadKeys();
    nodelay(stdscr, FALSE);
    nonl();
    cbreak();
    noecho();
    int result = start_color();
    colors_ = has_colors();
    running_ = true;
    columns_ = rows_ = 0;
    written_.clear();
    syncSize();
    return result;
}

void cursesScreen::stop()
{
    if (!running_)
        return;
    wrefresh(stdscr);
    endwin();
    running_ = false;
}

void cursesScreen::syncSize()
{
    int c = getmaxx(stdscr);
    int r = getmaxy(stdscr);
    if (c == columns_ && r == rows_)
        return;
    std::vector<cell> next(static_cast<size_t>(c) * r);
    for (int y = 0; y < r && y < rows_; ++y)
        for (int x = 0; x < c && x < columns_; ++x)
            next[y * c + x] = written_[y * columns_ + x];
    written_.swap(next);
    columns_ = c;
    rows_ = r;
}

void cursesScreen::redrawResized()
{
    syncSize();
    clearok(curscr, TRUE);  // what the terminal shows now is unknown
    wrefresh(stdscr);
}

point cursesScreen::size()
{
    if (!running_)
        return {-1, -1};
    syncSize();
    return {columns_, rows_};
}

void cursesScreen::putCell(int x, int y, cell c)
{
    if (!running_ || x < 0 || y < 0 || x >= columns_ || y >= rows_)
        return;
    written_[y * columns_ + x] = c;
    attr_t attrs = 0;
    if (c.attr & attrBright)
        attrs |= A_BOLD;
    if (c.attr & attrBlink)
        attrs |= A_BLINK;
    if (!colors_ && showsReversed(c.attr))
        attrs |= A_REVERSE;
    short pair = static_cast<short>(colorPairFor(c.attr));
    if (utf8_) {
        wchar_t text[2] = {static_cast<wchar_t>(cp437ToUnicode(c.ch)), 0};
        cchar_t cc;
        setcchar(&cc, text, attrs, pair, nullptr);
        mvwadd_wch(stdscr, y, x, &cc);
    } else {
        narrowGlyph g = cp437ToNarrow(c.ch, board_);
        chtype ch = g.acs ? NCURSES_ACS(g.ch) : static_cast<chtype>(static_cast<unsigned char>(g.ch));
        mvwaddch(stdscr, y, x, ch | attrs | COLOR_PAIR(pair));
    }
}

cell cursesScreen::getCell(int x, int y)
{
    if (!running_ || x < 0 || y < 0 || x >= columns_ || y >= rows_)
        return {};
    return written_[y * columns_ + x];
}

void cursesScreen::flush()
{
    if (!running_)
        return;
    wmove(stdscr, 0, 0);
    wrefresh(stdscr);
}

point cursesScreen::cursor()
{
    if (!running_)
        return {-1, -1};
    return {getcurx(stdscr), getcury(stdscr)};
}

void cursesScreen::moveCursor(point p)
{
    if (running_)
        wmove(stdscr, p.y(), p.x());
}

int cursesScreen::setCursorVisible(bool visible)
{
    return running_ ? curs_set(visible ? 1 : 0) : -1;
}

void cursesScreen::definePair(int n, int fg, int bg)
{
    if (running_)
        init_pair(static_cast<short>(n), static_cast<short>(fg), static_cast<short>(bg));
}

int cursesScreen::translate(int status, unsigned key)
{
    if (status == ERR)
        return keyNone;
    if (status == KEY_CODE_YES && key == KEY_RESIZE) {
        redrawResized();
        return keyResize;
    }
    if (status == KEY_CODE_YES)
        return static_cast<int>(key);
    if (key < 0x80)
        return static_cast<int>(key);
    // A typed character: its code page 437 byte, when it has one.
    int b = unicodeToCp437(static_cast<char32_t>(key));
    return b > 0 && b != 0xE0 ? b : -2;
}

int cursesScreen::pollKey()
{
    if (!running_)
        return keyNone;
    for (;;) {
        nodelay(stdscr, TRUE);
        wint_t key = 0;
        int status = wget_wch(stdscr, &key);
        nodelay(stdscr, FALSE);
        int code = translate(status, key);
        if (code != -2)
            return code;
    }
}

int cursesScreen::waitKey()
{
    if (!running_)
        return keyNone;
    for (;;) {
        wint_t key = 0;
        errno = 0;  // tells a failed read from an answer out of curses' queue
        int status = wget_wch(stdscr, &key);
        if (status == ERR)
            return inputGone(errno) ? keyNone : keyInterrupted;
        int code = translate(status, key);
        if (code != -2)
            return code;
    }
}

}  // namespace tui
