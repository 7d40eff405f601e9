// Execute lines against hostile texts: which places the service refuses to
// fill, and, through a real /bin/sh, that every place it fills gets the text
// as data, byte for byte, also when the 2048-character cut lands inside it.
#include <gtest/gtest.h>

#include <dirent.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "config_file.h"
#include "shell_context.h"

extern char** environ;

namespace {

TEST(ShellContext, PlacesInDoubtAreFound)
{
    const struct {
        const char* line;
        ShellDoubt doubt;
    } cases[] = {
        {"notify \"$(printf %s %E)\"\n", ShellDoubt::CommandSubstitution},
        {"notify $(printf %s %H)\n", ShellDoubt::CommandSubstitution},
        {"notify \"`printf %s %E`\"\n", ShellDoubt::Backquotes},
        {"notify `echo \\`echo %S\\``\n", ShellDoubt::Backquotes},
        {"notify \"$(echo \"'\" \"%T\")\"\n", ShellDoubt::CommandSubstitution},
        {"notify ${X:-%E}\n", ShellDoubt::ParameterExpansion},
        {"notify \"${X:-%E}\"\n", ShellDoubt::ParameterExpansion},
        {"notify $((%C + 1))\n", ShellDoubt::Arithmetic},
        {"notify $(( $(echo %N) ))\n", ShellDoubt::Arithmetic},
        {"notify $(%I)\n", ShellDoubt::CommandSubstitution},
        {"cat <<EOF %E\n", ShellDoubt::HereDocument},
        {"notify %E; cat <<-EOF\n", ShellDoubt::HereDocument},
        {"notify \"$(cat <<EOF)\" %E\n", ShellDoubt::HereDocument},
        {"notify x # %E\n", ShellDoubt::Comment},
        {"notify x;#%E\n", ShellDoubt::Comment},
        {"notify $%E\n", ShellDoubt::AfterDollar},
        {"notify \"$%E\"\n", ShellDoubt::AfterDollar},
        {"notify \"$(echo #)\" %E\n", ShellDoubt::CommandSubstitution},  // the ')' is in a comment
        {"notify $'a' %E\n", ShellDoubt::Unsure},
        {"notify $\"a\" %E\n", ShellDoubt::Unsure},
        {"notify $[1] %E\n", ShellDoubt::Unsure},
        {"notify $(case x in a) echo;; esac) %E\n", ShellDoubt::Unsure},
        {"notify ${X:-'}'} %E\n", ShellDoubt::Unsure},
        {"notify ${X:-{a}} %E\n", ShellDoubt::Unsure},
        {"notify $((1)x) %E\n", ShellDoubt::Unsure},
        // Places the quoting is sure of.
        {"notify %E \"%E\" '%E' x%Ey \\%E \"\\%E\"\n", ShellDoubt::None},
        {"notify '$(%E)' '`%E`' '${%E}' \"\\$(%E)\" '#%E'\n", ShellDoubt::None},
        {"notify \"$(date)\" %E \"$(echo 'a\"b')%E\" \"`date`%E\"\n", ShellDoubt::None},
        {"notify ${X:-a} $((1<<2)) $(( (1) + 2 )) \"<<\" '<<' a#%E %E\n", ShellDoubt::None},
        {"notify $(echo \")\" ')' \\)) %E\n", ShellDoubt::None},
        {"notify $(echo %%) %E \"$%%\" $%%\n", ShellDoubt::None},  // %% is no text
        {"cat <<EOF\n", ShellDoubt::None},                       // no text in the line
        {"notify %X $(%Q)\n", ShellDoubt::None},                 // unknown codes are the line's own
    };
    for (const auto& c : cases)
        EXPECT_EQ(execute_line_doubt(c.line), c.doubt) << c.line;
}

TEST(ShellContext, ClosersFollowTheNesting)
{
    const struct {
        const char* text;
        const char* closers;
    } cases[] = {
        {"a \"b", "\""},
        {"a 'b", "'"},
        {"a \"$(echo 'x", "')\""},
        {"a $( (echo \"`date", "`\"))"},
        {"a \"${X:-$((1+(2", ")))}\""},
        {"a $((1)", ")"},
        {"a $(echo # c", "\n)"},
        {"a \"b\" 'c' $(d) `e` ${f} $((g))", ""},
    };
    for (const auto& c : cases) {
        ShellScanner s;
        for (const char* p = c.text; *p; ++p)
            s.feed(*p);
        EXPECT_EQ(s.closers(), c.closers) << c.text;
    }
}

// Reading the configuration refuses such a line and names it.
TEST(ShellContext, ConfigurationRefusesLinesInDoubt)
{
    char path[] = "/tmp/dulmshellXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"execute notify \"$(printf %s %E)\"\n", "%E cannot be quoted inside a command substitution"},
        {"execute notify \"`printf %s %H`\"\n", "%H cannot be quoted inside backquotes"},
        {"execute notify ${X:-%S}\n", "%S cannot be quoted inside a parameter expansion"},
        {"execute notify $((%N))\n", "%N cannot be quoted inside an arithmetic expansion"},
        {"execute notify # %T\n", "%T cannot be quoted inside a comment"},
        {"execute notify $%C\n", "%C cannot be quoted right after a '$'"},
        {"execute cat <<EOF %E\n", "%E cannot be quoted in a line with a here-document"},
        {"execute notify $'x' %E\n", "%E cannot be quoted after a construct that shells read differently"},
    };
    for (const auto& c : cases) {
        settings_reset();
        config_free_lists();
        std::ofstream(path) << "# events\nuser a access full\n" << c.line;
        std::snprintf(g_settings.configPath, sizeof g_settings.configPath, "%s", path);
        ConfigError err;
        EXPECT_EQ(read_config_file(err), 1) << c.line;
        EXPECT_EQ(err.line, 3) << c.line;
        EXPECT_EQ(std::string(err.message), c.message) << c.line;
        EXPECT_STREQ(g_settings.executeLine, "") << c.line;
    }
    settings_reset();
    config_free_lists();
    unlink(path);
}

