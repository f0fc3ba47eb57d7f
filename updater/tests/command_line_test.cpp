#include "updater/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvane::updater {
namespace {

UpdaterOptions parse(std::vector<std::wstring> arguments) {
    return parseUpdaterArguments(arguments);
}

TEST(ParsePid, AcceptsDigitsWithAnOptionalPlus) {
    EXPECT_EQ(parsePid(L"42"), 42u);
    EXPECT_EQ(parsePid(L"+42"), 42u);
    EXPECT_EQ(parsePid(L"0"), 0u);
    EXPECT_EQ(parsePid(L"007"), 7u);
    EXPECT_EQ(parsePid(L"4294967295"), 4294967295u);
    EXPECT_EQ(parsePid(L"00000000000000000000004294967295"), 4294967295u);
}

TEST(ParsePid, RejectsSignsOtherCharactersAndValuesAbove32Bits) {
    for (const wchar_t* text :
         {L"", L"+", L"-", L"-1", L"-0", L"++1", L"+-1", L"abc", L"4 2", L" 42", L"42 ", L"0x10",
          L"4.0", L"1e3", L"\uFF11\uFF12", L"4294967296", L"99999999999999999999999999"}) {
        EXPECT_EQ(parsePid(text), std::nullopt) << "\"" << testing::PrintToString(text) << "\"";
    }
}

TEST(ParseUpdaterArguments, ReadsTheFourFlagsInAnyOrderAndSkipsOtherWords) {
    const UpdaterOptions options =
        parse({L"stray", L"--launch", L"C:\\app\\app.exe", L"x", L"--target", L"C:\\app\\app.exe",
               L"--pid", L"+42", L"-pid", L"--source", L"C:\\tmp\\new.exe", L"y"});
    EXPECT_EQ(options.pid, 42u);
    EXPECT_EQ(options.source, L"C:\\tmp\\new.exe");
    EXPECT_EQ(options.target, L"C:\\app\\app.exe");
    EXPECT_EQ(options.launch, L"C:\\app\\app.exe");
}

TEST(ParseUpdaterArguments, MatchesFlagsExactly) {
    const UpdaterOptions options =
        parse({L"--PID", L"1", L"-source", L"a", L"--target=b", L"---launch", L"c", L"--pid ", L"2",
               L" --source", L"d", L"\u2014target", L"e"});
    EXPECT_EQ(options.pid, std::nullopt);
    EXPECT_EQ(options.source, std::nullopt);
    EXPECT_EQ(options.target, std::nullopt);
    EXPECT_EQ(options.launch, std::nullopt);
}

TEST(ParseUpdaterArguments, TakesTheNextArgumentAsTheValueWhateverItLooksLike) {
    const UpdaterOptions options =
        parse({L"--source", L"--target", L"t", L"--launch", L"--pid", L"--target", L"", L"5"});
    EXPECT_EQ(options.source, L"--target");
    EXPECT_EQ(options.launch, L"--pid");
    EXPECT_EQ(options.target, L"");  // an empty value is a value
    EXPECT_EQ(options.pid, std::nullopt);
}

TEST(ParseUpdaterArguments, KeepsTheLaterValue) {
    const UpdaterOptions options = parse(
        {L"--pid", L"1", L"--source", L"a", L"--pid", L"2", L"--source", L"b", L"--target", L"t"});
    EXPECT_EQ(options.pid, 2u);
    EXPECT_EQ(options.source, L"b");
    // An invalid later pid replaces a valid earlier one.
    EXPECT_EQ(parse({L"--pid", L"1", L"--pid", L"abc"}).pid, std::nullopt);
}

TEST(ParseUpdaterArguments, AFlagWithoutValueAtTheEndUnsetsItsOption) {
    EXPECT_EQ(parse({L"--pid", L"7", L"--pid"}).pid, std::nullopt);
    EXPECT_EQ(parse({L"--source", L"a", L"--source"}).source, std::nullopt);
    EXPECT_EQ(parse({L"--target", L"a", L"--target"}).target, std::nullopt);
    const UpdaterOptions options = parse({L"--launch", L"a", L"--pid", L"3", L"--launch"});
    EXPECT_EQ(options.launch, std::nullopt);
    EXPECT_EQ(options.pid, 3u);
    EXPECT_EQ(parse({}).pid, std::nullopt);
}

TEST(AsksForVersion, OnlyWhenTheFlagIsTheOneArgument) {
    using Arguments = std::vector<std::wstring>;
    EXPECT_TRUE(asksForVersion(Arguments{L"--version"}));
    for (const Arguments& arguments :
         {Arguments{}, Arguments{L"--Version"}, Arguments{L"version"}, Arguments{L"-v"},
          Arguments{L"--version", L"--version"}, Arguments{L"--pid", L"--version"},
          Arguments{L"--version", L"--pid", L"7"}}) {
        EXPECT_FALSE(asksForVersion(arguments)) << arguments.size();
    }
    // As the value of a flag it is just that value.
    EXPECT_EQ(parse({L"--source", L"--version"}).source, L"--version");
}

}  // namespace
}  // namespace korvane::updater
