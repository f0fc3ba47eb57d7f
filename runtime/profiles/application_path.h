#pragma once
// Where a chosen application's executable is, as the service sees it.

#include <string>
#include <string_view>

#include "runtime/process/runtime_layout.h"

namespace korvane::runtime {

// `path` with every %NAME% of the service's environment replaced (in block
// order, names case-sensitive) and, unless then absolute, joined onto the
// folder of the layout's service executable (a leading separator keeps only
// that folder's drive). Without the executable's path the expanded text is
// kept.
std::wstring expandApplicationPath(std::wstring_view path, const RuntimeLayout& layout);

}  // namespace korvane::runtime
