// The message channel: INFO, WARNING and ERROR lines are formatted into one
// shared buffer and written to standard error unless the tool is quiet.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t MESSAGE_BUFFER_BYTES = 1024;

// The shared buffer into which every message line is formatted.
extern char g_messageBuffer[MESSAGE_BUFFER_BYTES];

// Silences (true) or allows every later message.
void SetMessagesQuiet(bool quiet);
// Writes text with "%s" to standard error unless the channel is quiet.
void EmitMessage(const char* text);
// Formats a message into the shared buffer (a longer one is cut and still
// ends its line) and emits it.
[[gnu::format(printf, 1, 2)]] void Emit(const char* format, ...);
// Backspace: a progress line steps back over its last figures with it.
constexpr char kBack = 8;
// Emits "ERROR: Error Code %d \n" with the code in decimal.
void PrintErrorCode(uint32_t code);
