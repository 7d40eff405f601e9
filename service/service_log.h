// The service's system log: identity "dulm" with the process id, facility
// daemon, records filtered by the -l level.
#pragma once

#include <cstddef>
#include <string>

constexpr size_t LOG_RECORD_MAX = 199;
constexpr size_t LOG_NAME_MAX = 64;  // bound for user names, host names and addresses in records

// Opens the system log.
void log_open();
// Closes the system log.
void log_close();
// While on, every error record written is also printed on standard error (start-up).
void log_errors_to_stderr(bool on);
// Writes an information record when level is at most the -l setting.
void log_info(int level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Writes a warning record when level is at most the -l setting.
void log_warning(int level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Writes an error record when level is at most the -l setting.
void log_error(int level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Outside text made safe for a record: control and non-ASCII bytes become
// '?', and the text is cut to max characters.
std::string log_safe(const char* text, size_t max = LOG_NAME_MAX);
