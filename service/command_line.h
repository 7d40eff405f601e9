// Expansion of the configured execute line for one event: the % codes are
// replaced, and every text is quoted for the shell by the context the
// execute line puts it in, so that no event or host text runs as a command.
#pragma once

#include <cstddef>

#include "shell_context.h"

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

// Why a value of the line's % codes could become shell syntax where it stands
// (None when every one can be quoted); code gets the letter of the code found
// in doubt, or of the last code.
ShellDoubt execute_line_doubt(const char* line, char* code = nullptr);

// Expands line into out (room for limit characters and a NUL) and returns
// the length. %% gives %, % with any other character keeps both. A line
// whose expansion does not fit is cut; the quotes and levels left open by
// the cut are closed. A line in doubt expands to nothing.
size_t expand_execute_line(const char* line, const CommandValues& values, char* out,
                           size_t limit = COMMAND_LINE_MAX);
