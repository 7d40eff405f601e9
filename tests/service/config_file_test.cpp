#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "config_file.h"

namespace {

// Writes a configuration file of its own and reads it into the lists.
struct ConfigFixture : ::testing::Test {
    std::string path;
    ConfigError err;

    ConfigFixture()
    {
        char tmpl[] = "/tmp/dulmcfgXXXXXX";
        int fd = mkstemp(tmpl);
        close(fd);
        path = tmpl;
        settings_reset();
        config_free_lists();
    }
    ~ConfigFixture() override
    {
        unlink(path.c_str());
        config_free_lists();
        settings_reset();
    }
    int read(const std::string& text)
    {
        config_free_lists();
        settings_reset();
        FILE* f = std::fopen(path.c_str(), "w");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        std::snprintf(g_settings.configPath, sizeof g_settings.configPath, "%s", path.c_str());
        return read_config_file(err);
    }
};

struct BadFile {
    std::string text;
    int line;
    std::string message;
};

TEST_F(ConfigFixture, EveryErrorWithItsLine)
{
    const std::string longExec = "execute " + std::string(513, 'e') + "\n";
    const BadFile cases[] = {
        {"frobnicate yes\n", 1, "Invalid keyword 'frobnicate'"},
        {"# c\n\nauth x\n\nfoo bar\n", 5, "Invalid keyword 'foo'"},  // comments and empty lines count
        {"#ok\n #not a comment\n", 2, "Invalid keyword '#not'"},
        {"User bob access full\n", 1, "Invalid keyword 'User'"},
        {"user\n", 1, "Expecting user name"},
        {"user bob\n", 1, "Expecting user name"},
        {"group\n", 1, "Expecting group name"},
        {"group staff\n", 1, "Expecting group name"},
        {"user bob acess full\n", 1, "Expecting 'access'"},
        {"user bob \n", 1, "Expecting 'access'"},
        {"user bob access\n", 1, "Expecting 'readonly' or 'full'"},
        {"group g access   \n", 1, "'' is no valid access type"},
        {"user bob access Full\n", 1, "'Full' is no valid access type"},
        {"user bob access full\r\n", 1, "'full\r' is no valid access type"},  // CR LF line ends
        {"target\n", 1, "Expecting a SNMP trap target"},
        {"community\n", 1, "Expecting a SNMP trap community"},
        {"executeuser \n", 1, "Expecting a user"},
        {"\n" + longExec, 2, "Line too long"},
        {"allow\n", 1, "Expecting IP-address or '*'"},
        {"user a access full\ndeny   \t\n", 2, "Expecting IP-address or '*'"},
        {"user a access full\nbogus", 2, "Invalid keyword 'bogus'"},  // last line without a newline
    };
    for (const auto& c : cases) {
        EXPECT_EQ(read(c.text), 1) << c.text;
        EXPECT_EQ(err.line, c.line) << c.text;
        EXPECT_EQ(std::string(err.message), c.message) << c.text;
    }
}

TEST_F(ConfigFixture, MissingFileIsLineZero)
{
    std::snprintf(g_settings.configPath, sizeof g_settings.configPath, "/nonexistent/dulm.conf");
    EXPECT_EQ(read_config_file(err), 1);
    EXPECT_EQ(err.line, 0);
    EXPECT_STREQ(err.message, "Could not open file '/nonexistent/dulm.conf'");
}

TEST_F(ConfigFixture, CommentsEmptyAndBlankLinesAreSkipped)
{
    ASSERT_EQ(read("# comment\n\n   \t \nauth\nauth secret\n"), 0);
    EXPECT_STREQ(g_settings.authWord, "secret");
    EXPECT_FALSE(config_has_work());
}

TEST_F(ConfigFixture, UsersAndGroupsInFileOrder)
{
    ASSERT_EQ(read("user  alice\t access   readonly  extra words\n"
                   "group wheel access full\n"
                   "user bob access full"),  // no newline at the end
              0);
    ASSERT_TRUE(g_users && g_users->next);
    EXPECT_STREQ(g_users->name, "alice");
    EXPECT_EQ(g_users->access, ACCESS_READ_ONLY);
    EXPECT_STREQ(g_users->next->name, "bob");
    EXPECT_EQ(g_users->next->access, ACCESS_FULL);
    EXPECT_EQ(g_users->next->next, nullptr);
    ASSERT_TRUE(g_groups);
    EXPECT_STREQ(g_groups->name, "wheel");
    EXPECT_TRUE(config_has_work());
}

TEST_F(ConfigFixture, LongWordsAreCutAtEightyScannedCharacters)
{
    const std::string name(85, 'n');
    ASSERT_EQ(read("user " + name + " access full\nuser" + std::string(11, ' ') + name + " access full\n"), 0);
    EXPECT_EQ(std::string(g_users->name), name.substr(0, 80));
    EXPECT_EQ(std::string(g_users->next->name), name.substr(0, 70));
}

TEST_F(ConfigFixture, RulesKeepTheirLineNumbers)
{
    ASSERT_EQ(read("user a access full\n#\nallow 10.*\n\n\n\ndeny 10.0.0.5\ndeny *\n"), 0);
    ASSERT_TRUE(g_allowRules);
    EXPECT_EQ(g_allowRules->line, 3);
    EXPECT_STREQ(g_allowRules->pattern, "10.*");
    ASSERT_TRUE(g_denyRules && g_denyRules->next);
    EXPECT_EQ(g_denyRules->line, 7);
    EXPECT_STREQ(g_denyRules->next->pattern, "*");
    EXPECT_EQ(g_denyRules->next->line, 8);
}

TEST_F(ConfigFixture, SettingsFromTheirKeywords)
{
    ASSERT_EQ(read("target 192.0.2.7\ntarget 192.0.2.8\ncommunity public\n"
                   "executeuser nobody\nexecute  /bin/echo %E > /tmp/x\n"),
              0);
    ASSERT_TRUE(g_targets && g_targets->next);
    EXPECT_STREQ(g_targets->address, "192.0.2.7");
    EXPECT_TRUE(g_settings.trapFlag);
    EXPECT_STREQ(g_settings.trapCommunity, "public");
    EXPECT_STREQ(g_settings.executeUser, "nobody");
    EXPECT_STREQ(g_settings.executeLine, " /bin/echo %E > /tmp/x\n");  // rest of the line, newline kept
    ASSERT_EQ(read("execute\n"), 0);
    EXPECT_STREQ(g_settings.executeLine, "");
    EXPECT_FALSE(config_has_work());
}

TEST_F(ConfigFixture, TargetHostNameIsResolved)
{
    ASSERT_EQ(read("target localhost\n"), 0);
    ASSERT_TRUE(g_targets);
    EXPECT_STREQ(g_targets->address, "127.0.0.1");
}

TEST_F(ConfigFixture, OnlyRulesMeansNothingToDo)
{
    ASSERT_EQ(read("allow *\ndeny 10.*\n"), 0);
    EXPECT_FALSE(config_has_work());
}

}  // namespace
