// Expansion of the execute line: the % codes, quoting by context, and the
// cut at the end of the buffer, checked through a real shell where it counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"
#include "external_command.h"

namespace {

CommandValues values(const char* text = "Adapter 0, text")
{
    CommandValues v;
    v.controller = 3;
    v.eventText = text;
    v.hostName = "raidhost";
    v.eventNumber = 21;
    v.severityName = "critical";
    v.timeText = "Thu Dec 10 13:57:03 2026";
    return v;
}

std::string expand(const std::string& line, const CommandValues& v, size_t limit = COMMAND_LINE_MAX)
{
    std::vector<char> out(limit + 1, 'Z');
    const size_t n = expand_execute_line(line.c_str(), v, out.data(), limit);
    EXPECT_LE(n, limit);
    EXPECT_EQ(out[n], '\0');
    return std::string(out.data(), n);
}

// Runs a command with the shell; the NUL-separated words it prints, and its exit status.
std::vector<std::string> shellWords(const std::string& command, int& status)
{
    std::vector<std::string> words;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        status = -1;
        return words;
    }
    std::string all;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        all.append(buf, n);
    status = pclose(p);
    size_t start = 0;
    for (size_t at; (at = all.find('\0', start)) != std::string::npos; start = at + 1)
        words.push_back(all.substr(start, at - start));
    return words;
}

}  // namespace

TEST(ExecuteLine, ExpandsEveryCode)
{
    const struct {
        const char* line;
        const char* expected;
    } cases[] = {
        {"run %% %C %I %N\n", "run % 3 21 21\n"},
        {"run %S %H %T", "run 'critical' 'raidhost' 'Thu Dec 10 13:57:03 2026'"},
        {"run %E", "run 'Adapter 0, text'"},
        {"run %X %c %e %-\n", "run %X %c %e %-\n"},  // any other pair is kept
        {"run %\n", "run %\n"},                       // a lone % before the newline
        {"run %", "run %"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expand(c.line, values()), c.expected) << c.line;
}

TEST(ExecuteLine, TextsNeverRunAsCommands)
{
    const char* const texts[] = {
        "it's",           "say \"hi\"",   "$(echo ran)", "`echo ran`",
        "a; echo ran",    "back\\slash",  "\\'",         "new\nline",
        "",               "\"'\"$HOME",   "'; echo ran; '", "\"; echo ran; \"",
    };
    const std::string line = "printf '%s\\0' %E \"%E\" '%E' x%Ey \\%E \"\\%E\" '\\%E' -%C-\n";
    for (const char* t : texts) {
        SCOPED_TRACE(t);
        const std::string text = std::string("Adapter 0, ") + t;
        int status = 0;
        auto words = shellWords(expand(line, values(text.c_str())), status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(words, (std::vector<std::string>{text, text, text, "x" + text + "y", "\\" + text,
                                                   "\\" + text, "\\" + text, "-3-"}));
    }
}

TEST(ExecuteLine, CutClosesTheQuoteAndDropsTheRest)
{
    const std::string text = "Adapter 0, it's \"$x\" `y` \\z and more";
    const char* const lines[] = {
        "printf '%s\\0' %E after\n",
        "printf '%s\\0' \"%E\" after\n",
        "printf '%s\\0' '%E' after\n",
        "printf '%s\\0' \"a\\%E\" after\n",
    };
    for (const char* line : lines) {
        for (size_t limit = 14; limit < 80; ++limit) {
            SCOPED_TRACE(std::string(line) + " limit " + std::to_string(limit));
            const std::string full = expand(line, values(text.c_str()));
            const std::string cut = expand(line, values(text.c_str()), limit);
            int status = 0;
            auto words = shellWords(cut, status);
            EXPECT_EQ(status, 0) << cut;
            if (cut.size() == full.size())
                continue;
            EXPECT_LE(cut.size(), limit);
            ASSERT_LE(words.size(), 2u);
            if (words.empty())
                continue;
            // The fourth line puts "a" and a backslash before the text.
            std::string word = words[0];
            for (const char* lead : {"a", "\\"})
                if (std::strstr(line, "a\\%E") && word.rfind(lead, 0) == 0)
                    word = word.substr(1);
            EXPECT_EQ(text.compare(0, word.size(), word), 0) << word;
            if (words.size() == 2) {
                // The text is whole; the word after it may be cut, never more.
                EXPECT_EQ(word, text);
                EXPECT_EQ(std::string("after").compare(0, words[1].size(), words[1]), 0) << words[1];
            }
        }
    }
}

TEST(ExecuteLine, SeveralTextsAreCutAtTheLimit)
{
    const std::string text(300, 'e');
    const std::string line = "run \"%E\" \"%E\" \"%E\" \"%E\" \"%E\" \"%E\" \"%E\" \"%E\" end\n";
    const std::string out = expand(line, values(text.c_str()));
    ASSERT_EQ(out.size(), COMMAND_LINE_MAX);
    EXPECT_EQ(out.back(), '"');
    EXPECT_EQ(out.find("end"), std::string::npos);
    // Six whole texts, then the part of the seventh that fits.
    const std::string whole = "\"" + text + "\" ";
    EXPECT_EQ(out.compare(0, 4 + 6 * whole.size(), "run " + whole + whole + whole + whole + whole + whole), 0);
}

TEST(ExecuteLine, SeverityNamesFollowTheRecordsWord)
{
    const struct {
        uint32_t severity;
        const char* name;
    } cases[] = {{0, "critical"}, {1, "warning"}, {2, "informational"}, {7, "warning"}, {0xFFFFFFFF, "warning"}};
    for (const auto& c : cases)
        EXPECT_STREQ(severity_name(c.severity), c.name) << c.severity;
}
