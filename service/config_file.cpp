#include "config_file.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "command_line.h"
#include "net_socket.h"

AccessEntry* g_users = nullptr;
AccessEntry* g_groups = nullptr;
TrapTarget* g_targets = nullptr;
AddressRule* g_allowRules = nullptr;
AddressRule* g_denyRules = nullptr;

namespace {

int currentLine = 0;  // line counter of the file being read

template <class... Args>
int fail(ConfigError& err, const char* fmt, Args... args)
{
    std::snprintf(err.message, sizeof err.message, fmt, args...);
    return 1;
}

int fail(ConfigError& err, const char* text)
{
    std::snprintf(err.message, sizeof err.message, "%s", text);
    return 1;
}

// Appends an entry at the end of a singly linked list.
template <class T>
void append(T*& head, T* entry)
{
    T** link = &head;
    while (*link)
        link = &(*link)->next;
    *link = entry;
}

template <class T>
void free_list(T*& head)
{
    while (head) {
        T* next = head->next;
        delete head;
        head = next;
    }
}

void copy_word(char* dst, size_t size, const char* src) { std::snprintf(dst, size, "%s", src); }

int parse_access(const char* text, AccessEntry*& list, const char* missingName, ConfigError& err)
{
    char name[CONFIG_WORD_MAX + 1], word[CONFIG_WORD_MAX + 1];
    const char* rest = nullptr;
    if (!next_word(text, &rest, name) || !rest)
        return fail(err, missingName);
    if (!next_word(rest, &rest, word) || std::strcmp(word, "access") != 0)
        return fail(err, "Expecting 'access'");
    if (!rest)
        return fail(err, "Expecting 'readonly' or 'full'");
    if (!next_word(rest, &rest, word))
        word[0] = '\0';
    unsigned char access;
    if (std::strcmp(word, "readonly") == 0)
        access = ACCESS_READ_ONLY;
    else if (std::strcmp(word, "full") == 0)
        access = ACCESS_FULL;
    else
        return fail(err, "'%s' is no valid access type", word);
    auto* e = new (std::nothrow) AccessEntry;
    if (!e)
        return fail(err, "Memory allocation error");
    copy_word(e->name, sizeof e->name, name);
    e->access = access;
    append(list, e);
    return 0;
}

int parse_rule(const char* text, AddressRule*& list, ConfigError& err)
{
    char word[CONFIG_WORD_MAX + 1];
    if (!next_word(text, nullptr, word))
        return fail(err, "Expecting IP-address or '*'");
    auto* r = new (std::nothrow) AddressRule;
    if (!r)
        return fail(err, "Memory allocation error");
    r->line = currentLine;
    copy_word(r->pattern, sizeof r->pattern, word);
    append(list, r);
    return 0;
}

// Reads one word into a setting, or reports the missing word.
int parse_setting(const char* text, char* setting, size_t size, const char* missing, ConfigError& err)
{
    char word[CONFIG_WORD_MAX + 1];
    if (!next_word(text, nullptr, word)) {
        if (!missing) {
            setting[0] = '\0';
            return 0;
        }
        return fail(err, missing);
    }
    copy_word(setting, size, word);
    return 0;
}

int cfg_auth(const char* t, ConfigError& e)
{
    return parse_setting(t, g_settings.authWord, sizeof g_settings.authWord, nullptr, e);
}
int cfg_user(const char* t, ConfigError& e) { return parse_access(t, g_users, "Expecting user name", e); }
int cfg_group(const char* t, ConfigError& e) { return parse_access(t, g_groups, "Expecting group name", e); }
int cfg_community(const char* t, ConfigError& e)
{
    return parse_setting(t, g_settings.trapCommunity, sizeof g_settings.trapCommunity,
                         "Expecting a SNMP trap community", e);
}
int cfg_executeuser(const char* t, ConfigError& e)
{
    return parse_setting(t, g_settings.executeUser, sizeof g_settings.executeUser, "Expecting a user", e);
}
int cfg_allow(const char* t, ConfigError& e) { return parse_rule(t, g_allowRules, e); }
int cfg_deny(const char* t, ConfigError& e) { return parse_rule(t, g_denyRules, e); }

int cfg_execute(const char* t, ConfigError& e)
{
    if (std::strlen(t) > EXECUTE_LINE_MAX)
        return fail(e, "Line too long");
    // A text that the shell, or a command of the line, would read as code
    // where it stands must never reach a command: such a line is refused
    // here, before anything runs.
    const LineDoubt d = execute_line_doubt(t);
    switch (d.doubt) {
    case ShellDoubt::None:
        break;
    case ShellDoubt::Reparsed:
        return fail(e, "%%%c is read as code by %.20s; pass it as a parameter: sh -c 'notify \"$1\"' sh %%%c",
                    d.code, d.command.c_str(), d.code);
    case ShellDoubt::AfterDollar:
    case ShellDoubt::AfterName:
    case ShellDoubt::Unsure:
        return fail(e, "%%%c cannot be quoted %s", d.code, shell_doubt_text(d.doubt));
    default:
        // Often a percent sign meant for a command, as in $(date +%H:%M).
        return fail(e, "%%%c cannot be quoted %s; write %%%% for a literal percent sign", d.code,
                    shell_doubt_text(d.doubt));
    }
    // The line's own words are never cut, so they must leave the texts room.
    if (execute_line_own_length(t) + EXPANSION_ROOM_MIN > COMMAND_LINE_MAX)
        return fail(e, "Line leaves too little room for its expansions");
    copy_word(g_settings.executeLine, sizeof g_settings.executeLine, t);
    return 0;
}

int cfg_target(const char* t, ConfigError& e)
{
    char word[CONFIG_WORD_MAX + 1];
    if (!next_word(t, nullptr, word))
        return fail(e, "Expecting a SNMP trap target");
    auto* target = new (std::nothrow) TrapTarget;
    if (!target)
        return fail(e, "Memory allocation error");
    if (word[0] >= '0' && word[0] <= '9') {
        copy_word(target->address, sizeof target->address, word);
    } else {
        NetSocket host;
        if (sock_resolve_host(word, host) != 0 ||
            sock_peer_address(host, target->address, sizeof target->address) != 0) {
            delete target;
            return fail(e, "Could not resolve host name '%s'", word);
        }
    }
    append(g_targets, target);
    g_settings.trapFlag = true;
    return 0;
}

struct ConfigKeyword {
    const char* keyword;
    int (*handler)(const char* text, ConfigError& err);
};

const ConfigKeyword keywords[] = {
    {"auth", cfg_auth},         {"user", cfg_user},       {"group", cfg_group},
    {"target", cfg_target},     {"community", cfg_community}, {"executeuser", cfg_executeuser},
    {"execute", cfg_execute},   {"allow", cfg_allow},     {"deny", cfg_deny},
};

// True for a line with nothing but blanks and tabs before its end.
bool is_blank_line(const char* line)
{
    line += std::strspn(line, " \t");
    return *line == '\0' || *line == '\n';
}

}  // namespace

