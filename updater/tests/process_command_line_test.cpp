#include "updater/process_command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvane::updater {
namespace {

TEST(BuildCommandLine, QuotesTheProgramAndEveryArgument) {
    const std::vector<std::wstring> arguments{L"/FI", L"PID eq 42", L"/NH"};
    EXPECT_EQ(buildCommandLine(L"tasklist", arguments),
              L"\"tasklist\" \"/FI\" \"PID eq 42\" \"/NH\"");
    EXPECT_EQ(buildCommandLine(L"C:\\Program Files\\App\\app.exe", {}),
              L"\"C:\\Program Files\\App\\app.exe\"");
}

TEST(BuildCommandLine, EscapesQuotesAndTheBackslashesBeforeThem) {
    const std::vector<std::wstring> arguments{
        L"", L"a\\b", L"dir\\", L"say \"hi\"", L"a\\\"b", L"two\\\\", L"\\\\server\\share"};
    EXPECT_EQ(buildCommandLine(L"p", arguments),
              L"\"p\" \"\" \"a\\b\" \"dir\\\\\" \"say \\\"hi\\\"\" \"a\\\\\\\"b\" \"two\\\\\\\\\" "
              L"\"\\\\server\\share\"");
}

}  // namespace
}  // namespace korvane::updater
