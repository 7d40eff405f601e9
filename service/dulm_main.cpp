// dulm: the RAID configuration service daemon.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "accept_loop.h"
#include "config_file.h"
#include "events.h"
#include "options.h"
#include "service_control.h"
#include "service_log.h"
#include "threads.h"

int main(int argc, char** argv)
{
    ServiceOptions opts;
    if (parse_options(argc, argv, opts) != 0)
        return 1;
    apply_options(opts, g_settings);

    ConfigError err;
    if (read_config_file(err) != 0) {
        std::fprintf(stderr, "%s: Parse error in '%s', line %d: %s. Aborting.\n", PROGRAM_NAME,
                     g_settings.configPath, err.line, err.message);
        return 1;
    }
    if (!config_has_work()) {
        std::fprintf(stderr,
                     "\n%s: No users, groups, SNMP trap targets or external commands are configured\n"
                     "      in %s. %s exits, because there is nothing to do.\n"
                     "      Please edit %s to make it work.\n",
                     PROGRAM_NAME, g_settings.configPath, PROGRAM_NAME, g_settings.configPath);
        return 1;
    }

    std::fflush(nullptr);  // nothing buffered may be written twice after the fork
    if (service_detach() != 0)
        return -1;

    // Until the report, the starting terminal waits: it shows every start-up
    // error, also those that only the system log would hold.
    log_errors_to_stderr(true);
    if (service_startup() != 0)
        return 1;
    if (events_init() != 0)
        return 1;
    log_errors_to_stderr(false);

    ThreadId eventThread{};
    bool eventsRunning = false;
    if (events_wanted()) {
        ThreadSpec desc{1, event_thread, nullptr};
        eventsRunning = thr_create(&eventThread, desc) == 0;
    }
    service_report_started();
    int served = accept_loop();
    if (eventsRunning)
        thr_join(eventThread, 0, nullptr);
    events_exit();
    service_shutdown();
    // Without an event thread, a server that could not listen or accept has
    // done nothing useful: that is a failure, not an orderly end.
    return (served == ACCEPT_FAILED && !eventsRunning) ? 1 : 0;
}
