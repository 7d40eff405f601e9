// The firmware download display on the in-memory screen: the erase wait
// box, then the " Downloading new flash... " box, gone at 100 percent.
#include <gtest/gtest.h>

#include <string>

#include "dialog_fixture.h"
#include "firmware_progress.h"

namespace tui::testing {
namespace {

using firmwareProgressTest = dialogTest;

TEST_F(firmwareProgressTest, EraseWaitBoxThenDownloadBoxThenNothing)
{
    {
        CMirvaneFirmwareProgress progress;
        EXPECT_TRUE(WaitBoxShown());
        EXPECT_NE(screenText(0, 0, 80, 25).find("Erasing existing firmware..."), std::string::npos);
        progress.Progress(1, 1);
        progress.Progress(1, 100);
        EXPECT_TRUE(WaitBoxShown()) << "erasing keeps the wait box";
        progress.Progress(2, 3);
        EXPECT_FALSE(WaitBoxShown());
        std::string screen = screenText(0, 0, 80, 25);
        EXPECT_EQ(screen.find("Erasing existing firmware..."), std::string::npos) << screen;
        EXPECT_NE(screen.find(" Downloading new flash... "), std::string::npos) << screen;
        EXPECT_NE(screen.find(" Do not interrupt this process! "), std::string::npos) << screen;
        EXPECT_NE(mem->text(67, 9, 7).find("|   3 %"), std::string::npos) << mem->text(15, 9, 60);
        progress.Progress(2, 100);
        screen = screenText(0, 0, 80, 25);
        EXPECT_EQ(screen.find(" Downloading new flash... "), std::string::npos) << screen;
    }
    EXPECT_EQ(Cascade().level, 0);
}

}  // namespace
}  // namespace tui::testing
