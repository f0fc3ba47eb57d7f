#pragma once
// UTF-8 and Unicode helpers shared by the portable code. They behave the same
// in every build, whatever the platform's locale or wchar_t width.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Checks that `bytes` is UTF-8. On failure returns the description of the first
// bad sequence: "invalid utf-8 sequence of N bytes from index I" or
// "incomplete utf-8 byte sequence from index I".
std::optional<std::string> utf8Error(std::string_view bytes);

// Code points of valid UTF-8 text (precondition: utf8Error(text) is empty).
std::u32string decodeUtf8(std::string_view text);
void appendUtf8(std::string& out, char32_t codePoint);
std::string encodeUtf8(std::u32string_view codePoints);

// UTF-16 -> UTF-8 with unpaired surrogates replaced by U+FFFD; UTF-8 -> UTF-16
// (invalid input bytes become U+FFFD too).
std::string utf16ToUtf8(std::u16string_view text);
std::u16string utf8ToUtf16(std::string_view text);

// The same conversions for wide text (the Win32 API's UTF-16, and UTF-32 where
// wchar_t is 32 bits wide, so that path rules are tested natively too):
// narrow() replaces an unpaired surrogate (or a value that is no code point)
// with U+FFFD, strictNarrow() gives nothing for text that holds one.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);
std::optional<std::string> strictNarrow(std::wstring_view wide);

// The Unicode White_Space property.
bool isUnicodeWhitespace(char32_t c);

// Leading and trailing Unicode white space removed (input must be valid UTF-8).
std::string_view trimUnicodeWhitespace(std::string_view text);

// Tokens separated by runs of Unicode white space; no empty tokens.
std::vector<std::string_view> splitUnicodeWhitespace(std::string_view text);

// ASCII-only case folding, for the comparisons that the protocol and the file
// system define so: other characters, however they would fold, stay as they are.
template <typename Char>
constexpr Char asciiLowerChar(Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}
std::string asciiLower(std::string_view text);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);

// The value of an ASCII hexadecimal digit (either case), or -1 for any other byte.
int hexDigitValue(char c);

}  // namespace korvane
