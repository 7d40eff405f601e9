// Start-up, shutdown and the stop signal of the service.
#pragma once

// Sets the stop flags and wakes the waits; installed for SIGINT and SIGTERM.
void stop_signal_handler(int sig);
// Installs the stop handler (no restart of interrupted calls) and the wake pipe; 0 or -1.
int install_stop_signals();
// Detaches from the terminal. The parent waits for the child's start-up and
// ends the process with 0 once the child reports that it started, or with 1
// when the child ends without that report. The child starts a new session and
// gets 0; -1 when fork or setsid fails.
int service_detach();
// Tells the waiting parent that start-up is complete and lets go of the
// terminal (standard descriptors on /dev/null); later calls do nothing.
void service_report_started();
// Opens the library and the system log, checks the driver and every controller; 0 or 1 (reported).
int service_startup();
// Logs "Shutdown.", closes the log, frees the configuration lists and closes the library.
int service_shutdown();
// Login hooks, nothing to prepare; 0.
int auth_init();
int auth_exit();
