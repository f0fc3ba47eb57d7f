#pragma once
// A started child process: the handles the service holds on it, and the copy
// of its output into its log.

#include <windows.h>

#include <memory>

#include "common/result.h"
#include "platform/handles.h"
#include "runtime/process/output_copier.h"

namespace korvane::runtime {

// Owns the process and main-thread handles; releasing them does not end the
// process. `output` (none for a child the tests assemble by hand) is declared
// last so that it ends first: its threads have ended and the log is closed
// before the handles are released, and a child that has exited has its output
// in the log by then (OutputCopier's destructor).
struct ChildProcess {
    platform::UniqueProcess process;
    platform::UniqueThread thread;
    DWORD id = 0;
    std::unique_ptr<OutputCopier> output;
};

// Whether the process has ended, without waiting; the system's text when the
// process cannot be queried.
//
// N.B. The one way to learn of a child's exit: an exited child counts as
// exited only once everything it wrote is in its log (a wait of at most a few
// seconds, see OutputCopier::awaitDrained), so that whoever reports the exit
// can quote the log. A wait on `process` itself says nothing about the log.
Result<bool> hasExited(const ChildProcess& child);

}  // namespace korvane::runtime
