// Reading the text files the programs under test write: a file's lines or
// its whole text (empty when the file cannot be read).
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// The lines of the text file at `path`, without their line ends.
inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> out;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// The whole text of the file at `path`.
inline std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
