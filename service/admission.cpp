#include "admission.h"

#include "config_file.h"
#include "service_log.h"

namespace {

// The first rule of the list whose pattern matches the client.
const AddressRule* first_match(const AddressRule* rule, const ConnectionRecord& rec)
{
    for (; rule; rule = rule->next)
        if (match_client_rule(rec, rule->pattern) == 0)
            return rule;
    return nullptr;
}

int admit_by(const AddressRule* rule)
{
    log_info(3, "Client connection allowed by rule '%s'", rule->pattern);
    return 0;
}

int deny_by(const AddressRule* rule)
{
    log_info(3, "Client connection denied by rule '%s'", rule->pattern);
    return 1;
}

}  // namespace

int match_client_rule(const ConnectionRecord& rec, const char* pattern)
{
    char address[65];
    if (sock_peer_address(rec.sock, address, sizeof address) != 0)
        return -1;
    return match_address_pattern(pattern, address);
}

int check_client_address(const ConnectionRecord& rec)
{
    if (!g_allowRules && !g_denyRules)
        return 0;
    const AddressRule* allow = first_match(g_allowRules, rec);
    const AddressRule* deny = first_match(g_denyRules, rec);
    // The rule written later in the file wins.
    if (allow && deny)
        return deny->line >= allow->line ? deny_by(deny) : admit_by(allow);
    if (deny)
        return deny_by(deny);
    if (allow)
        return admit_by(allow);
    log_warning(2, "No allow/deny rule matched IP-address!");
    if (!g_allowRules || (g_denyRules && g_denyRules->line < g_allowRules->line)) {
        log_info(2, "Client connection allowed by implicit 'allow *'");
        return 0;
    }
    log_info(2, "Client connection denied by implicit 'deny *'");
    return 1;
}
