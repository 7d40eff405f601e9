// Expansion of the configured execute line for one event: the % codes are
// replaced, and every value is quoted for the shell by the context the
// execute line puts it in, so that no event or host text runs as a command.
// The administrator's own words are never cut: when the line would pass
// its limit, the texts are shortened instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shell_context.h"

constexpr size_t COMMAND_LINE_MAX = 2048;   // characters of an expanded command line
constexpr size_t EXPANSION_ROOM_MIN = 512;  // room an execute line must leave for its texts

// The values of the % codes for one event.
struct CommandValues {
    uint16_t controller = 0;             // %C
    const char* eventText = "";          // %E
    const char* hostName = "";           // %H
    uint16_t eventNumber = 0;            // %I and %N
    const char* severityName = "";       // %S
    const char* timeText = "";           // %T
};

// Where an execute line puts a value that could become shell syntax or be
// read as code again.
struct LineDoubt {
    ShellDoubt doubt = ShellDoubt::None;
    char code = '?';      // the letter of the code in doubt (for a here-document, of the last code)
    std::string command;  // for Reparsed: the command that reads the value as code
};

// The first place of the line whose value could not be quoted with certainty.
LineDoubt execute_line_doubt(const char* line);

// The characters the expanded line takes beside its texts: the line's own
// words, every number at its widest, and the quotes and separators that
// the expansion adds.
size_t execute_line_own_length(const char* line);

// Expands line into out (room for limit characters and a NUL) and returns
// the length. %% gives %, % with any other character keeps both. When the
// expansion would pass the limit, the texts are shortened, each still
// closed in its own quoting, so that every word of the line stays whole.
// A line in doubt, or one whose own words do not fit, expands to nothing.
size_t expand_execute_line(const char* line, const CommandValues& values, char* out,
                           size_t limit = COMMAND_LINE_MAX);
