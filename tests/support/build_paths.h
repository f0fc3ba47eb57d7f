#pragma once
// Files of the build that the tests run, as Windows paths.

#include <filesystem>

namespace korvane::test {

// A path that the build gave in host form (/work/...) as a Windows path on
// Wine's drive for the host's root (Z:\work\...); a Windows path is returned
// unchanged.
std::filesystem::path hostPath(const char* path);

// The stand-in of that name from the test build, e.g. standIn("naive").
std::filesystem::path standIn(const char* name);

}  // namespace korvane::test
