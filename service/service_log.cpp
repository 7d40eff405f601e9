#include "service_log.h"

#include <syslog.h>

#include <cstdarg>
#include <cstdio>

#include "service_settings.h"

namespace {

bool printable(unsigned char c) { return c >= 0x20 && c < 0x7f; }

// Set only while the main thread starts the service, before any other thread.
bool errorsToStderr = false;

// Formats one record into at most 199 characters and writes it as plain text.
void write_record(int priority, int level, const char* fmt, va_list ap)
{
    if (level > g_settings.logLevel)
        return;
    char text[LOG_RECORD_MAX + 1];
    std::vsnprintf(text, sizeof text, fmt, ap);
    for (char* p = text; *p; ++p)
        if (!printable(static_cast<unsigned char>(*p)))
            *p = '?';
    syslog(priority, "%s", text);
    if (errorsToStderr && priority == LOG_ERR)
        std::fprintf(stderr, "%s\n", text);
}

}  // namespace

void log_open() { openlog(PROGRAM_NAME, LOG_PID | LOG_NDELAY, LOG_DAEMON); }

void log_close() { closelog(); }

void log_errors_to_stderr(bool on) { errorsToStderr = on; }

#define DEFINE_LOG_FUNCTION(name, priority)                 \
    void name(int level, const char* fmt, ...)              \
    {                                                       \
        va_list ap;                                         \
        va_start(ap, fmt);                                  \
        write_record(priority, level, fmt, ap);             \
        va_end(ap);                                         \
    }

DEFINE_LOG_FUNCTION(log_info, LOG_INFO)
DEFINE_LOG_FUNCTION(log_warning, LOG_WARNING)
DEFINE_LOG_FUNCTION(log_error, LOG_ERR)

std::string log_safe(const char* text, size_t max)
{
    std::string out;
    if (!text)
        return out;
    for (const char* p = text; *p && out.size() < max; ++p)
        out += printable(static_cast<unsigned char>(*p)) ? *p : '?';
    return out;
}
