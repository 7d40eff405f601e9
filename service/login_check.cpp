#include "login_check.h"

#include <crypt.h>
#include <grp.h>
#include <shadow.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config_file.h"

namespace {

// The last resort of the setting hashed when no real entry can match.
constexpr const char* FALLBACK_SETTING = "$6$kzmTimingSalt$";
constexpr size_t LOOKUP_BUFFER_START = 4096;
constexpr size_t LOOKUP_BUFFER_MAX = 1 << 20;

// crypt_r of the password with the setting; empty on failure or a "*" answer.
std::string hashPassword(const char* password, const char* setting)
{
    auto data = std::make_unique<crypt_data>();
    std::memset(data.get(), 0, sizeof *data);
    const char* out = crypt_r(password, setting, data.get());
    if (out == nullptr || out[0] == '*' || out[0] == '\0')
        return {};
    return out;
}

// Compares without stopping at the first difference.
bool sameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

// The user's stored hash; false when the user has no shadow entry.
bool shadowHash(const char* user, std::string& hash)
{
    std::vector<char> buf(LOOKUP_BUFFER_START);
    for (;;) {
        spwd entry{}, *found = nullptr;
        int rc = getspnam_r(user, &entry, buf.data(), buf.size(), &found);
        if (rc == ERANGE && buf.size() < LOOKUP_BUFFER_MAX) {
            buf.resize(buf.size() * 2);
            continue;
        }
        if (rc != 0 || found == nullptr || found->sp_pwdp == nullptr)
            return false;
        hash = found->sp_pwdp;
        return true;
    }
}

// A hash that can match at all: not empty, not locked.
bool usableHash(const std::string& hash)
{
    return !hash.empty() && hash[0] != '!' && hash[0] != '*';
}

// A hash that crypt can check at all (legacy methods included).
bool checkableHash(const std::string& hash)
{
    int rc = crypt_checksalt(hash.c_str());
    return rc == CRYPT_SALT_OK || rc == CRYPT_SALT_METHOD_LEGACY;
}

// The setting hashed for a login that cannot match (unknown user, locked
// or empty entry), so that it costs what a real check costs: the stored
// hash of the first configured user that has a usable one gives method and
// cost (its result is never compared with anything); without one, the crypt
// library's default method.
std::string dummySetting()
{
    for (const AccessEntry* u = g_users; u; u = u->next) {
        std::string hash;
        if (shadowHash(u->name, hash) && usableHash(hash) && checkableHash(hash))
            return hash;
    }
    char setting[CRYPT_GENSALT_OUTPUT_SIZE];
    if (crypt_gensalt_rn(nullptr, 0, nullptr, 0, setting, sizeof setting) != nullptr)
        return setting;
    return FALLBACK_SETTING;
}

// Does the work of a password check whose answer is already known to be no.
void dummyCheck(const char* password)
{
    hashPassword(password, dummySetting().c_str());
}

// Access class of the first matching entry, checked against the password.
int acceptWith(const char* user, const char* password, unsigned char entryAccess,
               unsigned char* access)
{
    if (check_password(user, password) != 0)
        return 0;
    if (access)
        *access = entryAccess;
    return 1;
}

}  // namespace

int check_password(const char* user, const char* password)
{
    std::string stored;
    bool usable = shadowHash(user, stored) && usableHash(stored);
    if (!usable) {
        dummyCheck(password);  // the same work as for a usable entry
        return -1;
    }
    std::string computed = hashPassword(password, stored.c_str());
    if (computed.empty())
        return -1;
    return sameText(computed, stored) ? 0 : -1;
}

int is_group_member(const char* group, const char* user)
{
    std::vector<char> buf(LOOKUP_BUFFER_START);
    for (;;) {
        struct group entry{}, *found = nullptr;
        int rc = getgrnam_r(group, &entry, buf.data(), buf.size(), &found);
        if (rc == ERANGE && buf.size() < LOOKUP_BUFFER_MAX) {
            buf.resize(buf.size() * 2);
            continue;
        }
        if (rc != 0 || found == nullptr || found->gr_mem == nullptr)
            return -1;
        for (char** m = found->gr_mem; *m; ++m)
            if (std::strcmp(*m, user) == 0)
                return 0;
        return -1;
    }
}

int check_login(const char* user, const char* password, unsigned char* access)
{
    if (user == nullptr || password == nullptr || user[0] == '\0' ||
        std::strlen(user) > LOGIN_USER_MAX || std::strlen(password) > LOGIN_PASSWORD_MAX) {
        dummyCheck("");
        return 0;
    }
    for (const AccessEntry* u = g_users; u; u = u->next)
        if (std::strcmp(u->name, user) == 0)
            return acceptWith(user, password, u->access, access);
    for (const AccessEntry* g = g_groups; g; g = g->next)
        if (is_group_member(g->name, user) == 0)
            return acceptWith(user, password, g->access, access);
    dummyCheck(password);  // the same work as for a known user
    return 0;
}
