// The message box on the in-memory screen.
#include <gtest/gtest.h>

#include "msg_box.h"
#include "screen_fixture.h"

namespace tui::testing {
namespace {

class msgBoxTest : public screenTest {
protected:
    void SetUp() override { useScreen(80, 25); }
    void TearDown() override
    {
        msgBoxClose();
        screenTest::TearDown();
    }
    static msgBoxStyle style(int shadow, int centred)
    {
        msgBoxStyle s;
        s.frameStyle = 4;
        s.frameAttr = 0x3E;
        s.fillAttr = 0x37;
        s.textAttr = 0x3F;
        s.shadow = shadow;
        s.centred = centred;
        return s;
    }
};

TEST_F(msgBoxTest, TwoLinesSitInTheMiddleOfTheScreen)
{
    struct {
        const char* text;
        int centred;
        const char* shown;
    } cases[] = {
        {"abc\nde", 1, "┌───┐\n│abc│\n│de │\n└───┘"},
        {"abc\nd", 1, "┌───┐\n│abc│\n│ d │\n└───┘"},
        {"abc\nd", 0, "┌───┐\n│abc│\n│d  │\n└───┘"},
    };
    for (const auto& c : cases) {
        const msgBoxStyle s = style(0, c.centred);
        ASSERT_EQ(msgBoxOpen(c.text, &s, nullptr), 1);
        EXPECT_EQ(screenText(37, 10, 5, 4), c.shown) << c.text;
        EXPECT_EQ(mem->attrAt(38, 11), 0x3F);
        msgBoxClose();
        EXPECT_EQ(screenText(37, 10, 5, 4), "     \n     \n     \n     ");
    }
}

TEST_F(msgBoxTest, AFinalLineBreakAddsAnEmptyLine)
{
    const msgBoxStyle s = style(0, 1);
    ASSERT_EQ(msgBoxOpen("ab\n", &s, nullptr), 1);
    EXPECT_EQ(screenText(38, 10, 4, 4), "┌──┐\n│ab│\n│  │\n└──┘");
}

TEST_F(msgBoxTest, ATextWiderThanTheScreenIsCut)
{
    const msgBoxStyle s = style(1, 0);
    const std::string wide(100, 'x');
    ASSERT_EQ(msgBoxOpen(wide.c_str(), &s, nullptr), 1);
    // 80 - 2 (frame) - 1 (shadow) = 77 text columns from column 1.
    EXPECT_EQ(mem->text(0, 12, 2), "│x");
    EXPECT_EQ(mem->text(77, 12, 2), "x│");
    EXPECT_EQ(mem->attrAt(79, 13), attrShadow);
}

TEST_F(msgBoxTest, ASecondOpenClosesTheFirstAndFails)
{
    const msgBoxStyle s = style(0, 1);
    ASSERT_EQ(msgBoxOpen("one", &s, nullptr), 1);
    EXPECT_EQ(msgBoxOpen("two", &s, nullptr), 0);
    EXPECT_EQ(msgBoxIsOpen(), 0);
    EXPECT_EQ(mem->row(12).find("one"), std::string::npos);
    EXPECT_EQ(msgBoxOpen("two", &s, nullptr), 1);
}

TEST_F(msgBoxTest, AParentSmallerThanTheFrameStillGetsABoxOfOneCell)
{
    const frameSpec wanted{0, 0x07, 0x07, 0x07, ' '};
    window parent(rect(2, 2, 2, 2), &wanted);
    parent.show();
    const msgBoxStyle s = style(1, 1);
    ASSERT_EQ(msgBoxOpen("hello\nworld", &s, &parent), 1);
    msgBoxClose();
}

TEST_F(msgBoxTest, WaitReturnsOnlyAListedKey)
{
    const msgBoxStyle s = style(0, 1);
    const int yes[] = {'y', 'n', 0};
    const int none[] = {0};
    struct {
        const int* keys;
        std::initializer_list<int> script;
        int result;
    } cases[] = {
        {yes, {'a', keyEnter, 'n'}, 'n'},
        {nullptr, {'a'}, 'a'},
        {none, {'q'}, 'q'},  // a list that accepts nothing takes any key
    };
    for (const auto& c : cases) {
        mem->pushKeys(c.script);
        EXPECT_EQ(msgBoxWait("Sure?", &s, c.keys, nullptr), c.result);
        EXPECT_EQ(mem->keysLeft(), 0u);
        EXPECT_EQ(msgBoxIsOpen(), 0);
    }
}

}  // namespace
}  // namespace tui::testing
