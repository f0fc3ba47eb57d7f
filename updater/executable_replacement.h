#pragma once
// Putting the downloaded executable in place of the installed one.

#include <string>

#include "common/result.h"

namespace korvane::updater {

// Copies `source` to a temporary file beside `target` and then renames it over
// `target` in one step, so that the target is either the old file or the whole
// new one. On failure the temporary file is removed, the target is untouched
// and the error is the system's text. The source is never changed.
Status replaceExecutable(const std::wstring& source, const std::wstring& target);

}  // namespace korvane::updater
