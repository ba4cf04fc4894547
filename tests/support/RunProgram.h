// Runs a program to its end and collects what it wrote to its standard output
// and error, for tests of command-line programs: posix_spawn on Linux
// (RunProgramLinux.cpp), CreateProcess on Windows (RunProgramWindows.cpp).
#pragma once

#include <string>
#include <vector>

namespace testsupport
{
struct ProgramResult
{
    int status = -1;    // the exit code; -1 when it could not be started or did not exit
    std::string output; // standard output and error, in the order written
};

// Runs arguments[0] with the rest as its arguments (no shell between).
ProgramResult runProgram(const std::vector<std::string>& arguments);

// Splits a command line at spaces; double quotes group words.
std::vector<std::string> splitWords(const std::string& commandLine);
} // namespace testsupport
