// The line editor and the prompt box on the in-memory screen.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "edit_line.h"
#include "prompt_box.h"
#include "screen_fixture.h"

namespace tui::testing {
namespace {

class editLineTest : public screenTest {
protected:
    void TearDown() override
    {
        setEditInsertMode(0);
        screenTest::TearDown();
    }
};

// A field of 8 cells filled with '.'; the 'X' that ends most scripts shows
// where the cursor stood.
TEST_F(editLineTest, KeysInBothModes)
{
    struct {
        const char* text;
        int cursor;
        int insert;
        std::vector<int> keys;
        const char* result;
    } cases[] = {
        {"ab  cd", 0, 0, {keyWordRight, 'X'}, "ab  Xd"},
        {"ab  cd", 0, 0, {keyDeleteWord}, "cd"},
        {"ab  cd", 6, 0, {keyWordLeft, 'X'}, "ab  Xd"},
        {"abc de", 5, 0, {keyWordLeft, 'X'}, "abc Xe"},       // inside a word: its start
        {"abc de", 4, 0, {keyWordLeft, 'X'}, "Xbc de"},       // at a word's start: the previous one
        {"  ab", 2, 0, {keyWordLeft, 'X'}, "  Xb"},           // no word before
        {"ab", 0, 0, {keyWordRight, 'X'}, "Xb"},              // no word after
        {"ab cd", 3, 0, {keyDeleteWord}, "ab"},               // no word after: up to the end of this one
        {"abc", 2, 0, {keyClearField, 'X'}, "X"},
        {"ab", 0, 0, {keyBackspace, 'X'}, "Xb"},
        {"abc", 2, 0, {keyBackspace, 'X'}, "aXc"},
        {"abc", 2, 1, {keyBackspace}, "ac"},
        {"abc", 1, 0, {keyDelete}, "ac"},
        {"abc", 3, 0, {keyDelete, 'X'}, "abcX"},
        {"abcdefgh", 0, 1, {'X'}, "abcdefgh"},                // full field refuses inserts
        {"abcdefgh", 0, 0, {'X'}, "Xbcdefgh"},
        {"abc", 1, 1, {'X'}, "aXbc"},
        {"abcdefgh", 8, 0, {keyRight, 'X'}, "abcdefgh"},
        {"ab", 0, 0, {keyEnd, 'X'}, "abX"},
        {"ab", 2, 0, {keyHome, 'X'}, "Xb"},
        {"ab", 2, 0, {keyLeft, 'X'}, "aX"},
        {"ab", 9, 0, {'X'}, "ab"},                           // cursor clamped to the width: typing refused
        {"abc", 0, 0, {keyInsert, 'X'}, "Xabc"},
    };
    const frameSpec wanted{4, 0x1E, 0x17, 0x1F, ' '};
    for (const auto& c : cases) {
        window w(rect(0, 0, 12, 3), &wanted);
        w.show();
        editLine ed(point(1, 1), 0x1F, '.', 8, &w);
        setEditInsertMode(c.insert);
        char buffer[9] = {};
        std::strcpy(buffer, c.text);
        for (int k : c.keys)
            mem->pushKeys({k});
        mem->pushKeys({keyEnter});
        EXPECT_EQ(ed.edit(buffer, c.cursor), 1);
        const std::string expected = c.result;
        const size_t end = expected.find_last_not_of(". ");
        EXPECT_EQ(std::string(buffer), expected.substr(0, end + 1)) << c.text << " from " << c.cursor;
        EXPECT_EQ(ed.lastKey(), keyEnter);
    }
    EXPECT_EQ(editInsertMode(), 1) << "the toggle is kept for the next edit";
}

TEST_F(editLineTest, MaskHidesTheTextButNotTheFill)
{
    const frameSpec wanted{0, 0x17, 0x17, 0x1F, ' '};
    window w(rect(0, 0, 12, 1), &wanted);
    w.show();
    editLine ed(point(0, 0), 0x1F, '.', 10, &w);
    ed.setMaskChar('*');
    char buffer[11] = "secret";
    mem->pushKeys({keyEnter});
    EXPECT_EQ(ed.edit(buffer, 6), 1);
    EXPECT_EQ(mem->text(0, 0, 10), "******....");
    EXPECT_STREQ(buffer, "secret");
}

TEST_F(editLineTest, PromptBoxLaysOutPromptFieldAndTitle)
{
    useScreen(40, 5);
    promptStyle s;
    s.frameAttr = 0x1E;
    s.textAttr = 0x1F;
    s.promptAttr = 0x1B;
    promptBox box(point(1, 1), &s, nullptr);
    EXPECT_EQ(box.maskChar(), 0xFF);
    ASSERT_EQ(box.create(6, "Name:"), 1);
    EXPECT_EQ(box.maskChar(), 0);
    EXPECT_EQ(box.borderSize(), 2);
    char text[16] = "abc";
    mem->pushText("de");
    mem->pushKeys({keyEnter});
    ASSERT_EQ(box.edit(text, 0, "T"), 1);
    EXPECT_EQ(screenText(1, 1, 15, 3),
              "┌──────T──────┐\n"
              "│ Name:dec    │\n"
              "└─────────────┘");
    EXPECT_EQ(mem->attrAt(3, 2), 0x1B);
    EXPECT_EQ(mem->attrAt(8, 2), 0x1F);
    EXPECT_STREQ(text, "dec");
    EXPECT_EQ(box.lastKey(), keyEnter);
}

TEST_F(editLineTest, PromptBoxKeepsTheCallersTextOnEscAndCutsToItsBuffer)
{
    promptStyle s;
    promptBox box(point(0, 0), &s, nullptr);
    ASSERT_EQ(box.create(10, "P"), 1);
    char text[8] = "keep";
    mem->pushText("xyz");
    mem->pushKeys({keyEsc});
    box.edit(text, 0, nullptr);
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(box.lastKey(), keyEsc);

    char small[4] = "";
    mem->pushText("abcdefgh");
    mem->pushKeys({keyEnter});
    box.edit(small, 0, nullptr);
    EXPECT_STREQ(small, "abc");
}

}  // namespace
}  // namespace tui::testing
