// Execute lines against hostile texts: which places the service refuses to
// fill, the lines whose commands would read a text again as code, and,
// through a real /bin/sh, that every place it fills gets the text as data,
// byte for byte, also when the 2048-character limit shortens it.
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
        {"notify $((%E + 1))\n", ShellDoubt::Arithmetic},
        {"notify $(( $(echo %N) ))\n", ShellDoubt::CommandSubstitution},
        {"notify $((X%C)) \n", ShellDoubt::AfterName},
        {"notify \"$(( $Y%N ))\"\n", ShellDoubt::AfterName},
        {"notify $(($%C))\n", ShellDoubt::AfterDollar},
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
        // Digits cannot change an arithmetic expression.
        {"notify $((%C + 1)) \"$(( (%I) * 2 ))\" $((16#%N)) $((%C%I))\n", ShellDoubt::None},
        {"notify \"$X%E\" $X%C \"$X%N\" %C>x 1%I<y\n", ShellDoubt::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(execute_line_doubt(c.line).doubt, c.doubt) << c.line;
}

// Writes a configuration whose third line is the execute line, and reads it.
struct ExecuteConfig : ::testing::Test {
    char path[32] = "/tmp/dulmshellXXXXXX";
    ConfigError err;

    void SetUp() override
    {
        const int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    void TearDown() override
    {
        settings_reset();
        config_free_lists();
        unlink(path);
    }
    int read(const std::string& executeLine)
    {
        settings_reset();
        config_free_lists();
        std::ofstream(path) << "# events\nuser a access full\nexecute " << executeLine;
        std::snprintf(g_settings.configPath, sizeof g_settings.configPath, "%s", path);
        return read_config_file(err);
    }
};

// Reading the configuration refuses such a line and names it; where the
// code may have been meant as a percent sign of a command, the message says
// how to write one.
TEST_F(ExecuteConfig, LinesInDoubtAreRefused)
{
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"logger \"at $(date +%H:%M)\"\n",
         "%H cannot be quoted inside a command substitution; write %% for a literal percent sign"},
        {"notify \"`printf %s %H`\"\n", "%H cannot be quoted inside backquotes; write %% for a literal percent sign"},
        {"notify ${X:-%S}\n", "%S cannot be quoted inside a parameter expansion; write %% for a literal percent sign"},
        {"notify $((%S))\n", "%S cannot be quoted inside an arithmetic expansion; write %% for a literal percent sign"},
        {"notify # %T\n", "%T cannot be quoted inside a comment; write %% for a literal percent sign"},
        {"cat <<EOF %E\n", "%E cannot be quoted in a line with a here-document; write %% for a literal percent sign"},
        {"notify $%C\n", "%C cannot be quoted right after a '$'"},
        {"notify $((N%C))\n", "%C cannot be quoted right after a name inside an arithmetic expansion"},
        {"notify $'x' %E\n", "%E cannot be quoted after a construct that shells read differently"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(read(c.line), 1) << c.line;
        EXPECT_EQ(err.line, 3) << c.line;
        EXPECT_EQ(std::string(err.message), c.message) << c.line;
        EXPECT_STREQ(g_settings.executeLine, "") << c.line;
    }
    // The forms those messages point to are accepted.
    for (const char* line : {"logger \"at $(date +%%H:%%M)\" %H\n", "notify $((%C + 1)) %S\n"}) {
        EXPECT_EQ(read(line), 0) << line << err.message;
        EXPECT_STREQ(g_settings.executeLine, line);
    }
}

