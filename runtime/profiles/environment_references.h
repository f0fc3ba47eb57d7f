#pragma once
// %NAME% references in application paths, replaced from an environment block.

#include <string>
#include <utility>
#include <vector>

namespace korvane::runtime {

// (name, value) pairs in the order of the environment block.
using EnvironmentVariables = std::vector<std::pair<std::wstring, std::wstring>>;

// The variables of a block of "name=value" entries, each ended by a null
// character, the block by an empty entry. A name may begin with "=" (the
// per-drive current folders); entries without "=" after the first character
// are skipped.
EnvironmentVariables parseEnvironmentBlock(const wchar_t* block);

// For each variable in order, every "%" + name + "%" in `path` replaced by its
// value. Names match exactly (case-sensitive), so %localappdata% is not
// %LOCALAPPDATA%. A variable whose replacement would make the path longer
// than the longest path Windows accepts (32,767 characters) is left
// unexpanded: such a path names no file, and repeated references to a long
// variable would otherwise make a short request cost gigabytes.
std::wstring expandEnvironmentReferences(std::wstring path, const EnvironmentVariables& variables);

}  // namespace korvane::runtime