// Runs commands with /bin/sh in a directory of its own: one shell reads a
// batch of them and parses and runs each with eval, which reads its text as
// the shell reads a -c command; each appends to the file named by $O, and
// the batch ends each command's output with a byte 1. A command that ends
// the shell leaves the later outputs missing.
class ShellRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/dulmshXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ASSERT_NE(getcwd(home_, sizeof home_), nullptr);
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }
    void TearDown() override
    {
        clean();
        EXPECT_EQ(chdir(home_), 0);
        rmdir(dir_.c_str());
    }

    // The words each command appended to the output file (NUL-separated);
    // false when a command failed or anything else appeared in the directory.
    bool run(const std::vector<std::string>& commands, std::vector<std::vector<std::string>>& words)
    {
        std::string script = "O=out\n";
        for (size_t i = 0; i < commands.size(); ++i) {
            std::string quoted;
            for (char c : commands[i])
                quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
            script += "eval '" + quoted + "' || : >failed." + std::to_string(i) + "\nprintf '\\001' >>out\n";
        }
        // The batch is too long for one argument: the shell reads it from a file.
        char path[] = "/tmp/dulmbatchXXXXXX";
        const int fd = mkstemp(path);
        if (fd < 0)
            return false;
        const bool written = write(fd, script.data(), script.size()) == static_cast<ssize_t>(script.size());
        close(fd);
        pid_t pid = 0;
        char* const argv[] = {const_cast<char*>("sh"), path, nullptr};
        int status = -1;
        if (written && posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) == 0)
            waitpid(pid, &status, 0);
        unlink(path);
        std::ifstream in("out", std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        words.assign(commands.size(), {});
        size_t i = 0;
        std::string word;
        for (char c : all.str()) {
            if (c == '\001' && i < words.size()) {
                ++i;
            } else if (c == '\0' && i < words.size()) {
                words[i].push_back(word);
                word.clear();
            } else {
                word += c;
            }
        }
        const std::set<std::string> left = clean();
        EXPECT_EQ(left, std::set<std::string>{"out"});
        EXPECT_EQ(i, commands.size());
        return status == 0 && left == std::set<std::string>{"out"} && i == commands.size() && word.empty();
    }

private:
    // Empties the directory; the names it held.
    std::set<std::string> clean()
    {
        std::set<std::string> names;
        if (DIR* d = opendir(dir_.c_str())) {
            while (dirent* e = readdir(d)) {
                const std::string name = e->d_name;
                if (name == "." || name == "..")
                    continue;
                names.insert(name);
                unlink((dir_ + "/" + name).c_str());
            }
            closedir(d);
        }
        return names;
    }

    std::string dir_;
    char home_[4096] = "";
};

// An execute line with places '@' for the code, the word the shell makes
// around the first, and the line's own word "after" at the end.
struct Place {
    const char* line;
    const char* lead;             // before the text in its word
    const char* trail;            // after the text in its word
    const char* second = nullptr;  // the lead of a second place's word
};

const Place places[] = {
    {">>\"$O\" printf '%s\\0' @ after\n", "", ""},
    {">>\"$O\" printf '%s\\0' \"@\" after\n", "", ""},
    {">>\"$O\" printf '%s\\0' '@' after\n", "", ""},
    {">>\"$O\" printf '%s\\0' x@y after\n", "x", "y"},
    {">>\"$O\" printf '%s\\0' \\@ after\n", "\\", ""},
    {">>\"$O\" printf '%s\\0' \"a\\@b\" after\n", "a\\", "b"},
    {">>\"$O\" printf '%s\\0' 'a\\@b' after\n", "a\\", "b"},
    {">>\"$O\" printf '%s\\0' \"$(echo 'a\"b')@\" after\n", "a\"b", ""},
    {">>\"$O\" printf '%s\\0' \"`echo ')'`@\" after\n", ")", ""},
    {">>\"$O\" printf '%s\\0' a#@ after # c\n", "a#", ""},
    {">>\"$O\" printf '%s\\0' \"$((1+2))@\" $(echo \")\")@ after\n", "3", "", ")"},
};