// Commands that read an argument again as shell code, also when another
// command starts them: a text there is refused, whatever its quoting, and
// the message shows the form that passes the text as a parameter. Such a
// line expands to nothing, so nothing of it can run.
TEST_F(ExecuteConfig, TextsReadAsCodeAreRefused)
{
    const struct {
        const char* line;
        const char* command;
    } cases[] = {
        {"sh -c \"notify %E\"\n", "sh"},
        {"bash -c 'notify %E'\n", "bash"},
        {"/bin/sh -ec \"notify \\\"%E\\\"\"\n", "sh"},
        {"dash -o errexit -c -- notify\\ %H\n", "dash"},
        {"sh +o noglob -c \"notify %E\"\n", "sh"},
        {"sh -c \"exit %C\"\n", "sh"},
        {"sh %E\n", "sh"},
        {"sh -%E\n", "sh"},
        {"eval notify %E\n", "eval"},
        {"eval \"notify '%E'\"\n", "eval"},
        {"trap \"notify %S\" EXIT\n", "trap"},
        {"alias notify=\"logger %E\"\n", "alias"},
        {". /etc/raid/%H.sh\n", "."},
        {"source %E\n", "source"},
        {"exec sh -c \"notify %E\"\n", "sh"},
        {"env LANG=C HOME=/ sh -c \"notify %E\"\n", "sh"},
        {"env -u HOME -S \"notify %E\"\n", "env"},
        {"nohup sh -c \"notify %E\"\n", "sh"},
        {"nice -n 5 sh -c \"notify %E\"\n", "sh"},
        {"sudo --user admin -- sh -c \"notify %E\"\n", "sh"},
        {"su -c \"notify %E\" admin\n", "su"},
        {"su - admin --command=\"notify %E\"\n", "su"},
        {"su admin -lc \"notify %E\"\n", "su"},
        {"xargs -n 1 sh -c \"notify %E\"\n", "sh"},
        {"find /var/spool -name x -exec sh -c \"notify %E\" \\;\n", "sh"},
        {"find /var/spool -exec true {} + -exec bash -c \"notify %E\" \\;\n", "bash"},
        {"timeout 10 bash -c \"notify %T\"\n", "bash"},
        {"logger x && sudo env nice sh -c \"notify %E\"\n", "sh"},
        {"logger x; (eval notify %E)\n", "eval"},
        {"if true; then eval notify %E; fi\n", "eval"},
        {">/dev/null 2>&1 X=1 sh -c \"notify %E\"\n", "sh"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(read(c.line), 1) << c.line;
        EXPECT_EQ(err.line, 3) << c.line;
        const char code = std::strchr(c.line, '%')[1];  // each line has one code
        const std::string message = std::string("%") + code + " is read as code by " + c.command +
                                    "; pass it as a parameter: sh -c 'notify \"$1\"' sh %" + code;
        EXPECT_EQ(std::string(err.message), message) << c.line;
        EXPECT_STREQ(g_settings.executeLine, "") << c.line;
        CommandValues v;
        v.eventText = "Adapter 0, x; touch pwned";
        char out[COMMAND_LINE_MAX + 1];
        EXPECT_EQ(expand_execute_line(c.line, v, out), 0u) << c.line;
    }
    // Beside such commands, texts that stay data are accepted.
    for (const char* line : {
             "sh -c 'notify \"$1\"' sh %E\n",
             "bash -o pipefail -c 'notify \"$@\"' bash %E \"%H\" '%S'\n",
             "sudo -u admin env X=%E nice -n %C sh -c 'notify \"$X\"'\n",
             "su -c 'notify \"$0\"' admin %E\n",
             "find /var/spool -name %E -exec sh -c 'notify \"$1\"' sh {} \\; -print\n",
             "echo sh -c %E eval %E | logger\n",
             "sh -c 'notify \"$1\"' sh %E >/tmp/%H.log 2>&1\n",
         }) {
        EXPECT_EQ(read(line), 0) << line << err.message;
        EXPECT_STREQ(g_settings.executeLine, line);
    }
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
    {">>\"$O\" printf '%s\\0' \"$O@\" $O@ after\n", "out", "", "out"},
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

// Values for an event: the event text and the host name as given (they must
// outlive the values), the other codes fixed.
CommandValues eventValues(const std::string& text, const std::string& host = "raidhost")
{
    CommandValues v;
    v.controller = 3;
    v.eventText = text.c_str();
    v.hostName = host.c_str();
    v.eventNumber = 21;
    v.severityName = "critical";
    v.timeText = "Thu Dec 10 13:57:03 2026";
    return v;
}

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
                ASSERT_EQ(execute_line_doubt(line.c_str()).doubt, ShellDoubt::None) << line;
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

// The forms that pass a text to a command that reads code, as a parameter
// of that code: accepted, and the text arrives byte for byte ("@" stands
// for it), with nothing of it run.
TEST_F(ShellRun, SafeFormsPassTextsAsData)
{
    const struct {
        const char* line;
        std::vector<std::string> words;
    } forms[] = {
        {"sh -c '>>out printf \"%s\\0\" \"$1\"' sh %E\n", {"@"}},
        {"bash -o pipefail -c '>>out printf \"%s\\0\" \"$@\"' bash %E \"%H\" '%S'\n", {"@", "@", "@"}},
        {"env X=%E nice -n %C sh -c '>>out printf \"%s\\0\" \"$X\" \"$1\"' sh \"%T\"\n", {"@", "@"}},
        {"timeout 60 /bin/sh -c -- '>>out printf \"%s\\0\" \"$1\" \"$2\"' sh %E %N\n", {"@", "21"}},
        {"find . -maxdepth 0 -exec sh -c '>>out printf \"%s\\0\" \"$1\" \"$2\"' sh %E {} \\;\n", {"@", "."}},
        {"echo | xargs sh -c '>>out printf \"%s\\0\" \"$1\"' sh %E\n", {"@"}},
        {"set -- %E \"%H\"; eval '>>out printf \"%s\\0\" \"$1\" \"$2\"'\n", {"@", "@"}},
    };
    std::vector<std::string> commands;
    std::vector<std::vector<std::string>> expected;
    for (const auto& f : forms) {
        ASSERT_EQ(execute_line_doubt(f.line).doubt, ShellDoubt::None) << f.line;
        for (const char* t : hostile) {
            const std::string text = std::string("Adapter 0, ") + t;
            CommandValues v = eventValues(text, text);
            v.severityName = v.timeText = text.c_str();
            commands.push_back(expandLine(f.line, v));
            expected.emplace_back();
            for (const std::string& w : f.words)
                expected.back().push_back(w == "@" ? text : w);
        }
    }
    std::vector<std::vector<std::string>> words;
    ASSERT_TRUE(run(commands, words));
    for (size_t i = 0; i < commands.size(); ++i)
        EXPECT_EQ(words[i], expected[i]) << commands[i];
}

// A value right after $NAME does not extend the name, and digits before a
// redirection do not become a descriptor number: each value arrives as
// written ("@" stands for the event text), and digits inside $((...)) count.
TEST_F(ShellRun, ValuesStayOnePieceBesideNamesAndRedirections)
{
    const struct {
        const char* line;
        std::vector<std::string> words;
    } cases[] = {
        {">>\"$O\" printf '%s\\0' \"$O%E\" $O%E \"$O%H\" \"$O%C\" $O%N \"$O%I\"x\n",
         {"out@", "out@", "outraidhost", "out3", "out21", "out21x"}},
        {"printf '%s\\0' %C>>\"$O\"\n", {"3"}},
        {"printf '%s\\0' 1%C%I>>\"$O\" 2>/dev/null\n", {"1321"}},
        {"printf '%s\\0' %C 2>/dev/null >>\"$O\"\n", {"3"}},
        {"printf '%s\\0' %N<\"$O\" >>\"$O\"\n", {"21"}},
        {">>\"$O\" printf '%s\\0' $((%C + 1)) \"$(( (%N) * 2 ))\" $((%C%I))\n", {"4", "42", "321"}},
    };
    const std::string text = "Adapter 0, it's $(touch pwned)";
    std::vector<std::string> commands;
    for (const auto& c : cases) {
        ASSERT_EQ(execute_line_doubt(c.line).doubt, ShellDoubt::None) << c.line;
        commands.push_back(expandLine(c.line, eventValues(text)));
    }
    std::vector<std::vector<std::string>> words;
    ASSERT_TRUE(run(commands, words));
    for (size_t i = 0; i < commands.size(); ++i) {
        std::vector<std::string> expected;
        for (std::string w : cases[i].words) {
            if (const size_t at = w.find('@'); at != std::string::npos)
                w.replace(at, 1, text);
            expected.push_back(w);
        }
        EXPECT_EQ(words[i], expected) << commands[i];
    }
}

// The text is padded so that the 2048-character limit falls on each of its
// characters in turn: the command gets the text's beginning as data, every
// word of the line whole, and runs; nothing of the text ever runs.
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
            const std::string empty, bare = t;
            const size_t own = expandLine(fill(p, 'E', empty, v), v).size();
            const size_t cost = expandLine(fill(p, 'E', bare, v), v).size() - own;
            // Paddings from one that fits whole to one that leaves no room
            // for the hostile part.
            const size_t room = COMMAND_LINE_MAX - own;
            for (size_t pad = room - cost - 1; pad <= room; ++pad) {
                texts.push_back(std::string(pad, 'p') + t);
                const std::string line = fill(p, 'E', texts.back(), v);
                commands.push_back(expandLine(line, v));
                ASSERT_LE(commands.back().size(), COMMAND_LINE_MAX);
            }
        }
        std::vector<std::vector<std::string>> words;
        ASSERT_TRUE(run(commands, words));
        const std::string lead = p.lead, trail = p.trail;
        for (size_t i = 0; i < commands.size(); ++i) {
            ASSERT_EQ(words[i].size(), 2u) << commands[i];
            EXPECT_EQ(words[i][1], "after");
            // lead, the text's beginning, trail.
            const std::string& w = words[i][0];
            ASSERT_GE(w.size(), lead.size() + trail.size()) << w;
            EXPECT_EQ(w.compare(0, lead.size(), lead), 0) << w;
            EXPECT_EQ(w.compare(w.size() - trail.size(), trail.size(), trail), 0) << w;
            const std::string got = w.substr(lead.size(), w.size() - lead.size() - trail.size());
            EXPECT_EQ(texts[i].compare(0, got.size(), got), 0) << w << " from " << commands[i];
        }
    }
}

