#pragma once
// Conversions between the service's UTF-8 texts and the UTF-16 of the Win32
// API: the common converter (common/text.h) under the name that the Win32 glue
// uses. Unpaired surrogates (possible in file names) become U+FFFD.

#include "common/text.h"

namespace korvane::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide strings are UTF-16");

using korvane::narrow;
using korvane::widen;

}  // namespace korvane::platform
