#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "options.h"

namespace {

struct Scan {
    OptionAction action;
    ServiceOptions opts;
    std::string out, err;
};

std::string drain(FILE* f)
{
    std::string s;
    std::rewind(f);
    int c;
    while ((c = std::fgetc(f)) != EOF)
        s += static_cast<char>(c);
    std::fclose(f);
    return s;
}

Scan scan(std::vector<std::string> args)
{
    args.insert(args.begin(), "dulm");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    Scan s;
    s.action = scan_options(static_cast<int>(args.size()), argv.data(), s.opts, out, err);
    s.out = drain(out);
    s.err = drain(err);
    return s;
}

const std::string helpFirstLine = "Tarvo RAID Configuration Service - version 1.12.00 - Nov  6 2002\n";

TEST(Options, ValueAfterSeparatorOrAsNextArgument)
{
    for (auto args : {std::vector<std::string>{"-l", "2", "-c", "5"}, {"-l=2", "-c=5"}, {"-l:2", "-c:5"}}) {
        Scan s = scan(args);
        ASSERT_EQ(s.action, OptionAction::Continue) << args[0];
        EXPECT_EQ(s.opts.logLevel, 2);
        EXPECT_EQ(s.opts.maxConnections, 5);
        EXPECT_TRUE(s.opts.lGiven && s.opts.cGiven);
        EXPECT_FALSE(s.opts.iGiven || s.opts.fGiven);
    }
    Scan s = scan({"-f", "/tmp/x.conf", "-i", "-3"});
    ASSERT_EQ(s.action, OptionAction::Continue);
    EXPECT_STREQ(s.opts.configPath, "/tmp/x.conf");
    EXPECT_EQ(s.opts.pollInterval, -3);
}

struct Refusal {
    std::vector<std::string> args;
    OptionAction action;
    std::string err;   // exact standard error text
    bool help;         // the help text follows on standard output
};

TEST(Options, RefusalsTable)
{
    const std::string f81(81, 'p');
    const Refusal cases[] = {
        {{"-l2"}, OptionAction::ExitFail, "dulm: `-l' option only valid between 1 and 3.\n", true},
        {{"-l", "4"}, OptionAction::ExitFail, "dulm: `-l' option only valid between 1 and 3.\n", true},
        {{"-l", "2x"}, OptionAction::ExitFail, "dulm: `-l' option only valid between 1 and 3.\n", true},
        {{"-c", "0"}, OptionAction::ExitFail, "dulm: `-c' option only valid between 1 and 20.\n", true},
        {{"-c", "21"}, OptionAction::ExitFail, "dulm: `-c' option only valid between 1 and 20.\n", true},
        {{"-c", "99999999999999999999"}, OptionAction::ExitFail, "dulm: `-c' option only valid between 1 and 20.\n", true},
        {{"-i", "5s"}, OptionAction::ExitFail, "dulm: `-i' option needs a number of seconds.\n", true},
        {{"-i", ""}, OptionAction::ExitFail, "dulm: `-i' option needs a number of seconds.\n", true},
        {{"-f", f81}, OptionAction::ExitFail, "dulm: `-f' option too long.\n", true},
        {{"-i", "1", "-i", "2"}, OptionAction::ExitFail, "dulm: `-i' option given more than once\n", true},
        {{"-l", "1", "-l", "2"}, OptionAction::ExitFail, "dulm: `-l' option given more than once\n", true},
        {{"-f", "a", "-f", "b"}, OptionAction::ExitFail, "dulm: `-f' option given more than once\n", true},
        {{"-c", "1", "-c=2"}, OptionAction::ExitFail, "dulm: `-c' option given more than once\n", true},
        // A value-taking option given last has no value.
        {{"-l"}, OptionAction::ExitFail, "dulm: `-l' option only valid between 1 and 3.\n", true},
        {{"-c"}, OptionAction::ExitFail, "dulm: `-c' option only valid between 1 and 20.\n", true},
        {{"-f"}, OptionAction::ExitFail, "dulm: `-f' option needs a file name.\n", true},
        {{"-i"}, OptionAction::ExitFail, "dulm: `-i' option needs a number of seconds.\n", true},
        {{"-x", "-h"}, OptionAction::ExitFail, "dulm: option unknown: x\n", false},
        {{"-L", "1"}, OptionAction::ExitFail, "dulm: option unknown: L\n", false},
        {{"config"}, OptionAction::Invalid, "dulm: invalid command line option 'config'.\n", false},
        {{"-"}, OptionAction::Invalid, "dulm: invalid command line option '-'.\n", false},
    };
    for (const auto& c : cases) {
        Scan s = scan(c.args);
        EXPECT_EQ(s.action, c.action) << c.args[0];
        EXPECT_EQ(s.err, c.err) << c.args[0];
        EXPECT_EQ(s.out.rfind(helpFirstLine, 0) == 0, c.help) << c.args[0];
    }
}

TEST(Options, PathOfEightyCharactersIsAccepted)
{
    Scan s = scan({"-f", std::string(80, 'p')});
    ASSERT_EQ(s.action, OptionAction::Continue);
    EXPECT_EQ(std::string(s.opts.configPath), std::string(80, 'p'));
}

TEST(Options, HelpAndVersionEndBeforeLaterArguments)
{
    Scan h = scan({"-h", "-x"});
    EXPECT_EQ(h.action, OptionAction::ExitOk);
    EXPECT_EQ(h.err, "");
    EXPECT_EQ(h.out, helpFirstLine +
                         "Usage: dulm [OPTIONS]...\n  -h             Print help and exit.\n"
                         "  -v             Print version and exit.\n  -f <file>      Configuration file.\n"
                         "                 Default is '/etc/dulm.conf'.\n"
                         "  -i <int>       Event polling interval in seconds.\n"
                         "                 Default is 5.\n"
                         "  -l <int>       Logging level (1..3). Default is 1.\n"
                         "  -c <int>       Max. allowed connections. Default is 10.\n");
    Scan v = scan({"-v", "junk"});
    EXPECT_EQ(v.action, OptionAction::ExitOk);
    EXPECT_EQ(v.out, "dulm v1.12.00 - Nov  6 2002\n");
}

TEST(Options, GivenValuesReachTheSettings)
{
    ServiceSettings s;
    Scan only = scan({"-c", "3"});
    apply_options(only.opts, s);
    EXPECT_EQ(s.maxConnections, 3);
    EXPECT_EQ(s.logLevel, 1);
    EXPECT_EQ(s.pollInterval, 5);
    EXPECT_STREQ(s.configPath, "/etc/dulm.conf");
    EXPECT_STREQ(s.trapCommunity, "brantu");
}

}  // namespace
