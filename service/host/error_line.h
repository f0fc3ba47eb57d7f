#pragma once
// The one diagnostic line of a command-line run.

#include <string_view>

namespace korvane::service {

// Writes `message` and a line break to standard error. The executable is built
// for the graphical subsystem, so when it was started from a console without
// redirected streams it has no standard error: the line then goes to the
// parent's console, if there is one, and nowhere otherwise.
void writeErrorLine(std::string_view message);

// The same for standard output: what a command prints for the user to read.
void writeOutputLine(std::string_view message);

}  // namespace korvane::service
