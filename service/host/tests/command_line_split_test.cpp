// The quoting, checked against the splitter that Windows programs use.

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "service/host/command_line_quoting.h"

namespace korvane::service {
namespace {

// CommandLineToArgvW's arguments; its array is freed with LocalFree.
std::vector<std::wstring> split(const std::wstring& commandLine) {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(commandLine.c_str(), &count);
    std::unique_ptr<wchar_t*, decltype(&::LocalFree)> owner(argv, &::LocalFree);
    return argv ? std::vector<std::wstring>(argv, argv + count) : std::vector<std::wstring>{};
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

TEST(AppendQuotedArgument, EveryArgumentSplitsBackUnchanged) {
    const std::vector<std::wstring> arguments = {
        L"C:\\Windows\\system32\\sc.exe",
        L"description",
        L"KorvaneVpn",
        L"Runs Korvane VPN runtime with system privileges.",
        L"",
        L"a\\\\\"b c\\",
        L"\\\\"};
    std::wstring line = L"program.exe";
    for (const std::wstring& argument : arguments) {
        line += L' ';
        appendQuotedArgument(line, argument);
    }
    std::vector<std::wstring> parsed = split(line);
    ASSERT_FALSE(parsed.empty());
    parsed.erase(parsed.begin());
    EXPECT_EQ(parsed, arguments);
}

}  // namespace
}  // namespace korvane::service
