#include "platform/wide.h"

#include "common/text.h"

namespace korvane::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide strings are UTF-16");

std::wstring widen(std::string_view utf8) {
    const std::u16string utf16 = utf8ToUtf16(utf8);
    return std::wstring(utf16.begin(), utf16.end());
}

std::string narrow(std::wstring_view utf16) {
    return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()),
                                           utf16.size()));
}

}  // namespace korvane::platform
