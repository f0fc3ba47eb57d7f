#pragma once
// Full Unicode lower-casing from tables generated out of the Unicode Character
// Database (scripts/gen_unicode_case.py), so that every build maps text the
// same way whatever the platform's C library or locale knows.

#include <string>
#include <string_view>

namespace korvane {

// The default full lower-case mapping: the language-independent mappings of
// UnicodeData.txt and SpecialCasing.txt (U+0130 becomes "i" + U+0307), and the
// final sigma rule: a capital sigma that ends a word becomes U+03C2. Invalid
// UTF-8 bytes become U+FFFD.
std::string unicodeLower(std::string_view utf8);

}  // namespace korvane
