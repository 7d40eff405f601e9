// Event watching at start-up and shutdown: the external command's user, the
// local host name and trap agent address, and the event thread.
#pragma once

// exec_init, then trap_init; the first non-zero result, else 0.
int events_init();
// End hooks of external commands and traps; 0.
int events_exit();
// Reads the local host name and looks the executeuser up; -1 when it is unknown.
int exec_init();
// 0.
int exec_exit();
// Resolves the local host name into the trap agent address; non-zero (logged) on failure.
int trap_init();
// 0.
int trap_exit();
// One poll of the event source: 0 an event was read, 1 nothing waiting, -1 the source failed.
int poll_event();
// Body of the event thread: polls until the shutdown flag is set or the source fails.
void* event_thread(void* arg);
// True when an event thread is to run (a trap target or an external command is configured).
bool events_wanted();
// Sleeps the given milliseconds.
void sleep_ms(int ms);
