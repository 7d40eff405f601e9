// A small program of the console's dialog toolkit for the terminal checks:
//   dialog_demo catalog KEY         prints the catalog text of KEY
//   dialog_demo message KEY         an information box with the text
//   dialog_demo error CODE          the message of a hexadecimal error code
//   dialog_demo ask KEY             a yes/no question; "answer N" at the end
//   dialog_demo wait KEY FIFO       the wait box until a writer has opened and
//                                   closed the FIFO, then the bare screen until
//                                   a key
//   dialog_demo waitask KEY         a question while the M2000 wait box is up
//   dialog_demo progress P E S      the progress window with one update
//   dialog_demo input [MASK]        the remote machine input; "text [..] key N"
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console.h"
#include "dialog_screen.h"
#include "error_message.h"
#include "input_box.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "progress_box.h"
#include "window.h"

using namespace tui;

namespace {

// The screen: a shaded background as the root of every dialog.
class demoScreen {
public:
    demoScreen()
    {
        consoleInit();
        cursorOff();
        const point size = screenExtent();
        const frameSpec wanted{0, 0x17, 0x17, 0x1F, 0xB0};
        root_ = new window(rect(0, 0, size.x(), size.y()), &wanted);
        SetDialogScreen(root_, size.x(), size.y());
        root_->setAutoRefresh(0);
        root_->show();
        root_->setAutoRefresh(1);
        root_->setAutoRefresh(0);
    }
    ~demoScreen()
    {
        SetDialogScreen(nullptr, 0, 0);
        delete root_;
        consoleDone();
    }
    demoScreen(const demoScreen&) = delete;
    demoScreen& operator=(const demoScreen&) = delete;

private:
    window* root_;
};

int usage()
{
    std::fprintf(stderr, "usage: dialog_demo catalog|message|ask|waitask KEY, error CODE, wait KEY FIFO,\n"
                         "       progress P E S, input [MASK]\n");
    return 2;
}

int run(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const char* arg = argc > 2 ? argv[2] : nullptr;
    if (mode == "catalog" && arg) {
        std::printf("%s\n", MessageText(arg));
        return 0;
    }
    if (mode == "message" && arg) {
        demoScreen screen;
        ShowMessage(MessageText(arg), 0, 1);
        return 0;
    }
    if (mode == "error" && arg) {
        demoScreen screen;
        ShowErrorCode(static_cast<uint32_t>(std::strtoul(arg, nullptr, 16)));
        return 0;
    }
    if ((mode == "ask" || mode == "waitask") && arg) {
        int answer;
        {
            demoScreen screen;
            if (mode == "waitask")
                ShowWaitBox(MessageText("M2000"), 0);
            answer = AskYesNo(MessageText(arg), 0);
            if (mode == "waitask") {
                readKey();  // the wait box is back while the work goes on
                CloseWaitBox();
            }
        }
        std::printf("answer %d\n", answer);
        return 0;
    }
    if (mode == "wait" && arg && argc > 3) {
        demoScreen screen;
        ShowWaitBox(MessageText(arg), 0);
        // The open waits for the writer, the read for its close.
        const int fifo = open(argv[3], O_RDONLY | O_CLOEXEC);
        if (fifo < 0)
            return 1;
        char byte;
        while (read(fifo, &byte, 1) > 0) {
        }
        close(fifo);
        CloseWaitBox();
        readKey();
        return 0;
    }
    if (mode == "progress" && argc > 4) {
        demoScreen screen;
        CProgressBox box(&ConsoleProgress);
        if (!box.Open() || !box.Update(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])) || !box.Show())
            return 1;
        readKey();
        return 0;
    }
    if (mode == "input") {
        char text[31] = "";
        int key;
        {
            demoScreen screen;
            InputDef def = {15, 10, 0, "Remote machine:", 30};
            CInputBox box(&def);
            if (!box.Open("Name/Address: ", " Remote Machine ", static_cast<uint8_t>(arg ? arg[0] : 0)))
                return 1;
            box.Edit(text);
            key = box.LastKey();
        }
        std::printf("text [%s] key %d\n", text, key);
        return 0;
    }
    return usage();
}

}  // namespace

int main(int argc, char** argv)
{
    return run(argc, argv);
}
