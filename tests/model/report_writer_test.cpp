// The report writer and its two small classes: the writer's edge cases as
// one table over its line function, file mode with a full device, and the
// operations of CCountedString and CBuffer<char>.
#include "cbuffer.h"
#include "counted_string.h"
#include "report_writer.h"
#include "test_hooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> g_lines;
void Collect(const char* line) { g_lines.emplace_back(line); }

std::string Blanks(size_t n) { return std::string(n, ' '); }

TEST(ReportWriter, EdgeCases)
{
    const std::string longLabel(25, 'L');
    const std::string longValue(120, 'v');
    const struct {
        const char* name;
        std::function<int(CReportWriter&)> run;
        int result;
        std::vector<std::string> lines;
    } cases[] = {
        {"label of 25: value directly after it", [&](CReportWriter& w) { return w.WriteField(longLabel.c_str(), "V"); },
         1, {longLabel + "V"}},
        {"label of 5: value at 18", [](CReportWriter& w) { return w.WriteField("Label", "V"); }, 1,
         {"Label" + Blanks(13) + "V"}},
        {"field at indent 2: 8 blanks, value at 26", [](CReportWriter& w) {
             w.Indent();
             w.Indent();
             return w.WriteField("Label", "V");
         }, 1, {Blanks(8) + "Label" + Blanks(13) + "V"}},
        {"centred heading of 10 with '='", [](CReportWriter& w) { return w.WriteHeading("0123456789", 2, 1); }, 1,
         {Blanks(35) + "0123456789" + Blanks(35), Blanks(35) + "==========" + Blanks(35)}},
        {"heading with '-', not centred", [](CReportWriter& w) { return w.WriteHeading("Head", 1, 0); }, 1,
         {"Head", "----"}},
        {"heading without underline keeps none", [](CReportWriter& w) {
             w.WriteHeading("Head", 0, 0);
             return w.RepeatUnderline();
         }, 0, {"Head"}},
        {"repeated underline", [](CReportWriter& w) {
             w.WriteHeading("Head", 1, 0);
             return w.RepeatUnderline();
         }, 1, {"Head", "----", "----"}},
        {"a later centred heading centres the older underline", [](CReportWriter& w) {
             w.SetWidth(10);
             w.WriteHeading("ab", 1, 0);
             w.WriteHeading("cd", 0, 1);
             return w.RepeatUnderline();
         }, 1, {"ab", "--", "    cd    ", "    --    "}},
        {"field line cut at the width", [&](CReportWriter& w) { return w.WriteField("Label", longValue.c_str()); }, 1,
         {("Label" + Blanks(13) + longValue).substr(0, 80)}},
        {"plain line not cut", [&](CReportWriter& w) { return w.WriteLine(longValue.c_str()); }, 1, {longValue}},
        {"fourth indent refused, level stays 3", [](CReportWriter& w) {
             w.Indent();
             w.Indent();
             w.Indent();
             const int r = w.Indent();
             w.WriteLine("x");
             return r;
         }, 0, {Blanks(12) + "x"}},
        {"outdent at 0 refused", [](CReportWriter& w) { return w.Outdent(); }, 0, {}},
        {"columns at 0, 18, 34, 52", [](CReportWriter& w) { return w.WriteColumns("a", "b", "c", "d"); }, 1,
         {"a" + Blanks(17) + "b" + Blanks(15) + "c" + Blanks(17) + "d"}},
        {"longer columns adjoin", [](CReportWriter& w) {
             return w.WriteColumns("aaaaaaaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbb", "c", "d");
         }, 1, {"aaaaaaaaaaaaaaaaaaaabbbbbbbbbbbbbbbbc" + Blanks(15) + "d"}},
        {"columns past the buffer grow it", [&](CReportWriter& w) {
             w.SetWidth(400);
             return w.WriteColumns(longValue.c_str(), longValue.c_str(), "c", "d");
         }, 1, {longValue + longValue + "cd"}},
        {"three blank lines at indent 1", [](CReportWriter& w) {
             w.Indent();
             return w.WriteBlankLines(3);
         }, 1, {Blanks(4), Blanks(4), Blanks(4)}},
        {"line buffer that cannot grow: nothing written", [](CReportWriter& w) {
             ModelFailAllocationsAfter(0);
             const int r = w.WriteLine("x");
             ModelFailAllocationsAfter(-1);
             return r;
         }, 0, {}},
        {"callback mode opens nothing", [](CReportWriter& w) { return w.Open("/", 1) + w.FileExists("/etc/passwd"); },
         0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_lines.clear();
        CReportWriter w(Collect);
        EXPECT_EQ(c.run(w), c.result);
        EXPECT_EQ(g_lines, c.lines);
    }
}

TEST(ReportWriter, FileModeWritesLinesAndReportsFailures)
{
    char tmpl[] = "/tmp/kzm_report_XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const std::string path = dir + "/report.txt";
    {
        CReportWriter w;
        EXPECT_EQ(w.FileExists(path.c_str()), 0);
        ASSERT_EQ(w.Open(path.c_str(), 0), 0);
        EXPECT_EQ(w.WriteHeading("Report", 2, 0), 1);
        w.Indent();
        EXPECT_EQ(w.WriteField(std::string(150, 'L').c_str(), "value"), 1) << "no cut in file mode";
        EXPECT_EQ(w.Close(), 0);
        EXPECT_EQ(w.WriteLine("after close"), -1);
        EXPECT_EQ(w.FileExists(path.c_str()), 1);
        EXPECT_EQ(w.Open(path.c_str(), 0), 5) << "exists, no overwrite";
        EXPECT_EQ(w.Open((dir + "/none/report.txt").c_str(), 1), 5);
    }
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "Report\n======\n    " + std::string(150, 'L') + "value\n");

    CReportWriter full;
    ASSERT_EQ(full.Open("/dev/full", 1), 0);
    int worst = 1;
    for (int i = 0; i < 200; ++i)
        worst = std::min(worst, full.WriteLine("a line that the full device never takes"));
    EXPECT_LT(std::min(worst, full.Close()), 0) << "the failure reaches the caller";
    std::filesystem::remove_all(dir);
}

