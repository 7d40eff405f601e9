// Event texts: turns a controller event into its English text through fixed
// tables of formats and argument descriptors, and the small formatter that
// fills such a format with the event's 32-bit arguments.
#pragma once

#include "ctl_driver_records.h"

#include <cstddef>
#include <cstdint>

constexpr int EVT_MAX_ARGS = 10;  // argument words handed to the callback

// The caller's formatting callback: the number of arguments, the format, ten
// 32-bit argument words (those past count undefined) and the text that a
// "%s" of the format stands for (null when the format has none). Its result
// is what evt_format_text returns.
using EvtFormatCallback = int (*)(int count, const char* format, const uint32_t* args, const char* text);

// Chooses the event's text entry, collects its arguments and calls the
// callback; its result, or -1 without a callback or without an entry.
int evt_format_text(const EventRecord* event, EvtFormatCallback callback);

// Fills a format of the event texts into out (at most size - 1 characters,
// always NUL-terminated when size > 0): %u and %lu print the next argument
// word as an unsigned 32-bit number, %s prints text and uses up one word, %%
// prints %; anything else is copied. Words beyond count print as 0.
// Returns the number of characters written.
size_t evt_print(char* out, size_t size, int count, const char* format, const uint32_t* args,
                 const char* text);
