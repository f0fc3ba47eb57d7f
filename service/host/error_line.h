#pragma once
// The lines of a command-line run: its one diagnostic line, or its answer.

#include <string_view>

namespace korvane::service {

// Writes `message` and a line break to standard error. The executable is built
// for the graphical subsystem, so when it was started from a console without
// redirected streams it has no standard error: the line then goes to the
// parent's console, if there is one, and nowhere otherwise.
void writeErrorLine(std::string_view message);

// The same for an answer of a command-line run, on standard output.
void writeOutputLine(std::string_view message);

}  // namespace korvane::service
