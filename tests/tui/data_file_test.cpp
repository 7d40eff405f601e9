// The file object and its error codes.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "data_file.h"

namespace tui {
namespace {

int openDescriptors()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n;
}

class dataFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/tui-datafile-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/f.bin";
    }
    void TearDown() override
    {
        unlink(path.c_str());
        rmdir(dir.c_str());
    }
    std::string contents()
    {
        dataFile f;
        std::string s(256, '\0');
        EXPECT_EQ(f.open(path.c_str(), dataFile::modeReadOnly), 1);
        long n = f.read(s.data(), 256);
        s.resize(n < 0 ? 0 : n);
        return s;
    }
    std::string dir;
    std::string path;
};

TEST_F(dataFileTest, MissingFilesReportNotFound)
{
    dataFile f;
    EXPECT_EQ(f.exists(path.c_str()), 0);
    EXPECT_EQ(f.error(), dataFile::errNotFound);
    EXPECT_EQ(f.open(path.c_str(), 0), 0);
    EXPECT_EQ(f.error(), dataFile::errNotFound);
    EXPECT_EQ(f.fileLength(path.c_str()), -1);
    int err = 0;
    EXPECT_NE(dataFile::remove(path.c_str(), err), 0);
    EXPECT_EQ(err, dataFile::errNotFound);
}

TEST_F(dataFileTest, WritesReadsSeeksAndMeasures)
{
    dataFile f;
    ASSERT_EQ(f.open(path.c_str(), dataFile::modeCreate | dataFile::modeTruncate), 1);
    EXPECT_EQ(f.write("hello world", 11), 11);
    EXPECT_EQ(f.length(), 11);
    EXPECT_EQ(f.seek(6, 0), 6);
    char buf[8] = {};
    EXPECT_EQ(f.read(buf, 5), 5);
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(f.tell(), 11);
    EXPECT_EQ(f.seek(-1, 0), -1);
    EXPECT_EQ(f.error(), dataFile::errSeek);
    f.close();
    EXPECT_EQ(f.error(), 0);
    EXPECT_EQ(f.exists(path.c_str()), 1);
    EXPECT_EQ(f.fileLength(path.c_str()), 11);

    ASSERT_EQ(f.open(path.c_str(), dataFile::modeAppend), 1);
    EXPECT_EQ(f.tell(), 11);
    f.write("!", 1);
    f.close();
    EXPECT_EQ(contents(), "hello world!");
}

TEST_F(dataFileTest, UnknownSeekOriginsFailWithoutMoving)
{
    dataFile f;
    ASSERT_EQ(f.open(path.c_str(), dataFile::modeCreate), 1);
    f.write("hello world", 11);
    ASSERT_EQ(f.seek(4, 0), 4);
    for (int origin : {3, 4, -1, 0x7FFF}) {  // 3 and 4 would be data and hole seeks here
        SCOPED_TRACE(origin);
        EXPECT_EQ(f.seek(0, origin), -1);
        EXPECT_EQ(f.error(), dataFile::errSeek);
        EXPECT_EQ(f.tell(), 4);
    }
}

TEST_F(dataFileTest, ANamedPipeWithoutWriterIsLookedAtWithoutWaiting)
{
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    alarm(10);  // a blocking open ends the test program instead of hanging it
    dataFile f;
    EXPECT_EQ(f.exists(path.c_str()), 1);
    EXPECT_EQ(f.error(), 0);
    EXPECT_EQ(f.fileLength(path.c_str()), 0);
    alarm(0);
}

TEST_F(dataFileTest, ReadOnlyFilesRefuseWrites)
{
    dataFile f;
    ASSERT_EQ(f.open(path.c_str(), dataFile::modeCreate | dataFile::modeReadOnly), 1);
    EXPECT_EQ(f.write("x", 1), -1);
    EXPECT_EQ(f.error(), dataFile::errOther);  // EBADF
}

TEST_F(dataFileTest, DestructorClosesTheDescriptor)
{
    int before = openDescriptors();
    {
        dataFile f;
        ASSERT_EQ(f.open(path.c_str(), dataFile::modeCreate), 1);
        ASSERT_EQ(f.open(path.c_str(), 0), 1);  // reopening closes the first
        EXPECT_EQ(openDescriptors(), before + 1);
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(dataFileTest, InsertsAndDeletesBytes)
{
    std::string big(10000, 'a');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    {
        dataFile f;
        ASSERT_EQ(f.open(path.c_str(), dataFile::modeCreate), 1);
        f.write(big.data(), static_cast<unsigned>(big.size()));
        ASSERT_EQ(f.insertBytes(5000, "XYZ", 3), 1);
        EXPECT_EQ(f.length(), 10003);
        ASSERT_EQ(f.deleteBytes(5000, 3), 1);
        EXPECT_EQ(f.length(), 10000);
        std::string back(10000, '\0');
        f.seek(0, 0);
        EXPECT_EQ(f.read(back.data(), 10000), 10000);
        EXPECT_EQ(back, big);
        ASSERT_EQ(f.deleteBytes(9990, 50), 1);  // the range reaches the end
        EXPECT_EQ(f.length(), 9990);
        ASSERT_EQ(f.setLength(12), 1);
    }
    EXPECT_EQ(contents(), big.substr(0, 12));
}

}  // namespace
}  // namespace tui
