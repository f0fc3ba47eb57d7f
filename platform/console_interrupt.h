#pragma once
// A console Ctrl+C for one child, so that a program that cleans up on an
// interrupt (sing-box.exe removes its adapter, routes and firewall session)
// can do so before it ends.

#include <cstdint>
#include <mutex>

#include "common/result.h"

namespace korvane::platform {

// Attaches this process to the console of process `processId`, raises
// CTRL_C_EVENT in it, and detaches again; this process ignores the event
// itself, and its standard handles are as before. Fails with the system's text
// of the step that failed; when attaching fails (a child without a console)
// nothing was sent. The event is delivered asynchronously: the caller waits
// for the child to end.
Status sendConsoleInterrupt(std::uint32_t processId);

// Held while this process is attached to some console for a moment
// (sendConsoleInterrupt, writeErrorLine without standard handles): the
// attachment is process-wide state.
std::mutex& consoleAttachmentLock();

}  // namespace korvane::platform
