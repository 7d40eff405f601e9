// Runs a program as a process with extra environment words and collects
// its standard output, standard error and exit code.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    std::string out;
    std::string err;
    int exitCode = -1;  // -1: not run, killed or timed out
};

// Runs argv[0] with the arguments, the environment plus `env` ("NAME=value"
// words), standard input from /dev/null; killed after 30 seconds.
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
