// Event watching: start-up and shutdown of external commands and traps, the
// event text buffer and the event thread.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t EVENT_TEXT_BUFFER_SIZE = 256;  // at most 255 characters

// exec_init, then trap_init; the first non-zero result, else 0.
int events_init();
// End hooks of external commands and traps; 0.
int events_exit();
// Resolves the local host name into the trap agent address; non-zero (logged) on failure.
int trap_init();
// 0.
int trap_exit();
// Formatting callback of the event texts: fills the event text buffer; 0.
int event_text_sink(int count, const char* format, const uint32_t* args, const char* text);
// The text of the last asynchronous event.
const char* event_text();
// One poll of the event source: 0 an event was read, 1 nothing waiting, -1 the source failed.
int poll_event();
// Body of the event thread: polls until the shutdown flag is set or the source fails.
void* event_thread(void* arg);
// True when an event thread is to run (a trap target or an external command is configured).
bool events_wanted();
// Sleeps the given milliseconds.
void sleep_ms(int ms);
