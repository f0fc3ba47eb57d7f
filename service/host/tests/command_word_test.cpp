#include "service/host/command_word.h"

#include <gtest/gtest.h>

namespace korvane::service {
namespace {

TEST(SelectCommandWord, RecognisesEachWordExactly) {
    const wchar_t* run[] = {L"korvane_service.exe", L"run"};
    const wchar_t* install[] = {L"korvane_service.exe", L"install"};
    const wchar_t* uninstall[] = {L"korvane_service.exe", L"uninstall"};
    const wchar_t* status[] = {L"korvane_service.exe", L"status"};
    const wchar_t* version[] = {L"korvane_service.exe", L"version"};
    const wchar_t* dashedVersion[] = {L"korvane_service.exe", L"--version"};
    const wchar_t* diagnostics[] = {L"korvane_service.exe", L"diagnostics"};
    EXPECT_EQ(selectCommandWord(2, run), CommandWord::Run);
    EXPECT_EQ(selectCommandWord(2, install), CommandWord::Install);
    EXPECT_EQ(selectCommandWord(2, uninstall), CommandWord::Uninstall);
    EXPECT_EQ(selectCommandWord(2, status), CommandWord::Status);
    EXPECT_EQ(selectCommandWord(2, version), CommandWord::Version);
    EXPECT_EQ(selectCommandWord(2, dashedVersion), CommandWord::Version);
    EXPECT_EQ(selectCommandWord(2, diagnostics), CommandWord::Diagnostics);
    EXPECT_EQ(argumentAfterWord(2, diagnostics), std::nullopt);
    const wchar_t* withPath[] = {L"korvane_service.exe", L"diagnostics", L"D:\\x y"};
    EXPECT_EQ(argumentAfterWord(3, withPath), L"D:\\x y");
}

TEST(SelectCommandWord, FallsBackToConsoleForNoOrAnyOtherWord) {
    const wchar_t* none[] = {L"korvane_service.exe"};
    EXPECT_EQ(selectCommandWord(1, none), CommandWord::Console);
    EXPECT_EQ(selectCommandWord(0, nullptr), CommandWord::Console);
    for (const wchar_t* word :
         {L"RUN",      L"Install",  L"UNINSTALL", L"run ", L" run",     L"-run",       L"/install",
          L"",         L"runs",     L"uninstal",  L"stop", L"Status",   L"/status",    L"Version",
          L"-version", L"/version", L"--Version", L"-v",   L"versions", L"Diagnostics"}) {
        EXPECT_EQ(commandWordFor(word), CommandWord::Console) << word;
    }
}

TEST(SelectCommandWord, LooksOnlyAtTheFirstArgument) {
    const wchar_t* wordSecond[] = {L"korvane_service.exe", L"console", L"install"};
    const wchar_t* extraAfterWord[] = {L"korvane_service.exe", L"uninstall", L"now", L"run"};
    EXPECT_EQ(selectCommandWord(3, wordSecond), CommandWord::Console);
    EXPECT_EQ(selectCommandWord(4, extraAfterWord), CommandWord::Uninstall);
}

}  // namespace
}  // namespace korvane::service
