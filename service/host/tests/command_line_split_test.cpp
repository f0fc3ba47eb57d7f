// The quoting, checked against the splitter that Windows programs use.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/command_line.h"
#include "service/host/command_line_quoting.h"
#include "tests/support/processes.h"

namespace korvane::service {
namespace {

// CommandLineToArgvW's arguments.
std::vector<std::wstring> split(const std::wstring& commandLine) {
    return test::parseCommandLine(commandLine);
}

// The program's own path is split by simpler rules (up to the next quote, no
// escapes); file names never hold a quote or end in a backslash, so only
// blanks matter there.
TEST(RegisteredCommandLine, SplitsBackIntoThePathAndRun) {
    for (const std::wstring path :
         {L"C:\\Korvane\\korvane_service.exe", L"C:\\Program Files\\Korvane\\korvane_service.exe",
          L"C:\\a\tb\\k.exe", L"C:\\tab\t and space\\korvane_service.exe"}) {
        const std::vector<std::wstring> arguments = split(registeredCommandLine(path));
        ASSERT_EQ(arguments.size(), 2u) << path;
        EXPECT_EQ(arguments[0], path);
        EXPECT_EQ(arguments[1], L"run");
    }
}

TEST(BuildCommandLine, EveryArgumentSplitsBackUnchanged) {
    const std::vector<std::wstring> arguments = {
        L"C:\\Windows\\system32\\sc.exe",
        L"description",
        L"KorvaneVpn",
        L"Runs Korvane VPN runtime with system privileges.",
        L"",
        L"a\\\\\"b c\\",
        L"\\\\"};
    std::vector<std::wstring> parsed = split(buildCommandLine(L"program.exe", arguments));
    ASSERT_FALSE(parsed.empty());
    parsed.erase(parsed.begin());
    EXPECT_EQ(parsed, arguments);
}

}  // namespace
}  // namespace korvane::service
