#pragma once
// The version of both programs, as `version` prints it and the executables'
// version resources and the package names carry it: "0.9.0", or with the
// commit of the checkout they were built from, "0.9.0+g1a2b3c4" (".dirty"
// appended when tracked files differed from it).

#include <string>
#include <string_view>

namespace korvane {

std::string_view versionText();

// "<program> <version>", the line of a program's version command.
std::string versionLine(std::string_view program);

}  // namespace korvane
