#include "message_boxes.h"

#include <string>

#include "dialog_colors.h"
#include "dialog_screen.h"
#include "key_codes.h"
#include "msg_box.h"

namespace {

int waitBoxShown = 0;
std::string waitText;
int waitError = 0;

const int yesNoKeys[] = {'Y', 'y', 'Z', 'z', 'N', 'n', tui::keyEsc, 0};

tui::msgBoxStyle MessageStyle(int scheme, int centred)
{
    const uint8_t* set = ColorSet(scheme);
    tui::msgBoxStyle s;
    s.frameStyle = 4;
    s.frameAttr = set[colorFrame];
    s.fillAttr = set[colorFill];
    s.textAttr = set[colorText];
    s.fillChar = ' ';
    s.shadow = 1;
    s.centred = centred;
    return s;
}

// Puts what the root holds on the terminal.
void FlushRoot()
{
    const int was = RootAutoRefresh();
    SetRootAutoRefresh(1);
    SetRootAutoRefresh(was);
}

void OpenWaitBox()
{
    const tui::msgBoxStyle style = MessageStyle(waitError ? schemeErrorWait : schemeInfoWait, 1);
    tui::msgBoxOpen(waitText.c_str(), &style, DialogRoot());
    FlushRoot();
}

// A box that waits for one of the keys, with the root flushing meanwhile.
int WaitForKey(const char* text, int scheme, int centred, const int* keys)
{
    WaitBoxPause pause;
    const tui::msgBoxStyle style = MessageStyle(scheme, centred);
    const int was = RootAutoRefresh();
    SetRootAutoRefresh(1);
    const int key = tui::msgBoxWait(text, &style, keys, DialogRoot());
    SetRootAutoRefresh(was);
    return key;
}

}  // namespace

WaitBoxPause::WaitBoxPause()
{
    if (waitBoxShown && tui::msgBoxIsOpen()) {
        tui::msgBoxClose();
        FlushRoot();
        paused_ = true;
    }
}

WaitBoxPause::~WaitBoxPause()
{
    if (paused_ && waitBoxShown)
        OpenWaitBox();
}

void ShowMessage(const char* text, int error, int centred)
{
    WaitForKey(text, error ? schemeError : schemeInfo, centred, nullptr);
}

int AskYesNo(const char* question, int error)
{
    const int key = WaitForKey(question, error ? schemeError : schemeInfo, 1, yesNoKeys);
    return key == 'Y' || key == 'y' || key == 'Z' || key == 'z' ? 1 : 0;
}

int AskKey(const char* text, const int* keys, int error, int centred)
{
    return WaitForKey(text, error ? schemeError : schemeInfo, centred, keys);
}

void ShowWaitBox(const char* text, int error)
{
    if (waitBoxShown)
        tui::msgBoxClose();
    waitText = text ? text : "";
    waitError = error;
    OpenWaitBox();
    waitBoxShown = 1;
}

void CloseWaitBox()
{
    tui::msgBoxClose();
    FlushRoot();
    waitBoxShown = 0;
}

int WaitBoxShown()
{
    return waitBoxShown;
}
