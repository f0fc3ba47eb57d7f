#include "service/host/command_line_quoting.h"

#include <gtest/gtest.h>

namespace korvane::service {
namespace {

TEST(RegisteredCommandLine, LeavesAPlainPathUnquoted) {
    EXPECT_EQ(registeredCommandLine(LR"(C:\Korvane\korvane_service.exe)"),
              LR"(C:\Korvane\korvane_service.exe run)");
    // Backslashes that stand before no quote need no doubling, even at the end.
    EXPECT_EQ(registeredCommandLine(LR"(\\server\share\dir\)"), LR"(\\server\share\dir\ run)");
}

TEST(RegisteredCommandLine, QuotesPathsWithBlanksAndLineBreaks) {
    EXPECT_EQ(registeredCommandLine(LR"(C:\Program Files\Korvane\korvane_service.exe)"),
              LR"("C:\Program Files\Korvane\korvane_service.exe" run)");
    EXPECT_EQ(registeredCommandLine(L"C:\\a\tb\\k.exe"), L"\"C:\\a\tb\\k.exe\" run");
    EXPECT_EQ(registeredCommandLine(L"C:\\a\nb\\k.exe"), L"\"C:\\a\nb\\k.exe\" run");
    EXPECT_EQ(registeredCommandLine(L"C:\\a\vb\\k.exe"), L"\"C:\\a\vb\\k.exe\" run");
}

TEST(RegisteredCommandLine, EscapesQuotesAndTheBackslashesBeforeThem) {
    EXPECT_EQ(registeredCommandLine(LR"(C:\we"ird\k.exe)"), LR"("C:\we\"ird\k.exe" run)");
    EXPECT_EQ(registeredCommandLine(LR"(C:\a\"b\k.exe)"), LR"("C:\a\\\"b\k.exe" run)");
    EXPECT_EQ(registeredCommandLine(LR"(C:\a\\"b)"), LR"("C:\a\\\\\"b" run)");
}

TEST(RegisteredCommandLine, DoublesTrailingBackslashesInsideQuotes) {
    EXPECT_EQ(registeredCommandLine(LR"(C:\My Dir\)"), LR"("C:\My Dir\\" run)");
    EXPECT_EQ(registeredCommandLine(LR"(C:\My Dir\\)"), LR"("C:\My Dir\\\\" run)");
    // Backslashes in the middle stay single.
    EXPECT_EQ(registeredCommandLine(LR"(C:\My Dir\\x)"), LR"("C:\My Dir\\x" run)");
}

}  // namespace
}  // namespace korvane::service
