#pragma once
// A pipe for a child's standard output and standard error.

#include "common/result.h"
#include "platform/handles.h"

namespace korvane::platform {

// The read end is opened for overlapped reads, so that a read can be waited
// on together with other events and cancelled; the write end is an ordinary
// synchronous handle for the child. Neither is inheritable (the launcher makes
// the child's copy). Nothing but these two ends can connect to it.
struct OutputPipe {
    UniqueFile readEnd;
    UniqueFile writeEnd;
};

// Failure: the system's text.
Result<OutputPipe> createOutputPipe();

}  // namespace korvane::platform
