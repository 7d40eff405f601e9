#include "events.h"

#include <poll.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "net_socket.h"
#include "service_log.h"
#include "service_settings.h"

namespace {

// The executeuser's account, found at start-up.
struct ExecAccount {
    bool found = false;
    uid_t uid = 0;
    gid_t gid = 0;
    char name[CONFIG_WORD_MAX + 1] = "";
} execAccount;

const char* const disabledText = "       External program will not be executed, when controller events occur.";

}  // namespace

void sleep_ms(int ms) { poll(nullptr, 0, ms); }

bool events_wanted() { return g_settings.trapFlag || g_settings.executeLine[0] != '\0'; }

int exec_init()
{
    if (sock_host_name(g_settings.localHostName, sizeof g_settings.localHostName) != 0)
        g_settings.localHostName[0] = '\0';
    execAccount = ExecAccount{};
    if (g_settings.executeUser[0]) {
        passwd pw{}, *found = nullptr;
        std::vector<char> strings(16384);
        if (getpwnam_r(g_settings.executeUser, &pw, strings.data(), strings.size(), &found) != 0 ||
            !found) {
            log_error(1, "Error: Cannot find user '%s' as execution user in user database.",
                      log_safe(g_settings.executeUser).c_str());
            log_error(1, "%s", disabledText);
            g_settings.executeLine[0] = '\0';
            return -1;
        }
        execAccount.found = true;
        execAccount.uid = found->pw_uid;
        execAccount.gid = found->pw_gid;
        std::snprintf(execAccount.name, sizeof execAccount.name, "%s", found->pw_name);
    } else if (g_settings.executeLine[0]) {
        log_warning(1, "WARNING: External command line will be executed with super user rights. Are you sure??");
    }
    return 0;
}

int exec_exit() { return 0; }

int trap_init()
{
    char host[AGENT_ADDRESS_MAX + 1] = "";
    NetSocket local;
    if (sock_host_name(host, sizeof host) != 0 || sock_resolve_host(host, local) != 0 ||
        sock_peer_address(local, g_settings.agentAddress, sizeof g_settings.agentAddress) != 0) {
        log_error(1, "Could not resolve local IP address of '%s'. No SNMP trap generation possible.",
                  log_safe(host).c_str());
        return 1;
    }
    return 0;
}

int trap_exit() { return 0; }

int events_init()
{
    int rc = exec_init();
    if (rc != 0)
        return rc;
    rc = trap_init();
    if (rc != 0)
        exec_exit();
    return rc;
}

int events_exit()
{
    exec_exit();
    trap_exit();
    return 0;
}

int poll_event()
{
    // No event source is read yet: nothing is ever waiting.
    return 1;
}

void* event_thread(void*)
{
    int last = 0;
    while (!g_settings.shutdown.load() && last >= 0) {
        last = poll_event();
        if (last != 1)
            continue;
        for (int s = 0; s < g_settings.pollInterval && !g_settings.shutdown.load(); ++s)
            sleep_ms(1000);
    }
    return nullptr;
}
