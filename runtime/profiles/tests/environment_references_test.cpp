#include "runtime/profiles/environment_references.h"

#include <gtest/gtest.h>

namespace korvane::runtime {
namespace {

TEST(EnvironmentBlock, KeepsOrderAndDriveEntriesAndSkipsEntriesWithoutValue) {
    const wchar_t block[] = L"=C:=C:\\svc\0PATH=C:\\a=b\0bogus\0LOCALAPPDATA=C:\\L\0";
    const EnvironmentVariables expected{
        {L"=C:", L"C:\\svc"}, {L"PATH", L"C:\\a=b"}, {L"LOCALAPPDATA", L"C:\\L"}};
    EXPECT_EQ(parseEnvironmentBlock(block), expected);
    EXPECT_TRUE(parseEnvironmentBlock(L"\0").empty());
    EXPECT_TRUE(parseEnvironmentBlock(nullptr).empty());
}

TEST(EnvironmentReferences, ReplaceEveryOccurrenceWithExactNames) {
    const EnvironmentVariables variables{{L"LOCALAPPDATA", L"C:\\Users\\u\\AppData\\Local"}};
    EXPECT_EQ(expandEnvironmentReferences(L"%LOCALAPPDATA%\\Discord\\%LOCALAPPDATA%", variables),
              L"C:\\Users\\u\\AppData\\Local\\Discord\\C:\\Users\\u\\AppData\\Local");
    EXPECT_EQ(expandEnvironmentReferences(L"%localappdata%\\x.exe", variables),
              L"%localappdata%\\x.exe");
    EXPECT_EQ(expandEnvironmentReferences(L"%LOCALAPPDATA\\x.exe", variables),
              L"%LOCALAPPDATA\\x.exe");
}

TEST(EnvironmentReferences, VariablesApplyOneAfterAnotherInBlockOrder) {
    // A value that holds a later variable's reference is expanded again; one
    // that holds an earlier one's, or its own, is not.
    const EnvironmentVariables variables{{L"A", L"%B%\\%A%"}, {L"B", L"b"}, {L"C", L"%A%"}};
    EXPECT_EQ(expandEnvironmentReferences(L"%A%|%C%", variables), L"b\\%A%|%A%");
}

TEST(EnvironmentReferences, ExpansionBeyondTheLongestPathIsLeftOut) {
    const EnvironmentVariables variables{{L"LONG", std::wstring(4000, L'x')}, {L"S", L"s"}};
    std::wstring path;
    for (int i = 0; i < 9; ++i) {
        path += L"%LONG%%S%";
    }
    std::wstring expected;
    for (int i = 0; i < 9; ++i) {
        expected += L"%LONG%s";
    }
    EXPECT_EQ(expandEnvironmentReferences(path, variables), expected);
    EXPECT_EQ(expandEnvironmentReferences(L"%LONG%%LONG%", variables).size(), 8000u);
}

}  // namespace
}  // namespace korvane::runtime
