// The configuration file: users, groups, trap targets and community, the
// external command and its user, and the allow and deny rules.
#pragma once

#include <cstddef>

#include "service_settings.h"

constexpr size_t CONFIG_LINE_MAX = 1023;  // longer lines are read in pieces
constexpr size_t CONFIG_MESSAGE_MAX = 127;

// Where and why reading the file stopped.
struct ConfigError {
    int line = 0;
    char message[CONFIG_MESSAGE_MAX + 1] = "";
};

// A configured user or group and its access class.
struct AccessEntry {
    char name[CONFIG_WORD_MAX + 1] = "";
    unsigned char access = 0;  // 0 = full, 1 = read-only
    AccessEntry* next = nullptr;
};

constexpr unsigned char ACCESS_FULL = 0;
constexpr unsigned char ACCESS_READ_ONLY = 1;

// An SNMP trap target as dotted IPv4 text.
struct TrapTarget {
    char address[CONFIG_WORD_MAX + 1] = "";
    TrapTarget* next = nullptr;
};

// An allow or deny rule and the line it came from.
struct AddressRule {
    int line = 0;
    char pattern[CONFIG_WORD_MAX + 1] = "";
    AddressRule* next = nullptr;
};

// The lists the reader builds, in file order.
extern AccessEntry* g_users;
extern AccessEntry* g_groups;
extern TrapTarget* g_targets;
extern AddressRule* g_allowRules;
extern AddressRule* g_denyRules;

// Reads the file named by the settings' configuration path; 0, or 1 with err filled.
int read_config_file(ConfigError& err);
// Parses one line (without a comment test); 0, or 1 with err's message filled.
int parse_config_line(const char* line, ConfigError& err);
// The next word of text (at most 80 characters into word, which holds 81);
// rest gets the character that ended it, or null at a newline or the end.
// False when no character was kept.
bool next_word(const char* text, const char** rest, char* word);
// True for NUL, TAB, LF and blank.
bool is_word_end(char c);
// True when the settings and lists give the service something to do.
bool config_has_work();
// Frees the five lists.
void config_free_lists();
