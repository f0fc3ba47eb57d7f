#pragma once
// The text rules behind the application lists: which file names count as an
// application's executables, and the regexes that cover a folder.

#include <string>
#include <string_view>
#include <vector>

namespace korvane::runtime {

// A backslash before each of \ . + * ? ( ) | [ ] { } ^ $; nothing else changes.
std::string escapeRegex(std::string_view text);

// Regexes matching everything below `folder` (trailing "\" and "/" ignored):
// "^<escaped>\\.*$", and, when the folder holds a backslash, the same with
// every "\" written as "/" and "/.*$" at the end.
std::vector<std::string> directoryRegexes(std::string_view folder);

// The name rules for an executable: extension "exe" (ASCII case ignored), not
// beginning with "unins", not "update.exe" or "updater.exe" (ASCII case
// ignored). A name with unpaired surrogates fails none of the last two.
bool isCandidateExecutableName(std::wstring_view fileName);

}  // namespace korvane::runtime
