// A small program of the framework for the terminal checks:
//   tui_demo frames  draws framed, shadowed, coloured windows and echoes
//                    each key code until 'q'.
//   tui_demo menu    runs a menu; each choice runs a list of 25 lines in a
//                    window of 10; ESC in the menu ends. The choices are
//                    logged on the screen and printed at the end.
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

int runFrames()
{
    consoleInit();
    cursorOff();
    int columns = 0, rows = 0;
    screenSize(columns, rows);
    frameSpec rootSpec = makeSpec(5, 0x1E, 0x17, 0x1F);
    window root(rect(0, 0, columns, rows), &rootSpec);
    root.setAutoRefresh(0);
    root.show();
    root.writeCentered(0, " Demo ", 0x1E);

    frameSpec boxSpec = makeSpec(4, 0x4E, 0x47, 0x4F);
    shadWindow box(rect(3, 2, 20, 5), &boxSpec, &root);
    box.show();
    box.writeText(2, 1, "Hello, frames");
    const char shades[] = {'\xB0', '\xB1', '\xB2', '\xDB', '\x18', '\x19', 0};
    box.writeText(2, 2, shades);

    frameSpec asciiSpec = makeSpec(12, 0x70, 0x70, 0x70);
    window ascii(rect(30, 2, 12, 4), &asciiSpec, &root);
    ascii.show();
    ascii.writeText(1, 1, "ascii");

    root.writeText(2, rows - 2, "Press q to quit");
    root.setAutoRefresh(1);

    for (;;) {
        int key = readKey();
        if (key == 'q')
            break;
        char line[40];
        strPrintf(line, "key %-6d", key);
        root.writeText(2, rows - 3, line);
    }
    box.hide();
    ascii.hide();
    root.hide();
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
        return runFrames();
    if (argc > 1 && std::strcmp(argv[1], "menu") == 0)
        return runMenu();
    std::fprintf(stderr, "usage: tui_demo frames|menu\n");
    return 2;
}
