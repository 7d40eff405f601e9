#include "messages.h"

#include <cstdarg>
#include <cstdio>

char g_messageBuffer[MESSAGE_BUFFER_BYTES];

namespace {
bool g_quiet = false;
}

void SetMessagesQuiet(bool quiet)
{
    g_quiet = quiet;
}

void EmitMessage(const char* text)
{
    if (!g_quiet)
        std::fprintf(stderr, "%s", text);
}

void Emit(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(g_messageBuffer, sizeof g_messageBuffer, format, args);
    va_end(args);
    if (length < 0)
        return;
    if (static_cast<size_t>(length) >= sizeof g_messageBuffer)
        g_messageBuffer[sizeof g_messageBuffer - 2] = '\n';
    EmitMessage(g_messageBuffer);
}

void PrintErrorCode(uint32_t code)
{
    Emit("ERROR: Error Code %d \n", static_cast<int>(code));
}
