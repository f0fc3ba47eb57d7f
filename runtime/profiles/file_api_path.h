#pragma once
// Application folders (node_modules trees in particular) can be nested deeper
// than the 260 characters that the file API accepts in the ordinary form.

#include <string>

namespace korvane::runtime {

// `path` as handed to the file API: long paths in their \\?\ form (made
// absolute, "/" read as "\", "." and ".." resolved, as the ordinary form would
// be read), all others unchanged.
std::wstring fileApiPath(const std::wstring& path);

}  // namespace korvane::runtime
