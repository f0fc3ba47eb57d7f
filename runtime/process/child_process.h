#pragma once
// A started child process: the handles the service holds on it.

#include <windows.h>

#include "common/result.h"
#include "platform/process_launcher.h"

namespace korvane::runtime {

// Owns the process and main-thread handles; releasing them does not end the
// process. The runtime's children write to log files, so there are no pipes.
using ChildProcess = platform::UniqueProcessInformation;

// Whether the process has ended, without waiting; the system's text when the
// process cannot be queried.
Result<bool> hasExited(const ChildProcess& child);

}  // namespace korvane::runtime
