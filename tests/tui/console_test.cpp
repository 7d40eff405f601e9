// Console layer on the in-memory screen: keys, colour pairs, cells.
#include <gtest/gtest.h>

#include <vector>

#include "key_ring.h"
#include "screen_fixture.h"

namespace tui::testing {
namespace {

using consoleTest = screenTest;

struct keyCase {
    const char* name;
    std::vector<int> script;
    std::vector<int> expected;
};

TEST_F(consoleTest, ReadKeyAppliesPrefixAndEscRules)
{
    constexpr int P = memoryScreen::pause;
    const keyCase cases[] = {
        {"plain character", {'a'}, {'a'}},
        {"ESC alone", {27}, {27}},
        {"ESC with Down waiting", {27, keyDown}, {514}},
        {"ESC ESC with x waiting", {27, 27, 'x'}, {'x' + 512}},
        {"ESC then later Down", {27, P, keyDown}, {27, keyDown}},
        {"zero prefix", {0, 72}, {328}},
        {"E0 prefix", {0xE0, 80}, {336}},
        {"ESC then prefixed key", {27, 0, 72}, {328 + 256}},
        {"terminal Delete", {330}, {keyDelete}},
        {"terminal Insert", {331}, {keyInsert}},
        {"keypad Enter", {343}, {keyEnter}},
        {"DEL byte", {127}, {keyBackspace}},
        {"Ctrl-H", {8}, {keyBackspace}},
        {"function key", {keyF(10)}, {274}},
    };
    for (const keyCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (int k : c.script)
            mem->pushKeys({k});
        for (int want : c.expected)
            EXPECT_EQ(readKey(), want);
        EXPECT_EQ(mem->keysLeft(), 0u);
    }
}

TEST_F(consoleTest, KeyPressedKeepsPolledKeysForReadKey)
{
    EXPECT_EQ(keyPressed(), 0);
    mem->pushKeys({'a', 'b'});
    EXPECT_EQ(keyPressed(), 1);
    EXPECT_EQ(readKey(), 'a');
    EXPECT_EQ(readKey(), 'b');
}

TEST_F(consoleTest, FlushKeysDropsWaitingKeysAndReturnsOnEmpty)
{
    flushKeys();
    mem->pushKeys({'a', 27, keyDown, 'c'});
    flushKeys();
    EXPECT_EQ(mem->keysLeft(), 0u);
    EXPECT_EQ(keyPressed(), 0);
}

int lostCalls = 0;
int countLost()
{
    ++lostCalls;
    return 'q';
}

TEST_F(consoleTest, KeyboardThatKeepsFailingGoesToTheLostHandler)
{
    lostCalls = 0;
    setInputLostHandler(&countLost);
    EXPECT_EQ(readKey(), 'q');
    EXPECT_EQ(lostCalls, 1);
}

int resizes = 0;
void countResize()
{
    ++resizes;
}

TEST_F(consoleTest, SignalsAndResizesAreNotKeysNorALostKeyboard)
{
    constexpr int I = memoryScreen::interrupt;
    resizes = 0;
    setResizeHandler(&countResize);
    mem->pushKeys({I, I, I, I, I, I, I, I, I, I, keyResize, I, 'a'});
    EXPECT_EQ(readKey(), 'a');  // the fixture's lost-keyboard handler fails the test
    EXPECT_EQ(resizes, 1);

    mem->pushKeys({keyResize});
    EXPECT_EQ(keyPressed(), 0);
    EXPECT_EQ(resizes, 2);
    mem->pushKeys({keyEsc, keyResize});
    EXPECT_EQ(readKey(), keyEsc);
    EXPECT_EQ(resizes, 3);
    EXPECT_EQ(mem->keysLeft(), 0u);
}

TEST(keyRingTest, RefusesAStoreWhenFull)
{
    keyRing ring;
    for (int i = 0; i < keyRing::capacity; ++i)
        EXPECT_TRUE(ring.store(i));
    EXPECT_FALSE(ring.store(99));
    int k = -1;
    for (int i = 0; i < keyRing::capacity; ++i) {
        ASSERT_TRUE(ring.take(k));
        EXPECT_EQ(k, i);
    }
    EXPECT_FALSE(ring.take(k));
    EXPECT_TRUE(ring.store(7));  // wraps around
    EXPECT_TRUE(ring.take(k));
    EXPECT_EQ(k, 7);
}

TEST_F(consoleTest, ScreenSizeIsMinusOneWithoutScreen)
{
    int c = 0, r = 0;
    screenSize(c, r);
    EXPECT_EQ(c, 40);
    EXPECT_EQ(r, 15);
    consoleDone();
    screenSize(c, r);
    EXPECT_EQ(c, -1);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(cursorPosition(), point(-1, -1));
}

TEST_F(consoleTest, ColourPairsAreDefinedOncePerColourCombination)
{
    EXPECT_EQ(colorPairFor(0x07), 0);
    EXPECT_EQ(colorPairFor(0x8F), 0);  // bright and blink are not colours
    EXPECT_EQ(colorPairFor(0x1E), 1);
    EXPECT_EQ(colorPairFor(0x9E), 1);
    EXPECT_EQ(pairAttribute(1), 0x16);
    EXPECT_EQ(mem->pairColors(1), 3 * 8 + 4);  // PC brown on blue: curses yellow (3) on blue (4)
    EXPECT_EQ(pairAttribute(50), 0x07);
}

TEST_F(consoleTest, EveryColourCombinationGetsItsOwnPair)
{
    int defined = 1;
    for (int bg = 0; bg < 8; ++bg)
        for (int fg = 0; fg < 8; ++fg) {
            uint8_t a = static_cast<uint8_t>(bg << 4 | fg);
            EXPECT_EQ(colorPairFor(a), a == 0x07 ? 0 : defined++);
        }
    EXPECT_EQ(defined, colorPairCount);
    EXPECT_EQ(colorPairFor(0xFF), 63);
    EXPECT_EQ(pairAttribute(63), 0x77);
}

TEST_F(consoleTest, WriteCellsSkipsCellsOffTheScreenAndReadCellsReadsThemBack)
{
    useScreen(6, 3);
    std::vector<cell> block(4 * 2);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = {static_cast<uint8_t>('a' + i), static_cast<uint8_t>(0x10 + i)};
    writeCells(rect(-1, -1, 4, 2), block.data());  // only 'f', 'g', 'h' land
    writeCells(rect(4, 2, 4, 2), block.data());    // only 'a', 'b' land
    EXPECT_EQ(screenText(0, 0, 6, 3), "fgh   \n      \n    ab");
    EXPECT_EQ(mem->attrAt(0, 0), 0x15);

    std::vector<cell> back(4 * 2, cell{'?', 0});
    readCells(rect(3, 1, 4, 2), back.data());
    EXPECT_EQ(back[4].ch, ' ');
    EXPECT_EQ(back[5].ch, 'a');
    EXPECT_EQ(back[5].attr, 0x10);
    EXPECT_EQ(back[3].ch, '?');  // off the screen: left alone
}

TEST_F(consoleTest, ConPrintfExpandsTabsFromTheCursorColumn)
{
    ::testing::internal::CaptureStdout();
    conPrintf("a\tb%d", 5);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "a        b5");  // cursor column 0: 8 blanks
}

}  // namespace
}  // namespace tui::testing
