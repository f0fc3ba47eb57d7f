#include "common/text.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(Utf8Error, ReportsInvalidAndIncompleteSequencesLikeTheDecoder) {
    EXPECT_EQ(utf8Error("abc"), std::nullopt);
    EXPECT_EQ(utf8Error("h\xC3\xA9llo"), std::nullopt);
    EXPECT_EQ(utf8Error("hello\xFFxy"), "invalid utf-8 sequence of 1 bytes from index 5");
    EXPECT_EQ(utf8Error("abcdefg\xE2\x82"), "incomplete utf-8 byte sequence from index 7");
    EXPECT_EQ(utf8Error("\xE2\x82x"), "invalid utf-8 sequence of 2 bytes from index 0");
    EXPECT_EQ(utf8Error("\xF0\x9F\x98x"), "invalid utf-8 sequence of 3 bytes from index 0");
    EXPECT_EQ(utf8Error("\xED\xA0\x80"), "invalid utf-8 sequence of 1 bytes from index 0");
    EXPECT_EQ(utf8Error("\xC0\x80"), "invalid utf-8 sequence of 1 bytes from index 0");
    EXPECT_EQ(utf8Error(std::string_view("a\0b", 3)), std::nullopt);
}

TEST(Utf16, RoundTripsAndReplacesUnpairedSurrogates) {
    const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80";
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(text)), text);
    const char16_t lone[] = {u'x', 0xD800, u'y'};
    EXPECT_EQ(utf16ToUtf8(std::u16string_view(lone, 3)), "x\xEF\xBF\xBDy");
}

TEST(WideText, ReplacesOrRefusesUnpairedSurrogates) {
    const std::wstring bad = std::wstring(L"a") + static_cast<wchar_t>(0xD800) + L"b.exe";
    EXPECT_EQ(narrow(bad),
              "a\xEF\xBF\xBD"
              "b.exe");
    EXPECT_EQ(strictNarrow(bad), std::nullopt);
    const std::string text = "C:\\\xC3\x9C\\\xF0\x9F\x98\x80.exe";
    EXPECT_EQ(strictNarrow(widen(text)), text);
    // Beyond U+FFFF, wide text holds a surrogate pair where wchar_t has 16 bits.
    EXPECT_EQ(widen("\xF0\x9F\x98\x80").size(), sizeof(wchar_t) == 2 ? 2u : 1u);
    EXPECT_EQ(widen("a\xFF"), std::wstring(L"a") + static_cast<wchar_t>(0xFFFD));
}

TEST(Whitespace, TrimsAndSplitsOnUnicodeWhiteSpace) {
    EXPECT_EQ(trimUnicodeWhitespace("\xE3\x80\x80 \t a b\xC2\x85\n"), "a b");
    EXPECT_EQ(trimUnicodeWhitespace(" \xE2\x80\x8B "), "\xE2\x80\x8B");  // U+200B is no space
    EXPECT_EQ(trimUnicodeWhitespace("   "), "");
    const auto tokens = splitUnicodeWhitespace(" POST\t\x0B/start \xC2\xA0HTTP/1.1\r");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0], "POST");
    EXPECT_EQ(tokens[1], "/start");
    EXPECT_EQ(tokens[2], "HTTP/1.1");
    EXPECT_TRUE(splitUnicodeWhitespace(" \r\n").empty());
}

TEST(AsciiCase, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(equalsIgnoringAsciiCase("NaiveProxy", "naiveproxy"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("\xC3\x89", "\xC3\xA9"));
    EXPECT_EQ(asciiLower("AbC-\xC3\x89"), "abc-\xC3\x89");
    EXPECT_TRUE(equalsIgnoringAsciiCase(L"Update.EXE", L"update.exe"));
    EXPECT_FALSE(equalsIgnoringAsciiCase(L"update.ex", L"update.exe"));
    // U+212A KELVIN SIGN folds to "k" in Unicode, but not here.
    EXPECT_FALSE(equalsIgnoringAsciiCase(std::wstring(1, static_cast<wchar_t>(0x212A)), L"k"));
    EXPECT_FALSE(equalsIgnoringAsciiCase(std::wstring_view(L"\u00C9"), L"\u00E9"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("[", "{"));
}

TEST(HexDigitValue, ReadsBothCasesAndRefusesTheNeighbouringBytes) {
    EXPECT_EQ(hexDigitValue('0'), 0);
    EXPECT_EQ(hexDigitValue('9'), 9);
    EXPECT_EQ(hexDigitValue('a'), 10);
    EXPECT_EQ(hexDigitValue('F'), 15);
    for (const char c : {'/', ':', '@', 'G', '`', 'g', ' ', '\0', '\xC3'}) {
        EXPECT_EQ(hexDigitValue(c), -1) << static_cast<int>(c);
    }
}

}  // namespace
}  // namespace korvane
