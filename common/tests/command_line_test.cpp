#include "common/command_line.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(BuildCommandLine, ProgramAlwaysQuotedPlainArgumentsBare) {
    EXPECT_EQ(buildCommandLine(L"C:\\r\\naive.exe", {}), L"\"C:\\r\\naive.exe\"");
    EXPECT_EQ(buildCommandLine(L"C:\\r\\sing-box.exe", {L"run", L"-c", L"C:\\d\\tun.json"}),
              L"\"C:\\r\\sing-box.exe\" run -c C:\\d\\tun.json");
}

TEST(BuildCommandLine, QuotesEmptyAndBlankArguments) {
    EXPECT_EQ(buildCommandLine(L"p", {L"", L"a b", L"a\tb"}), L"\"p\" \"\" \"a b\" \"a\tb\"");
}

TEST(BuildCommandLine, EscapesQuotesAndTheBackslashesBeforeThem) {
    EXPECT_EQ(buildCommandLine(L"p", {L"say\"hi"}), L"\"p\" say\\\"hi");
    EXPECT_EQ(buildCommandLine(L"p", {L"a\\\\\"b"}), L"\"p\" a\\\\\\\\\\\"b");
    // Backslashes stay single unless a quote follows, including the closing one.
    EXPECT_EQ(buildCommandLine(L"p", {L"C:\\dir\\"}), L"\"p\" C:\\dir\\");
    EXPECT_EQ(buildCommandLine(L"p", {L"C:\\my dir\\"}), L"\"p\" \"C:\\my dir\\\\\"");
}

TEST(BuildCommandLine, TasklistQueryKeepsItsFilterAsOneArgument) {
    EXPECT_EQ(buildCommandLine(L"tasklist", {L"/FI", L"PID eq 42", L"/NH"}),
              L"\"tasklist\" /FI \"PID eq 42\" /NH");
}

}  // namespace
}  // namespace korvane
