#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "byte_buffer.h"

namespace {

std::string contents(const ByteBuffer& b) { return std::string(reinterpret_cast<char*>(b.data), b.used); }

struct BufferFixture : ::testing::Test {
    ByteBuffer b;
    ~BufferFixture() override { buf_free(b); }
};

TEST_F(BufferFixture, InsertAtFrontMovesOldBytesUp)
{
    ASSERT_EQ(buf_create(b, 16), 0);
    ASSERT_EQ(buf_append(b, "0123456789", 10), 0);
    ASSERT_EQ(buf_insert(b, 0, "abcde", 5), 0);
    EXPECT_EQ(contents(b), "abcde0123456789");
    ASSERT_EQ(buf_insert_string(b, 15, "!"), 0);
    EXPECT_EQ(contents(b), "abcde0123456789!");
    EXPECT_EQ(buf_insert(b, 17, "x", 1), -1);  // beyond the used part
}

TEST_F(BufferFixture, AppendToFullBufferGrowsByStep)
{
    ASSERT_EQ(buf_create(b, 16384), 0);
    std::string block(16384, 'q');
    ASSERT_EQ(buf_append(b, block.data(), 16384), 0);
    EXPECT_EQ(b.size, 16384u);
    ASSERT_EQ(buf_append(b, "0123456789", 10), 0);
    EXPECT_EQ(b.size, 20480u);
    EXPECT_EQ(b.used, 16394u);
    // A shortfall above the step grows by exactly that amount.
    std::string big(10000, 'z');
    ASSERT_EQ(buf_append(b, big.data(), 10000), 0);
    EXPECT_EQ(b.size, 26394u);
}

TEST_F(BufferFixture, ResizeKeepsCursorAtItsOffset)
{
    ASSERT_EQ(buf_create(b, 16384), 0);
    std::string block(16384, 'q');
    ASSERT_EQ(buf_append(b, block.data(), 16384), 0);
    b.cursor = b.data + 16384;
    ASSERT_EQ(buf_resize(b, 20000), 0);
    EXPECT_EQ(b.cursor - b.data, 16384);
    EXPECT_EQ(contents(b), block);
}

TEST_F(BufferFixture, RemoveChecksItsRange)
{
    ASSERT_EQ(buf_create(b, 8), 0);
    ASSERT_EQ(buf_append_string(b, "abcdef"), 0);
    EXPECT_EQ(buf_remove(b, 4, 3), -1);
    ASSERT_EQ(buf_remove(b, 1, 2), 0);
    EXPECT_EQ(contents(b), "adef");
}

TEST(ByteBuffer, FreeWithoutBlockFails)
{
    ByteBuffer b;
    EXPECT_EQ(buf_free(b), -1);
}

}  // namespace
