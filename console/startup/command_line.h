// The console's command line: the switches, the help text and the
// screen-less Save Information run.
#pragma once

// Reads the switches from argv[1] on and sets the option flags. Returns -1
// to go on with the screen, or the exit code when the run ends here (help,
// an unknown switch, the Save Information run).
int ParseCommandLine(int argc, char** argv);