// True when word matches pattern: "@" stands for a beginning of text, a
// pattern of "#" for the host name, anything else for itself.
bool matches(const std::string& word, const std::string& pattern, const std::string& text, const std::string& host)
{
    if (pattern == "#")
        return word == host;
    const size_t at = pattern.find('@');
    if (at == std::string::npos)
        return word == pattern;
    const std::string before = pattern.substr(0, at), after = pattern.substr(at + 1);
    if (word.size() < before.size() + after.size() || word.compare(0, before.size(), before) != 0 ||
        word.compare(word.size() - after.size(), after.size(), after) != 0)
        return false;
    const std::string got = word.substr(before.size(), word.size() - before.size() - after.size());
    return text.compare(0, got.size(), got) == 0;
}

// The line's own words never change, wherever the limit falls: the event
// text's length puts a cut of the whole expansion at 2048 characters on
// every character of the line's own words, in every quoting context (the
// host name's length, below the number of texts, reaches the places between
// the steps that several texts make). Each time the command runs once, with
// every own word whole, and each text a beginning of the event's text.
TEST_F(ShellRun, TheCutNeverTouchesTheLinesOwnWords)
{
    const struct {
        const char* line;
        std::vector<std::string> words;  // "@" a beginning of the text, "#" the host name
    } lines[] = {
        {">>\"$O\" printf '%s\\0' %H %E %E \"%E\" && >>\"$O\" printf '%s\\0' /var/spool/raid/tmp\n",
         {"#", "@", "@", "@", "/var/spool/raid/tmp"}},
        {">>\"$O\" printf '%s\\0' %H \"a %E b\" 'c %E d' e\\ %E\\ f \"$O%E\" && >>\"$O\" printf '%s\\0' \"g h\" 'i j' "
         "k\\ l \"$O\"\n",
         {"#", "a @ b", "c @ d", "e @ f", "out@", "g h", "i j", "k l", "out"}},
        {">>\"$O\" printf '%s\\0' %H '%S' \\%E %T; >>\"$O\" printf '%s\\0' \"%%\" '\"x' \\'y end\n",
         {"#", "critical", "\\@", "Thu Dec 10 13:57:03 2026", "%", "\"x", "'y", "end"}},
    };
    const std::string head = "Adapter 0, ", tail = " it's \"q\" `x` $(touch pwned) \\ end";
    for (const auto& c : lines) {
        SCOPED_TRACE(c.line);
        const std::string line = c.line;
        size_t texts = 0;
        for (size_t at = 0; (at = line.find("%E", at)) != std::string::npos; at += 2)
            ++texts;
        std::vector<std::string> commands, eventTexts, hosts;
        for (size_t h = 0; h < texts; ++h) {
            const std::string host(h, 'h'), bare = head + tail;
            // Where each text's padding of '~' goes, found in the expansion without it.
            const std::string expanded = expandLine(line, eventValues(bare, host), 1 << 20);
            std::vector<size_t> pads;
            for (size_t at = 0; (at = expanded.find(head, at)) != std::string::npos; at += head.size())
                pads.push_back(at + head.size());
            ASSERT_EQ(pads.size(), texts);
            for (size_t m = 0; m <= COMMAND_LINE_MAX; ++m) {
                // Each '~' takes one character in any quoting; a cut of the
                // whole expansion would drop the character at the limit.
                if (expanded.size() + texts * m <= COMMAND_LINE_MAX)
                    continue;
                bool inPadding = false;
                for (size_t j = 0; j < texts; ++j) {
                    const size_t from = pads[j] + j * m;
                    inPadding = inPadding || (from < COMMAND_LINE_MAX && COMMAND_LINE_MAX < from + m);
                }
                if (inPadding)
                    continue;
                eventTexts.push_back(head + std::string(m, '~') + tail);
                hosts.push_back(host);
                commands.push_back(expandLine(line, eventValues(eventTexts.back(), host)));
                ASSERT_LE(commands.back().size(), COMMAND_LINE_MAX);
            }
        }
        std::vector<std::vector<std::string>> words;
        ASSERT_TRUE(run(commands, words));
        for (size_t i = 0; i < commands.size(); ++i) {
            ASSERT_EQ(words[i].size(), c.words.size()) << commands[i];
            for (size_t w = 0; w < c.words.size(); ++w)
                EXPECT_TRUE(matches(words[i][w], c.words[w], eventTexts[i], hosts[i]))
                    << words[i][w] << " for " << c.words[w] << " in " << commands[i];
        }
    }
}

}  // namespace
