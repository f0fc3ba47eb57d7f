#pragma once
// The lines of a command-line run of the service or the updater: its one
// diagnostic line, or its answer.

#include <string_view>

namespace korvane::platform {

// Writes `message` and a line break to standard error: as UTF-16 to a console,
// so that any code page shows it, and as UTF-8 bytes to a pipe or file. The
// service is built for the graphical subsystem, so when it was started from a
// console without redirected streams it has no standard error: the line then
// goes to the parent's console, if there is one, and nowhere otherwise.
void writeErrorLine(std::string_view message);

// The same for an answer of a command-line run, on standard output.
void writeOutputLine(std::string_view message);

}  // namespace korvane::platform
