// Expansion of the configured execute line for one event: the % codes are
// replaced, and every text is quoted for the shell by the context the
// execute line puts it in, so that no event or host text runs as a command.
#pragma once

#include <cstddef>

constexpr size_t COMMAND_LINE_MAX = 2048;  // characters of an expanded command line

// The values of the % codes for one event.
struct CommandValues {
    unsigned controller = 0;             // %C
    const char* eventText = "";          // %E
    const char* hostName = "";           // %H
    unsigned eventNumber = 0;            // %I and %N
    const char* severityName = "";       // %S
    const char* timeText = "";           // %T
};

// Expands line into out (room for limit characters and a NUL) and returns
// the length. %% gives %, % with any other character keeps both. A line
// whose expansion does not fit is cut; a quote left open by the cut is closed.
size_t expand_execute_line(const char* line, const CommandValues& values, char* out,
                           size_t limit = COMMAND_LINE_MAX);