const char* const hostile[] = {
    "a; touch pwned; b",
    "a | touch pwned",
    "a & touch pwned &",
    "$(touch pwned)",
    "`touch pwned`",
    "it's '; touch pwned; '",
    "say \"; touch pwned; \"",
    "back\\slash \\'; touch pwned; \\'",
    "\\\"$(touch pwned)\\\"",
    "line\ntouch pwned\n",
    "${x:-$(touch pwned)}",
    ")); touch pwned; ((",
    "# \ntouch pwned",
};

// The line with its places filled by the code, and the values with the text
// (which must outlive them) in that code.
std::string fill(const Place& p, char code, const std::string& text, CommandValues& v)
{
    std::string line = p.line;
    for (size_t at; (at = line.find('@')) != std::string::npos;)
        line.replace(at, 1, std::string("%") + code);
    v = CommandValues{};
    v.eventText = v.hostName = v.severityName = v.timeText = "-";
    switch (code) {
    case 'E': v.eventText = text.c_str(); break;
    case 'H': v.hostName = text.c_str(); break;
    case 'S': v.severityName = text.c_str(); break;
    case 'T': v.timeText = text.c_str(); break;
    }
    return line;
}

std::string expandLine(const std::string& line, const CommandValues& v, size_t limit = COMMAND_LINE_MAX)
{
    std::vector<char> out(limit + 1);
    const size_t n = expand_execute_line(line.c_str(), v, out.data(), limit);
    return std::string(out.data(), n);
}

TEST_F(ShellRun, EveryTextArrivesWhole)
{
    for (const Place& p : places) {
        SCOPED_TRACE(p.line);
        std::vector<std::string> commands;
        std::vector<std::vector<std::string>> expected;
        for (const char code : {'E', 'H', 'S', 'T'}) {
            for (const char* t : hostile) {
                const std::string text = std::string("Adapter 0, ") + t;
                CommandValues v;
                const std::string line = fill(p, code, text, v);
                ASSERT_EQ(execute_line_doubt(line.c_str()), ShellDoubt::None) << line;
                commands.push_back(expandLine(line, v));
                expected.push_back({p.lead + text + p.trail});
                if (p.second)
                    expected.back().push_back(p.second + text);
                expected.back().push_back("after");
            }
        }
        std::vector<std::vector<std::string>> words;
        ASSERT_TRUE(run(commands, words));
        for (size_t i = 0; i < commands.size(); ++i)
            EXPECT_EQ(words[i], expected[i]) << commands[i];
    }
}

// The text is padded so that the 2048-character cut lands on each of its
// characters in turn: the command gets the text's beginning as data and
// runs; nothing of the text ever runs.
TEST_F(ShellRun, TheCutLandsAnywhereInTheText)
{
    for (const Place& p : places) {
        // One place per line here; a command substitution before the place
        // changes nothing at the cut but costs a process for each run.
        if (p.second || std::strchr(p.line, '`') || std::strstr(p.line, "$("))
            continue;
        SCOPED_TRACE(p.line);
        std::vector<std::string> commands, texts;
        for (const char* t : hostile) {
            CommandValues v;
            const std::string bare = t;
            const std::string probe = fill(p, 'E', bare, v);
            const std::string whole = expandLine(probe, v);
            const size_t before = probe.find("%E");
            // Paddings from the one that fits whole to the one that leaves no room.
            const size_t maxPad = COMMAND_LINE_MAX - before;
            const size_t minPad = maxPad > whole.size() - before ? maxPad - (whole.size() - before) - 2 : 0;
            for (size_t pad = minPad; pad <= maxPad; ++pad) {
                texts.push_back(std::string(pad, 'p') + t);
                const std::string line = fill(p, 'E', texts.back(), v);
                commands.push_back(expandLine(line, v));
                ASSERT_LE(commands.back().size(), COMMAND_LINE_MAX);
            }
        }
        std::vector<std::vector<std::string>> words;
        ASSERT_TRUE(run(commands, words));
        const std::string lead = p.lead;
        for (size_t i = 0; i < commands.size(); ++i) {
            ASSERT_TRUE(words[i].size() == 1 || words[i].size() == 2) << commands[i];
            const std::string& w = words[i][0];
            const std::string full = lead + texts[i] + p.trail;
            if (words[i].size() == 2) {
                EXPECT_EQ(w, full) << commands[i];
                EXPECT_EQ(std::string("after").compare(0, words[i][1].size(), words[i][1]), 0) << commands[i];
                continue;
            }
            // The word is the text's beginning; a backslash before an
            // unwritten text is dropped with it.
            const bool leadDropped = !lead.empty() && lead.back() == '\\' && w + "\\" == lead;
            EXPECT_TRUE(leadDropped || (w.compare(0, lead.size(), lead) == 0 && full.compare(0, w.size(), w) == 0))
                << w << " from " << commands[i];
        }
    }
}

}  // namespace