TEST(ReportWriter, ShortNames)
{
    char out[12];
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"/var/log/saveinfo.txt", "SAVEINFOTXT"},
        {"c:\\dir\\raidsave.txt", "RAIDSAVETXT"},
        {"a:b.c", "B       C  "},
        {"averyverylongname.text", "AVERYVERTEX"},
        {"noext", "NOEXT      "},
    };
    for (const auto& c : cases) {
        CReportWriter::MakeShortName(c.path, out);
        std::string expected = c.name;
        // The name keeps its case; compare case-insensitively against the table.
        std::string got = out;
        for (char& ch : got)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(got, expected) << c.path;
    }
}

TEST(CountedString, Operations)
{
    CCountedString s("  \tHello // note ");
    EXPECT_EQ(s.Length(), 17);
    s.CutComment();
    EXPECT_STREQ(s.Text(), "  \tHello ");
    s.TrimLeft();
    s.TrimRight();
    EXPECT_STREQ(s.Text(), "Hello");
    EXPECT_EQ(s.Find('l'), 2);
    EXPECT_EQ(s.Find('z'), -1);
    ASSERT_NE(s.CharAt(4), nullptr);
    EXPECT_EQ(*s.CharAt(4), 'o');
    EXPECT_EQ(s.CharAt(5), nullptr);
    EXPECT_STREQ(s.Left(3, false).Text(), "Hel");
    EXPECT_STREQ(s.Left(7, true).Text(), "Hello  ");
    EXPECT_STREQ(s.Right(3, false).Text(), "llo");
    EXPECT_STREQ(s.Right(7, true).Text(), "  Hello");
    EXPECT_STREQ(s.Right(7, false).Text(), "Hello");
    EXPECT_STREQ(s.Centre(9).Text(), "  Hello  ");
    EXPECT_STREQ(s.Centre(8).Text(), " Hello  ");
    EXPECT_STREQ(s.Centre(3).Text(), "Hello");

    CCountedString copy(s);
    copy += CCountedString(", world");
    EXPECT_STREQ(copy.Text(), "Hello, world");
    copy = copy;
    EXPECT_STREQ(copy.Text(), "Hello, world");
    copy = CCountedString();
    EXPECT_EQ(copy.Length(), 0);
    EXPECT_STREQ(copy.Text(), "");
    EXPECT_STREQ(CCountedString(3, '=').Text(), "===");
    EXPECT_STREQ(CCountedString("abcdef", 4).Text(), "abcd");
    EXPECT_STREQ(CCountedString("ab", 4).Text(), "ab");

    const struct {
        const char* a;
        const char* b;
        int compare, noCase;
    } compares[] = {
        {"abc", "abd", -1, 1},   // against "ABD" the lower-case 'a' is greater
        {"ABD", "abd", -1, 0},
        {"abcd", "zzz", 1, 1},   // the longer is greater
        {"ab", "ab", 0, 1},
    };
    for (const auto& c : compares) {
        EXPECT_EQ(CCountedString(c.a).Compare(CCountedString(c.b)), c.compare) << c.a << " " << c.b;
        EXPECT_EQ(CCountedString(c.a).CompareNoCase(CCountedString(c.b)), c.noCase) << c.a << " " << c.b;
    }
    EXPECT_EQ(CCountedString("123").CompareNumber(123), 0);
    EXPECT_EQ(CCountedString("124").CompareNumber(123), 1);
    EXPECT_EQ(CCountedString("99").CompareNumber(100), -1);
}

TEST(Buffer, SetSizeFillShift)
{
    CBuffer<char> b;
    EXPECT_EQ(b.Size(), 0u);
    ASSERT_EQ(b.SetSize(6), 1);
    std::memcpy(b.At(0), "abcdef", 6);
    b.Shift(2);
    EXPECT_EQ(std::string(b.At(0), 6), "ababcd") << "the first two keep their values";
    b.Shift(-3);
    EXPECT_EQ(std::string(b.At(0), 6), "bcdbcd") << "the last three keep theirs";
    b.Shift(6);
    EXPECT_EQ(std::string(b.At(0), 6), "bcdbcd");
    ASSERT_EQ(b.SetSize(3), 1);
    EXPECT_EQ(std::string(b.At(0), 3), "bcd");
    ModelFailAllocationsAfter(0);
    EXPECT_EQ(b.SetSize(10), 0);
    ModelFailAllocationsAfter(-1);
    EXPECT_EQ(b.Size(), 3u);
    EXPECT_EQ(std::string(b.At(0), 3), "bcd") << "the old contents stay";
    b.Fill('x');
    EXPECT_EQ(std::string(b.At(0), 3), "xxx");
    ASSERT_EQ(b.SetSize(0), 1);
    EXPECT_EQ(b.Size(), 0u);
}

}  // namespace
