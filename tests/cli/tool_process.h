// Runs ostrel as a process and collects what it wrote and how it ended.
#pragma once

#include <string>
#include <vector>

struct ToolResult {
    std::string out;   // standard output
    std::string err;   // standard error
    int exitCode = -1; // -1: killed, timed out, or not run
};

// Runs ostrel with the arguments and KZMH_PROC_ROOT set to procRoot. With a
// non-zero uid the child switches to that user (and its group) before exec.
ToolResult RunTool(const std::vector<std::string>& args, const std::string& procRoot, unsigned uid = 0);
