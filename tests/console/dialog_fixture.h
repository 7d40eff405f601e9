// Test fixture: the console's dialogs on an in-memory 80 x 25 screen under
// a root window, with the cascade, colours and wait box reset afterwards.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "dialog_cascade.h"
#include "dialog_screen.h"
#include "frame_styles.h"
#include "message_boxes.h"
#include "screen_fixture.h"

namespace tui::testing {

class dialogTest : public screenTest {
protected:
    void SetUp() override
    {
        useScreen(80, 25);
        const frameSpec wanted{0, 0x07, 0x07, 0x07, ' '};
        root = std::make_unique<window>(rect(0, 0, 80, 25), &wanted);
        root->show();
        root->setAutoRefresh(0);
        SetDialogScreen(root.get(), 80, 25);
        Cascade() = DialogCascade{};
    }
    void TearDown() override
    {
        if (WaitBoxShown())
            CloseWaitBox();
        EXPECT_EQ(Cascade().level, 0) << "every dialog gives its level back";
        Cascade() = DialogCascade{};
        SetMonochromeFlag(0);
        SetDialogScreen(nullptr, 0, 0);
        root.reset();
        screenTest::TearDown();
    }

    // Keys for a dialog that waits once the key script is used up; each
    // such wait first keeps a copy of the screen (cells and cursor) in
    // `shots`.
    void answerWhenWaiting(std::initializer_list<int> keys)
    {
        watched = mem.get();
        answers.assign(keys.begin(), keys.end());
        shots.clear();
        setInputLostHandler(&snapshotAndAnswer);
    }
    // The whole screen, rows joined by '\n'.
    static std::string wholeScreen(const memoryScreen& m)
    {
        std::string out;
        for (int y = 0; y < 25; ++y)
            out += m.row(y) + "\n";
        return out;
    }

    // Row y of a whole-screen text.
    static std::string screenLine(const std::string& screen, int y)
    {
        size_t from = 0;
        for (int i = 0; i < y && from != std::string::npos; ++i)
            from = screen.find('\n', from) + 1;
        return screen.substr(from, screen.find('\n', from) - from);
    }

    std::unique_ptr<window> root;
    static inline memoryScreen* watched = nullptr;
    static inline std::deque<int> answers;
    static inline std::vector<memoryScreen> shots;

private:
    static int snapshotAndAnswer()
    {
        shots.push_back(*watched);
        if (answers.empty()) {
            ADD_FAILURE() << "a dialog waited for more keys";
            return keyEsc;
        }
        const int key = answers.front();
        answers.pop_front();
        return key;
    }
};

}  // namespace tui::testing
