// mirvane: the full-screen RAID console.
#include <unistd.h>

#include <cstdio>

#include "command_line.h"
#include "console.h"
#include "console_screen.h"
#include "console_state.h"
#include "controller_list.h"
#include "dialog_screen.h"
#include "frame_styles.h"
#include "host_system.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "quit_walk.h"
#include "select_system.h"
#include "screen_device.h"
#include "session.h"

namespace {

// Ends the screen and curses and writes M0005; the exit code.
int ScreenFailed()
{
    DestroyScreen();
    tui::consoleDone();
    std::fputs(MessageText("M0005"), stdout);
    return 1;
}

// Leaves the screen and curses for good.
void EndScreen()
{
    DestroyScreen();
    tui::consoleDone();
}

// The console from the screen on: selection, controller list, quit; the exit code.
int RunConsole(CSession& session)
{
    if (tui::consoleInit() == tui::screenUnavailable || !CreateScreen())
        return ScreenFailed();
    SetSetupMode(expressSetup);
    bool quitRequested = false;
    for (;;) {
        if (quitRequested && AskYesNo(MessageText("M3000"), 0)) {
            EndScreen();
            return 0;
        }
        quitRequested = false;
        CHostSystem* machine = SelectSystem(session);
        SetCurrentMachine(machine);
        if (!machine) {
            quitRequested = true;
            continue;
        }
        if (machine->controllers.count == 0) {
            ShowMessage(MessageText("M0006"), 0, 1);
            DestroyScreen();
            if (ScreenLineMode() != 25)
                SetScreenLines(25);
            tui::consoleDone();
            return 0;
        }
        switch (RunControllerList(*machine)) {
        case ControllerListExit::toggleColours:
            DestroyScreen();
            SetMonochromeFlag(!MonochromeFlag());
            if (!CreateScreen())
                return ScreenFailed();
            break;
        case ControllerListExit::nextLineMode:
            DestroyScreen();
            SetScreenLines(NextScreenLines(ScreenLineMode()));
            if (!CreateScreen())
                return ScreenFailed();
            break;
        case ControllerListExit::quit:
            QuitSequence(*machine);
            SetStatusLine(0, "");
            quitRequested = true;
            break;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (getuid() != 0) {
        std::fputs("You must be super user to run this program.\n", stderr);
        return 1;
    }
    InitProductTexts();
    InitFrameStyles();
    const int ended = ParseCommandLine(argc, argv);
    if (ended >= 0)
        return ended;
    CSession session;
    if (!session.Init(1)) {
        std::printf("%s\n", MessageText("M4006"));
        return 1;
    }
    if (!session.EnumTransports() || session.transports.count == 0) {
        std::fputs(MessageText("M0006"), stdout);
        return 1;
    }
    return RunConsole(session);
}
