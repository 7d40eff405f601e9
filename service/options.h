// The service's command line: -h, -v, -f <file>, -i <int>, -l <1..3>, -c <1..20>.
#pragma once

#include <cstdio>

#include "service_settings.h"

struct ServiceOptions {
    int pollInterval = 0;
    int logLevel = 0;
    char configPath[CONFIG_PATH_MAX + 1] = "";
    int maxConnections = 0;
    int iGiven = 0, lGiven = 0, fGiven = 0, cGiven = 0;
};

// What the command line asks for.
enum class OptionAction {
    Continue,    // run the service
    Invalid,     // an argument that does not begin with '-' (message printed): exit 1
    ExitOk,      // help or version printed: exit 0
    ExitFail,    // option error (message printed): exit 1
};

// Reads the arguments into opts, printing help and version texts to out and
// messages to err; says how to go on.
OptionAction scan_options(int argc, char** argv, ServiceOptions& opts, FILE* out, FILE* err);
// Reads the arguments; 0 = go on, 1 = invalid argument; -h, -v and option errors exit from inside.
int parse_options(int argc, char** argv, ServiceOptions& opts);
// The value of the option at argv[*index]: the text from its fourth character,
// or the next argument (consumed); null when there is none.
const char* option_value(char** argv, int argc, int* index);
// Prints the version line.
void print_version(FILE* out);
// Prints the help text.
void print_usage(FILE* out);
// Copies the given options into the settings.
void apply_options(const ServiceOptions& opts, ServiceSettings& s);
