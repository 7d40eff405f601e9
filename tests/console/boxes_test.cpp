// Message, question, wait, progress and input boxes; frame styles and the
// number conversions.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "decimal_text.h"
#include "dialog_fixture.h"
#include "edit_line.h"
#include "input_box.h"
#include "progress_box.h"

namespace tui::testing {
namespace {

using boxesTest = dialogTest;

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

TEST_F(boxesTest, MessagesTakeTheInformationOrErrorColours)
{
    const struct {
        int error, mono;
        uint8_t frame, text;
    } cases[] = {{0, 0, 0x3E, 0x3F}, {1, 0, 0x4E, 0x4F}, {1, 1, 0x07, 0x0F}};
    for (const auto& c : cases) {
        SetMonochromeFlag(c.mono);
        answerWhenWaiting({'k'});
        ShowMessage("abc\nd", c.error, 0);
        ASSERT_EQ(shots.size(), 1u);
        EXPECT_EQ(shots[0].text(37, 10, 5), "┌───┐");
        EXPECT_EQ(shots[0].text(37, 12, 5), "│d  │") << "left-aligned";
        EXPECT_EQ(shots[0].attrAt(37, 10), c.frame);
        EXPECT_EQ(shots[0].attrAt(38, 11), c.text);
        EXPECT_EQ(shots[0].attrAt(42, 11), attrShadow);
        EXPECT_EQ(mem->text(37, 10, 5), "     ") << "gone after the key";
    }
}

TEST_F(boxesTest, YesNoKeys)
{
    const struct {
        std::initializer_list<int> keys;
        int answer;
    } cases[] = {
        {{'Y'}, 1}, {{'y'}, 1}, {{'Z'}, 1}, {{'z'}, 1}, {{'N'}, 0}, {{'n'}, 0}, {{keyEsc}, 0},
        {{'q', keyEnter, 'z'}, 1},
    };
    for (const auto& c : cases) {
        mem->pushKeys(c.keys);
        EXPECT_EQ(AskYesNo("Sure ? (Y/N)", 1), c.answer);
        EXPECT_EQ(mem->keysLeft(), 0u);
    }
}

TEST_F(boxesTest, AskKeyWaitsForAListedKey)
{
    const int keys[] = {'a', 'b', 0};
    mem->pushKeys({'x', 'b'});
    EXPECT_EQ(AskKey("Press a or b", keys, 0, 1), 'b');
    const int none[] = {0};
    mem->pushKeys({'x'});
    EXPECT_EQ(AskKey("Press any key", none, 0, 1), 'x');
}

TEST_F(boxesTest, BoxesWhileTheWaitBoxIsUpShowAndGiveItBack)
{
    ShowWaitBox("Working", 0);
    EXPECT_EQ(WaitBoxShown(), 1);
    EXPECT_EQ(mem->text(36, 12, 7), "Working") << "on the terminal at once";
    EXPECT_EQ(mem->attrAt(36, 12), 0xBF);

    answerWhenWaiting({'k', 'y'});
    ShowMessage("Hello", 1, 1);
    EXPECT_EQ(AskYesNo("Sure?", 0), 1);
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_EQ(shots[0].text(37, 12, 5), "Hello");
    EXPECT_EQ(shots[0].row(12).find("Working"), std::string::npos);
    EXPECT_EQ(shots[1].text(37, 12, 5), "Sure?");
    EXPECT_EQ(mem->text(36, 12, 7), "Working") << "back for the work that follows";
    EXPECT_EQ(WaitBoxShown(), 1);

    ShowWaitBox("Other", 1);
    EXPECT_EQ(mem->text(37, 12, 5), "Other");
    EXPECT_EQ(mem->attrAt(37, 12), 0xCF);
    CloseWaitBox();
    EXPECT_EQ(WaitBoxShown(), 0);
    EXPECT_EQ(mem->text(37, 12, 5), "     ");
}

TEST_F(boxesTest, ProgressTextsAndBar)
{
    CProgressBox box(&ConsoleProgress);
    ASSERT_EQ(box.Open(), 1);
    ASSERT_EQ(box.Update(37, 3725, -1), 1);
    ASSERT_EQ(box.Show(), 1);
    EXPECT_EQ(mem->text(15, 8, 60),
              "┌" + repeat("─", 18) + " Progress Information " + repeat("─", 18) + "┐");
    EXPECT_EQ(mem->text(16, 9, 58), repeat("█", 18) + "▌" + std::string(31, ' ') + " |  37 %");
    EXPECT_EQ(mem->text(16, 10, 58), "Elapsed Time: 01:02:05    Estimated Time:         " + std::string(8, ' '));
    EXPECT_EQ(mem->text(15, 11, 60), "└" + repeat("─", 19) + " Press ESC to quit " + repeat("─", 20) + "┘");

    ASSERT_EQ(box.Update(150, -1, 59), 1);
    ASSERT_EQ(box.Show(), 1);
    EXPECT_EQ(mem->text(67, 9, 7), "| 150 %");
    EXPECT_EQ(mem->text(16, 9, 50), repeat("█", 50));
    EXPECT_EQ(mem->text(16, 10, 50), "Elapsed Time:             Estimated Time: 00:00:59");
}

TEST_F(boxesTest, InputBoxMovesLeftForGoodAndEdits)
{
    InputDef def = {60, 10, 0, "Remote machine:", 30};
    char text[31] = "";
    {
        CInputBox box(&def);
        ASSERT_EQ(box.Open(nullptr, " Remote Machine "), 1);
        EXPECT_EQ(def.x, 29) << "80 - (30 + 15 + 6)";
        answerWhenWaiting({'b', keyEnter});
        mem->pushText("a");
        EXPECT_EQ(box.Edit(text), 1);
        EXPECT_STREQ(text, "ab");
        EXPECT_EQ(box.LastKey(), keyEnter);
        ASSERT_EQ(shots.size(), 2u);
        // Prompt from column 2 of the box, the field after it.
        EXPECT_EQ(shots[0].text(29, 11, 20), "│ Remote machine:a  ");
        EXPECT_EQ(shots[0].cursor(), point(29 + 17 + 1, 11));
        EXPECT_EQ(shots[0].attrAt(31, 11), 0x1F) << "prompt attribute, byte 6";
    }
    CInputBox again(&def);
    ASSERT_EQ(again.Open(nullptr, nullptr, '*'), 1);
    EXPECT_EQ(def.x, 29);
    answerWhenWaiting({keyEsc});
    mem->pushText("xyz");
    again.Edit(text);
    EXPECT_EQ(shots[0].text(46, 11, 5), "***  ");
    EXPECT_STREQ(text, "ab") << "ESC keeps the text";
    EXPECT_EQ(again.LastKey(), keyEsc);

    char small[4] = "";
    mem->pushText("abcdefgh");
    mem->pushKeys({keyEnter});
    again.Edit(small);
    EXPECT_STREQ(small, "abc");

    InputDef wide = {10, 10, 0, "Prompt:", 76};
    CInputBox refused(&wide);
    EXPECT_EQ(refused.Open(nullptr, nullptr), 0);
    EXPECT_EQ(refused.Edit(text), 0);
}

TEST_F(boxesTest, InputWhileTheWaitBoxIsUp)
{
    ShowWaitBox("Working", 0);
    InputDef def = {15, 5, 0, "Name:", 10};
    CInputBox box(&def);
    ASSERT_EQ(box.Open(nullptr, nullptr), 1);
    char text[11] = "";
    answerWhenWaiting({keyEnter});
    box.Edit(text);
    EXPECT_EQ(shots[0].row(12).find("Working"), std::string::npos);
    EXPECT_EQ(mem->text(36, 12, 7), "Working");
}

TEST(decimalTextTest, Conversions)
{
    char out[16];
    const struct {
        int value;
        const char* text;
    } ints[] = {{0, "0"}, {7, "7"}, {42, "42"}, {INT_MAX, "2147483647"}};
    for (const auto& c : ints)
        EXPECT_STREQ(IntToDecimal(c.value, out), c.text);
    const struct {
        const char* text;
        int value;
    } texts[] = {
        {"  42", 42}, {"4a", 0}, {"", 0}, {"  ", 0}, {"007", 7}, {"2147483647", INT_MAX},
        {"2147483648", 0}, {"99999999999999999999", 0}, {"-1", 0}, {" 1 ", 0},
    };
    for (const auto& c : texts)
        EXPECT_EQ(DecimalToInt(c.text), c.value) << "[" << c.text << "]";
}

TEST(frameStylesTest, ColourAndMonochromeVariants)
{
    InitFrameStyles();
    const struct {
        int mono;
        uint8_t title, status, bar1, bar4last, statFrame, statFill;
    } cases[] = {{0, 0x38, 0x38, 0x1A, 0x06, 0x1E, 0x18}, {1, 0x07, 0x07, 0x07, 0x07, 0x08, 0x08}};
    for (const auto& c : cases) {
        SetMonochromeFlag(c.mono);
        EXPECT_EQ(TitleWindowFrame().style, 4);
        EXPECT_EQ(TitleWindowFrame().frameAttr, c.title);
        EXPECT_EQ(StatusLineFrame().style, 0);
        EXPECT_EQ(StatusLineFrame().textAttr, c.status);
        EXPECT_EQ(StatisticsBar(1)[0], c.bar1);
        EXPECT_EQ(StatisticsBar(4)[4], c.bar4last);
        EXPECT_EQ(StatisticsBar(2)[2], c.mono ? 0x0F : 0x1E);
        EXPECT_EQ(StatisticsFrame(2).frameAttr, c.statFrame);
        EXPECT_EQ(StatisticsFrame(1).fillAttr, c.statFill);
    }
    SetMonochromeFlag(0);
}

}  // namespace
}  // namespace tui::testing
