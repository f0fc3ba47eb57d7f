#pragma once
// Starting the application again after the update.

#include <string>

#include "common/result.h"

namespace korvane::updater {

// Starts `program` (exactly that file, no search) with no arguments, in the
// current folder and without a console window, and lets it run on its own: its
// handles are released at once. The error is the system's text.
Status launchApplication(const std::wstring& program);

}  // namespace korvane::updater
