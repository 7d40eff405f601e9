// The command line grammar: flag letters that combine, long options after a
// second prefix, and parameter words.
#pragma once

#include "options_record.h"

// Reads the command line into the record and prints what it asks (help,
// version) or why it is rejected. 0: go on; 1: the command line was rejected.
int ParseOptions(OptionsRecord& options, int argc, char** argv);
