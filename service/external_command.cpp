#include "external_command.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "byte_order.h"
#include "command_line.h"
#include "events.h"
#include "net_socket.h"
#include "service_log.h"
#include "service_settings.h"
#include "threads.h"

namespace {

// The executeuser's account, found at start-up.
struct ExecAccount {
    bool found = false;
    uid_t uid = 0;
    gid_t gid = 0;
    char name[CONFIG_WORD_MAX + 1] = "";
} execAccount;

// Set for good when a command could not take the executeuser's ids.
std::atomic<bool> commandsDisabled{false};

const char* const disabledText = "       External program will not be executed, when controller events occur.";
const char* const shellPath = "/bin/sh";
constexpr int COMMAND_START_PAUSE_MS = 100;
constexpr int EXIT_NOT_STARTED = 127;  // as the shell reports a command it cannot start

// What the child reports through its pipe before it runs the shell.
enum class ChildFailure : char { UserSwitch = 1, Exec = 2 };

// The account's group list, read before the fork; false when it cannot be read.
bool read_groups(std::vector<gid_t>& groups)
{
    int n = 16;
    for (int attempt = 0; attempt < 8; ++attempt) {
        groups.resize(static_cast<size_t>(n));
        int got = n;
        if (getgrouplist(execAccount.name, execAccount.gid, groups.data(), &got) >= 0) {
            groups.resize(static_cast<size_t>(got));
            return true;
        }
        if (got <= n)
            n *= 2;
        else
            n = got;
    }
    return false;
}

// In the child, only async-signal-safe calls: the executeuser's groups, group
// id and user id, each checked. -1 when one of them fails.
int exec_set_user(const std::vector<gid_t>& groups)
{
    if (!execAccount.found)
        return 0;
    if (setgroups(groups.size(), groups.data()) != 0 || setgid(execAccount.gid) != 0 ||
        setuid(execAccount.uid) != 0)
        return -1;
    return 0;
}

// In the child: default stop signals, nothing blocked, the user switch, then the shell.
[[noreturn]] void run_child(const char* line, const std::vector<gid_t>& groups, int reportFd)
{
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(SIGINT, &dfl, nullptr);
    sigaction(SIGTERM, &dfl, nullptr);
    sigaction(SIGPIPE, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    ChildFailure failure = ChildFailure::UserSwitch;
    if (exec_set_user(groups) == 0) {
        execl(shellPath, "sh", "-c", line, static_cast<char*>(nullptr));
        failure = ChildFailure::Exec;
    }
    ssize_t n = write(reportFd, &failure, 1);
    (void)n;  // the parent then sees the exit status alone
    _exit(EXIT_NOT_STARTED);
}

void log_user_switch_failure()
{
    log_error(1, "Error: Setuid %d (%s) failed.", static_cast<int>(execAccount.uid),
              log_safe(execAccount.name).c_str());
    log_error(1, "%s", disabledText);
    commandsDisabled.store(true);
}

// Runs one command line and logs its result.
void run_command(const char* line)
{
    std::vector<gid_t> groups;
    if (execAccount.found && !read_groups(groups)) {
        log_user_switch_failure();
        return;
    }
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        log_error(1, "Internal memory allocation error while preparing to execute command line");
        return;
    }
    const pid_t pid = fork();
    if (pid == 0)
        run_child(line, groups, report[1]);
    close(report[1]);
    if (pid < 0) {
        close(report[0]);
        log_error(1, "Internal memory allocation error while preparing to execute command line");
        return;
    }
    ChildFailure failure{};
    ssize_t got;
    while ((got = read(report[0], &failure, 1)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (got == 1 && failure == ChildFailure::UserSwitch) {
        log_user_switch_failure();
        return;
    }
    const std::string user = log_safe(execAccount.name);
    if (status != 0)
        log_error(1, "Error(?): External command (user '%s') returned %d", user.c_str(), status);
    else
        log_info(2, "External command (user '%s') returned 0", user.c_str());
}

}  // namespace

const char* severity_name(uint32_t severity)
{
    static const char* const names[] = {"informational", "warning", "critical"};
    return severity <= 2 ? names[2 - severity] : "warning";
}

int exec_init()
{
    if (sock_host_name(g_settings.localHostName, sizeof g_settings.localHostName) != 0)
        g_settings.localHostName[0] = '\0';
    execAccount = ExecAccount{};
    commandsDisabled.store(false);
    if (g_settings.executeUser[0]) {
        passwd pw{}, *found = nullptr;
        std::vector<char> strings(16384);
        if (getpwnam_r(g_settings.executeUser, &pw, strings.data(), strings.size(), &found) != 0 ||
            !found) {
            log_error(1, "Error: Cannot find user '%s' as execution user in user database.",
                      log_safe(g_settings.executeUser).c_str());
            log_error(1, "%s", disabledText);
            commandsDisabled.store(true);
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

bool commands_enabled() { return g_settings.executeLine[0] != '\0' && !commandsDisabled.load(); }

int run_external_command(const EventRecord& event)
{
    char* line = static_cast<char*>(std::malloc(COMMAND_LINE_MAX + 1));
    if (!line) {
        log_error(1, "Internal memory allocation error while preparing to execute command line");
        return -1;
    }
    // The standard 24-character date text, without its newline.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char timeText[32] = "";
    if (localtime_r(&now, &local) && asctime_r(&local, timeText))
        timeText[strcspn(timeText, "\n")] = '\0';
    CommandValues values;
    values.controller = wire::get16(event.data, 0);
    values.eventText = event_text();
    values.hostName = g_settings.localHostName;
    values.eventNumber = wire::get16(event.data, 4);
    values.severityName = severity_name(event.severity);
    values.timeText = timeText;
    expand_execute_line(g_settings.executeLine, values, line);

    ThreadId id{};
    ThreadSpec desc{0, exec_thread, line};
    if (thr_create(&id, desc) != 0) {
        std::free(line);
        return -1;
    }
    sleep_ms(COMMAND_START_PAUSE_MS);
    return 0;
}

void* exec_thread(void* arg)
{
    char* line = static_cast<char*>(arg);
    run_command(line);
    std::free(line);
    return nullptr;
}
