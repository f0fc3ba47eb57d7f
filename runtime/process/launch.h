#pragma once
// Starting a runtime program with its output in a log file, and reading the
// end of that log back for failure messages.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "runtime/process/child_process.h"
#include "runtime/process/runtime_layout.h"

namespace korvane::runtime {

// What the caller prepares: the program, its arguments, and the folder it
// runs in (empty: the service's current directory).
struct LaunchCommand {
    std::filesystem::path program;
    std::vector<std::wstring> arguments;
    std::filesystem::path workingDirectory;
};

// The folder a runtime program runs in: the one that holds it, or, for a bare
// program name, the service's current directory (".", if even that is unknown).
std::filesystem::path workingDirectoryFor(const std::filesystem::path& program);

// Keeps the log of the previous start (previous_log.h), recreates
// layout.logFile(logName) with the line "--- starting <logName> ---"
// and starts the program with standard output and standard error into one
// pipe, whose output the child's OutputCopier appends to the log within its
// bound (bounded_log.h), standard input from the null device, no console
// window and the service's environment; it inherits the pipe's write end and
// the null device and nothing else. Every child is held in one
// kill-on-close job of the service process, so the children end when the
// service does, however it ends. Failure: the system's text for the call that
// failed, or why the copy could not start; nothing runs then.
Result<ChildProcess> launchWithLog(const RuntimeLayout& layout, std::string_view logName,
                                   const LaunchCommand& command);

// formatLogTail of the whole lines among the log's last kLogTailBytes; the
// empty text when it cannot be read. It holds a child's last lines once
// hasExited has reported the child's exit.
std::string readLogTail(const RuntimeLayout& layout, std::string_view logName);

}  // namespace korvane::runtime
