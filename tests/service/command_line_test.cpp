// Expansion of the execute line: the % codes, quoting by context, and the
// cut at the end of the buffer, checked through a real shell where it counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"
#include "external_command.h"
#include "service_settings.h"

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

// Whatever the limit, the line's own words stay whole: only the text is
// shortened, and it keeps its quoting.
TEST(ExecuteLine, TheLimitShortensOnlyTheText)
{
    const std::string text = "Adapter 0, it's \"$x\" `y` \\z and more";
    const char* const lines[] = {
        "printf '%s\\0' %E after\n",
        "printf '%s\\0' \"%E\" after\n",
        "printf '%s\\0' '%E' after\n",
        "printf '%s\\0' \"a\\%E\" after\n",
    };
    for (const char* line : lines) {
        const std::string full = expand(line, values(text.c_str()));
        const size_t own = execute_line_own_length(line);
        EXPECT_EQ(expand(line, values(text.c_str()), own - 1), "") << line;  // the own words do not fit
        for (size_t limit = own; limit <= full.size(); ++limit) {
            SCOPED_TRACE(std::string(line) + " limit " + std::to_string(limit));
            const std::string cut = expand(line, values(text.c_str()), limit);
            EXPECT_LE(cut.size(), limit);
            int status = 0;
            auto words = shellWords(cut, status);
            EXPECT_EQ(status, 0) << cut;
            ASSERT_EQ(words.size(), 2u) << cut;
            EXPECT_EQ(words[1], "after");
            // The fourth line puts "a" and a backslash before the text.
            const std::string lead = std::strstr(line, "a\\%E") ? "a\\" : "";
            ASSERT_EQ(words[0].compare(0, lead.size(), lead), 0) << words[0];
            const std::string got = words[0].substr(lead.size());
            EXPECT_EQ(text.compare(0, got.size(), got), 0) << got;
        }
    }
}

// Long texts share the room equally; short texts stay whole.
TEST(ExecuteLine, LongTextsShareTheRoom)
{
    const std::string text(300, 'e');
    const std::string line = "run \"%E\" \"%E\" \"%E\" \"%E\" \"%E\" \"%E\" \"%E\" \"%E\" end\n";
    const std::string out = expand(line, values(text.c_str()));
    // 32 own characters leave 2016, 252 for each text.
    std::string expected = "run ";
    for (int i = 0; i < 8; ++i)
        expected += "\"" + std::string(252, 'e') + "\" ";
    EXPECT_EQ(out, expected + "end\n");

    const std::string longer(1500, 'e');
    const std::string mixed = expand("run %E %S \"%E\" %H end\n", values(longer.c_str()));
    ASSERT_EQ(mixed.size(), COMMAND_LINE_MAX);
    const size_t each = (COMMAND_LINE_MAX - std::strlen("run '' 'critical' \"\" 'raidhost' end\n")) / 2;
    EXPECT_EQ(mixed, "run '" + std::string(each, 'e') + "' 'critical' \"" + std::string(each, 'e') +
                         "\" 'raidhost' end\n");
}

// The widest line within the configuration's limit still leaves its texts
// more room than they must have; numbers count at their widest.
TEST(ExecuteLine, OwnWordsCountNumbersAtTheirWidest)
{
    std::string widest;
    while (widest.size() + 3 <= EXECUTE_LINE_MAX)
        widest += "%C>";
    EXPECT_EQ(execute_line_own_length(widest.c_str()), widest.size() / 3 * std::strlen("65535\"\">"));
    EXPECT_LE(execute_line_own_length(widest.c_str()) + EXPANSION_ROOM_MIN, COMMAND_LINE_MAX);
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