bool is_word_end(char c) { return c == '\0' || c == '\t' || c == '\n' || c == ' '; }

bool next_word(const char* text, const char** rest, char* word)
{
    size_t i = 0, kept = 0;
    while (text[i] == ' ' || text[i] == '\t')
        ++i;
    while (!is_word_end(text[i])) {
        if (i < CONFIG_WORD_MAX)  // only the first 80 characters of the scanned text count
            word[kept++] = text[i];
        ++i;
    }
    word[kept] = '\0';
    if (rest)
        *rest = (text[i] == '\n' || text[i] == '\0') ? nullptr : text + i;
    return kept > 0;
}

int parse_config_line(const char* line, ConfigError& err)
{
    char keyword[CONFIG_WORD_MAX + 1];
    const char* rest = nullptr;
    next_word(line, &rest, keyword);
    const char* args = rest ? rest + 1 : "";
    for (const auto& k : keywords)
        if (std::strcmp(keyword, k.keyword) == 0)
            return k.handler(args, err);
    return fail(err, "Invalid keyword '%s'", keyword);
}

int read_config_file(ConfigError& err)
{
    err.line = 0;
    err.message[0] = '\0';
    FILE* f = std::fopen(g_settings.configPath, "re");
    if (!f)
        return fail(err, "Could not open file '%s'", g_settings.configPath);
    char line[CONFIG_LINE_MAX + 1];
    currentLine = 0;
    int rc = 0;
    // fgets also returns a last line without a newline, so it is parsed too.
    while (rc == 0 && std::fgets(line, sizeof line, f)) {
        ++currentLine;
        if (line[0] == '#' || is_blank_line(line))
            continue;
        err.line = currentLine;
        rc = parse_config_line(line, err);
    }
    std::fclose(f);
    err.line = currentLine;
    return rc;
}

bool config_has_work()
{
    return g_users || g_groups || g_targets || g_settings.executeLine[0] != '\0';
}

void config_free_lists()
{
    free_list(g_users);
    free_list(g_groups);
    free_list(g_targets);
    free_list(g_allowRules);
    free_list(g_denyRules);
}
