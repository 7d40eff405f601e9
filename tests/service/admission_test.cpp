#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "admission.h"
#include "config_file.h"

namespace {

TEST(AddressPattern, MatchTable)
{
    struct Case {
        const char* pattern;
        const char* text;
        bool match;
    } cases[] = {
        {"192.168.*", "192.168.1.1", true},   {"192.168.*", "192.16.1.1", false},
        {"*", "10.1.2.3", true},              {"*", "", true},
        {"10.0.0.5", "10.0.0.5", true},       {"10.0.0.5", "10.0.0.50", false},
        {"10.0.0.1*", "10.0.0.12", true},     {"*.5", "10.0.0.5", true},
        {"*.5", "10.0.0.15", false},          {"*5", "10.0.0.15", true},
        {"*.5", "10.0.0.6", false},
        {"*10.0.0.5", "0.5", false},          {"", "", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(match_address_pattern(c.pattern, c.text) == 0, c.match) << c.pattern << " " << c.text;
}

struct AdmissionCase {
    const char* rules;
    const char* address;
    int expected;  // 0 admitted, 1 denied
};

TEST(Admission, DecisionTable)
{
    const AdmissionCase cases[] = {
        {"", "10.9.9.9", 0},                                   // no rules at all
        {"allow 10.*\ndeny 10.0.0.5\n", "10.0.0.5", 1},        // both match: the later line wins
        {"allow 10.*\ndeny 10.0.0.5\n", "10.0.0.6", 0},
        {"deny 10.0.0.5\nallow 10.*\n", "10.0.0.5", 0},
        {"deny *.5\n", "192.168.0.5", 1},                      // suffix
        {"deny *.5\n", "192.168.0.6", 0},                      // only deny rules: implicit allow
        {"allow 127.0.0.1\n", "127.0.0.1", 0},                 // exact
        {"allow 127.0.0.1\n", "127.0.0.12", 1},                // only allow rules: implicit deny
        {"allow 127.0.0.1*\n", "127.0.0.12", 0},               // prefix
        {"allow *\ndeny 127.*\n", "127.0.0.5", 1},
        {"deny *\nallow 127.*\n", "127.0.0.5", 0},
        {"deny 10.*\nallow 11.*\n", "12.0.0.1", 0},            // implicit: first deny before first allow
        {"allow 11.*\ndeny 10.*\n", "12.0.0.1", 1},            // implicit: first allow before first deny
    };
    char tmpl[] = "/tmp/dulmadmXXXXXX";
    int fd = mkstemp(tmpl);
    close(fd);
    for (const auto& c : cases) {
        settings_reset();
        config_free_lists();
        FILE* f = std::fopen(tmpl, "w");
        std::fprintf(f, "user a access full\n%s", c.rules);
        std::fclose(f);
        std::snprintf(g_settings.configPath, sizeof g_settings.configPath, "%s", tmpl);
        ConfigError err;
        ASSERT_EQ(read_config_file(err), 0) << err.message;
        ConnectionRecord rec;
        rec.sock.addr.sin_family = AF_INET;
        ASSERT_EQ(inet_pton(AF_INET, c.address, &rec.sock.addr.sin_addr), 1);
        EXPECT_EQ(check_client_address(rec), c.expected) << c.rules << c.address;
    }
    unlink(tmpl);
    config_free_lists();
    settings_reset();
}

}  // namespace
