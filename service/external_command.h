// External commands: the executeuser looked up at start-up, and for each
// event the expanded execute line run by the shell in a child process that
// takes the executeuser's groups and ids, waited for by a detached thread.
#pragma once

#include "ctl_driver_records.h"

// Reads the local host name and looks the executeuser up; -1 (logged) when it is unknown.
int exec_init();
// 0.
int exec_exit();
// True while an execute line is configured and no user switch has failed.
bool commands_enabled();
// Expands the execute line for the event and starts its command; sleeps
// 100 ms after the start. 0, or -1 when no memory or no thread.
int run_external_command(const EventRecord& event);
// Body of a command's detached thread: runs the expanded line (owned, freed here).
void* exec_thread(void* line);
// The severity name of an event's severity word ("warning" outside 0..2).
const char* severity_name(uint32_t severity);
