#pragma once
// Programs that a test runs as children and whose output it reads.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace korvane::test {

struct ProgramOutcome {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string standardOutput;
    std::string standardError;
};

// Runs `program` with `arguments`, standard input from the null device and
// the other two streams in files of `scratch`, and waits at most `limit`
// (then ends it). A program that cannot start gives exit code -1.
ProgramOutcome runProgram(const std::filesystem::path& program,
                          const std::vector<std::wstring>& arguments,
                          const std::filesystem::path& scratch,
                          std::chrono::milliseconds limit = std::chrono::seconds(60));

// Starts `program` and leaves it running; its standard error goes to the file
// `errorFile`. Null when it cannot start.
platform::UniqueProcess startProgram(const std::filesystem::path& program,
                                     const std::vector<std::wstring>& arguments,
                                     const std::filesystem::path& errorFile);

// A running child whose standard error the test reads through a pipe.
struct Child {
    platform::UniqueProcess process;
    platform::UniqueFile output;       // read end of the child's standard output
    platform::UniqueFile errorOutput;  // read end of the child's standard error
    DWORD pid = 0;
};

struct Finished {
    DWORD exitCode = 0;
    std::string output;
    std::string errorOutput;
};

// Starts `program` in its own folder with `arguments` and no console window,
// its standard error captured; a failure fails the test.
Child startChild(const std::filesystem::path& program, const std::vector<std::wstring>& arguments);
bool isRunning(const Child& child);
// Waits for the child (failing the test when it outlives `limit`) and reads
// what it wrote to standard output and error.
Finished finishChild(Child& child, std::chrono::milliseconds limit);

}  // namespace korvane::test
