#pragma once
// What the chosen applications turn into for the routing rules.

#include <set>
#include <string>

namespace korvane::runtime {

// Sets, so each string is held once and the lists come out sorted.
struct ApplicationLists {
    std::set<std::string> processPaths;  // full paths of executables
    std::set<std::string> processNames;  // executable names and bare names
    std::set<std::string> pathRegexes;   // regexes matching everything below a folder
};

}  // namespace korvane::runtime
