// The tool's help, usage and version texts, printed on standard output
// whatever -q says.
#pragma once

// Prints the short usage.
void PrintShortUsage();
// Prints the full help.
void PrintHelp();
// Prints the help of -s.
void PrintStatusHelp();
// Prints the help of -c.
void PrintCreateHelp();
// Prints the help of -d.
void PrintDeleteHelp();
// Prints the help of -r.
void PrintResetHelp();
// Prints the help of -a.
void PrintAssignHelp();
// Prints the tool's version line.
void PrintVersion();
// Prints the module version records the tool carries: its own, the model's
// and the command library's two.
void PrintExtendedVersion();
