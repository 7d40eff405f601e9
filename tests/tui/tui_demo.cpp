// A small program of the framework for the terminal checks:
//   tui_demo frames [ticks]
//                    draws framed, shadowed, coloured windows over the
//                    whole terminal, shows the attribute read back from
//                    a bright cell and echoes each key code until 'q'; a
//                    resize lays the screen out at the new size. With
//                    "ticks" a 10 ms interval timer interrupts the key
//                    waits and each key shows the signals counted so far.
//   tui_demo menu    runs a menu; each choice runs a list of 25 lines in a
//                    window of 10; ESC in the menu ends. The choices are
//                    logged on the screen and printed at the end.
#include <sys/time.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "console.h"
#include "headline_roll.h"
#include "shad_window.h"
#include "tag_menu.h"
#include "window.h"

using namespace tui;

namespace {

frameSpec makeSpec(int style, uint8_t frameAttr, uint8_t fillAttr, uint8_t textAttr)
{
    frameSpec f;
    f.style = style;
    f.frameAttr = frameAttr;
    f.fillAttr = fillAttr;
    f.textAttr = textAttr;
    f.fillChar = ' ';
    return f;
}

volatile sig_atomic_t ticks = 0;

void countTick(int)
{
    ticks = ticks + 1;
}

// A 10 ms interval timer whose signal breaks every key wait (no restart).
void startTicking()
{
    struct sigaction sa = {};
    sa.sa_handler = countTick;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(SIGALRM, &sa, nullptr);
    const itimerval every10ms = {{0, 10000}, {0, 10000}};
    setitimer(ITIMER_REAL, &every10ms, nullptr);
}

void stopTicking()
{
    const itimerval off = {};
    setitimer(ITIMER_REAL, &off, nullptr);
}

// The frames screen, laid out over the whole terminal.
struct framesScreen {
    frameSpec rootSpec = makeSpec(5, 0x1E, 0x17, 0x1F);
    frameSpec boxSpec = makeSpec(4, 0x4E, 0x47, 0x4F);
    frameSpec asciiSpec = makeSpec(12, 0x70, 0x70, 0x70);
    window root{rect(0, 0, 1, 1), &rootSpec};
    shadWindow box{rect(3, 2, 20, 5), &boxSpec, &root};
    window ascii{rect(30, 2, 12, 4), &asciiSpec, &root};
    std::string keyLine;

    // Draws everything at the terminal's present size.
    void layout()
    {
        int columns = 0, rows = 0;
        screenSize(columns, rows);
        root.setAutoRefresh(0);
        root.resize(columns, rows);
        root.show();
        root.clear(rect(1, 1, std::max(columns - 2, 0), std::max(rows - 2, 0)));
        root.drawFrame();
        root.writeCentered(0, " Demo ", 0x1E);

        box.show();
        box.writeText(2, 1, "Hello, frames");
        const char shades[] = {'\xB0', '\xB1', '\xB2', '\xDB', '\x18', '\x19', 0};
        box.writeText(2, 2, shades);
        ascii.show();
        ascii.writeText(1, 1, "ascii");

        root.writeText(2, rows - 3, keyLine);
        root.writeText(2, rows - 2, "Press q to quit");
        root.setAutoRefresh(1);

        cell back;  // the 'H' of "Hello", written bright white on red
        readCells(rect(box.screenPosition() + point(2, 1), 1, 1), &back);
        root.writeText(2, rows - 4, formatText("cell %c %02X", back.ch, back.attr));
    }
};

framesScreen* shownFrames = nullptr;

void layOutFrames()
{
    if (shownFrames)
        shownFrames->layout();
}

int runFrames(bool ticking)
{
    consoleInit();
    cursorOff();
    framesScreen s;
    shownFrames = &s;
    setResizeHandler(layOutFrames);
    s.layout();
    if (ticking)
        startTicking();

    for (;;) {
        int key = readKey();
        if (key == 'q')
            break;
        std::string line = ticking ? formatText("key %d ticks %d", key, static_cast<int>(ticks))
                                   : formatText("key %d", key);
        s.keyLine = formatText("%-30s", line.c_str());
        int columns = 0, rows = 0;
        screenSize(columns, rows);
        s.root.writeText(2, rows - 3, s.keyLine);
    }
    stopTicking();
    setResizeHandler(nullptr);
    shownFrames = nullptr;
    s.box.hide();
    s.ascii.hide();
    s.root.hide();
    consoleDone();
    std::printf("frames done\n");
    return 0;
}

int runMenu()
{
    consoleInit();
    cursorOff();
    int columns = 0, rows = 0;
    screenSize(columns, rows);
    frameSpec rootSpec = makeSpec(0, 0x17, 0x17, 0x1F);
    window root(rect(0, 0, columns, rows), &rootSpec);
    root.show();

    menuStyle ms;
    ms.frameStyle = 4;
    ms.frameAttr = 0x1E;
    ms.fillAttr = 0x17;
    ms.textAttr = 0x1F;
    ms.selectedAttr = 0x70;
    ms.hotKeyAttr = 0x0E;
    ms.shadow = 1;
    tagMenu m(point(2, 1), &ms, &root);
    const char* items[] = {"&Open file", "&Edit file", "\xC4", "&Save all", "E&xit", nullptr};
    const int ids[] = {1, 2, -1, 3, 4};
    m.create(items, ids, "Menu", "Esc");

    headlineRollStyle rs;
    rs.frameStyle = 4;
    rs.frameAttr = 0x1E;
    rs.fillAttr = 0x17;
    rs.textAttr = 0x1F;
    rs.selectedAttr = 0x70;
    rs.shadow = 1;
    rs.width = 12;
    rs.visible = 10;
    rs.headCount = 1;
    rs.headAttr = 0x1B;
    std::vector<std::string> lines;
    for (int i = 0; i < 25; ++i)
        lines.push_back(formatText("item %02d", i));
    const char* heads[] = {"Lines", nullptr};
    headlineRoll list(point(20, 1), &rs, &root);
    list.open(25, [&](int i) { return lines[i].c_str(); }, heads, "List", nullptr);

    std::string log = "log:";
    int id = 1;
    for (;;) {
        id = m.run(id);
        log += formatText(" menu %d", id);
        root.writeText(2, rows - 2, log);
        if (id < 0)
            break;
        int line = list.run(0);
        list.hide();
        log += formatText(" list %d", line);
        root.writeText(2, rows - 2, log);
    }
    m.hide();
    root.hide();
    consoleDone();
    std::printf("%s\n", log.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "frames") == 0)
        return runFrames(argc > 2 && std::strcmp(argv[2], "ticks") == 0);
    if (argc > 1 && std::strcmp(argv[1], "menu") == 0)
        return runMenu();
    std::fprintf(stderr, "usage: tui_demo frames [ticks] | menu\n");
    return 2;
}
