#include "runtime/process/launch.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "platform/process_launcher.h"
#include "platform/wide.h"
#include "runtime/process/bounded_log.h"
#include "runtime/process/file_io.h"
#include "runtime/process/log_tail.h"
#include "runtime/process/runtime_layout.h"
#include "tests/support/build_paths.h"
#include "tests/support/file_content.h"
#include "tests/support/processes.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/stand_in_record.h"
#include "tests/support/temp_tree.h"

namespace korvane::runtime {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ScopedEnvironment;
using test::TempTree;

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

// A staged install whose data directory is <tree>\X\bin\data.
class LaunchTest : public ::testing::Test {
  protected:
    fs::path logOf(const char* name) { return tree.root() / L"X\\bin\\data\\logs" / name; }

    // The process's end, then its exit as the service learns of it.
    static void waitForExit(const ChildProcess& child) {
        ASSERT_EQ(::WaitForSingleObject(child.process.get(), 10000), WAIT_OBJECT_0);
        ASSERT_EQ(hasExited(child), true);
    }

    TempTree tree;
    const RuntimeLayout layout{tree.root() / L"X\\bin\\svc.exe"};
};

TEST(CommandLineRoundTrip, CommandLineToArgvWGivesEveryArgumentBack) {
    // Every string of up to four characters over the characters that matter.
    const std::wstring alphabet = L"a \t\"\\";
    std::vector<std::wstring> arguments = {L""};
    for (std::size_t length = 1, first = 0; length <= 4; ++length) {
        const std::size_t last = arguments.size();
        for (std::size_t i = first; i < last; ++i) {
            for (wchar_t c : alphabet) {
                arguments.push_back(arguments[i] + c);
            }
        }
        first = last;
    }
    for (const std::wstring& argument : arguments) {
        const std::vector<std::wstring> argv = test::parseCommandLine(
            buildCommandLine(L"C:\\Program Files\\x.exe", {argument, L"end"}));
        ASSERT_EQ(argv, (std::vector<std::wstring>{L"C:\\Program Files\\x.exe", argument, L"end"}))
            << "argument [" << platform::narrow(argument) << "]";
    }
}

TEST_F(LaunchTest, LogHoldsTheBannerThenBothStreamsAndASecondLaunchTruncates) {
    ScopedEnvironment mode(L"KORVANE_SINGBOX_MODE", L"exit");
    for (int run = 0; run < 2; ++run) {
        auto child = launchWithLog(layout, "sing-box", {test::standIn("sing-box"), {}, {}});
        ASSERT_TRUE(child.has_value()) << child.error();
        waitForExit(*child);
    }
    const auto log = test::waitForFile(logOf("sing-box.log"), 0ms);
    ASSERT_TRUE(log.has_value());
    EXPECT_EQ(log->rfind("--- starting sing-box ---\nsing-box stand-in line 1\n", 0), 0u) << *log;
    EXPECT_EQ(count(*log, "--- starting"), 1u);
    EXPECT_EQ(count(*log, "line 3\n"), 1u);
    EXPECT_EQ(count(*log, "sing-box stand-in error line\n"), 1u);
}

TEST_F(LaunchTest, FortyMebibytesOfOutputLeaveTheBannerAndTheLastLinesWithinTheBound) {
    // The stand-in exits right after its last write: the exit is reported once
    // that write is in the log.
    ScopedEnvironment mode(L"KORVANE_NAIVE_MODE", L"flood");
    auto child = launchWithLog(layout, "naive", {test::standIn("naive"), {}, {}});
    ASSERT_TRUE(child.has_value()) << child.error();
    waitForExit(*child);

    const auto log = test::readFile(logOf("naive.log"));
    ASSERT_TRUE(log.has_value());
    EXPECT_LE(log->size(), kLogLimit);
    EXPECT_GE(log->size(), kLogKept - kLineLimit);
    EXPECT_TRUE(log->starts_with("--- starting naive ---\n" + std::string(kDroppedLine)))
        << log->substr(0, 100);
    const std::string lastLine = "naive stand-in output line 655360";
    EXPECT_TRUE(log->ends_with(lastLine + std::string(63 - lastLine.size(), '.') +
                               "\nnaive stand-in flood done\n"))
        << log->substr(log->size() - 200);
    EXPECT_TRUE(readLogTail(layout, "naive").ends_with(" | naive stand-in flood done"));
}

TEST_F(LaunchTest, ChildWritesAtOnceWhileTheLaunchingThreadIsBusy) {
    const fs::path times = tree.root() / L"times.txt";
    ScopedEnvironment mode(L"KORVANE_NAIVE_MODE", L"timed");
    ScopedEnvironment record(L"KORVANE_NAIVE_TIMES", times.wstring());
    auto child = launchWithLog(layout, "naive", {test::standIn("naive"), {}, {}});
    ASSERT_TRUE(child.has_value()) << child.error();
    // Busy as a request handler in a slow start: nobody here reads the pipe.
    // Writes that waited for this thread would take over a second.
    ::Sleep(1500);
    const auto recorded = test::waitForFile(times, 10s);
    ASSERT_TRUE(recorded.has_value()) << "the child's 4 MiB of writes did not finish";
    std::istringstream lines(*recorded);
    int writes = 0;
    for (long milliseconds = 0; lines >> milliseconds; ++writes) {
        EXPECT_LT(milliseconds, 750) << "write " << writes;
    }
    EXPECT_EQ(writes, 64);
    waitForExit(*child);
    const std::string before =
        "--- starting naive ---\nnaive stand-in started\nnaive stand-in error stream\n";
    EXPECT_EQ(fs::file_size(logOf("naive.log")), before.size() + 4 * 1024 * 1024);
}

TEST_F(LaunchTest, ProgramThatKeepsThePipeOpenDelaysTheExitByTheDrainBoundAtMost) {
    ScopedEnvironment mode(L"KORVANE_NAIVE_MODE", L"orphan");
    auto child = launchWithLog(layout, "naive", {test::standIn("naive"), {}, {}});
    ASSERT_TRUE(child.has_value()) << child.error();
    ASSERT_EQ(::WaitForSingleObject(child->process.get(), 10000), WAIT_OBJECT_0);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(hasExited(*child), true);
    // The sleeper still holds the pipe: the bound, not the pipe's end, ended
    // the wait.
    const auto waited = std::chrono::steady_clock::now() - begin;
    EXPECT_GT(waited, OutputCopier::kDrainAfterExit / 2);
    EXPECT_LT(waited, OutputCopier::kDrainAfterExit + 2s);
    EXPECT_TRUE(readLogTail(layout, "naive").ends_with(" | naive stand-in left a program running"));
}

TEST_F(LaunchTest, EachLaunchKeepsTheLogBeforeItAsThePreviousLogReplacingAnOlderOne) {
    ScopedEnvironment mode(L"KORVANE_SINGBOX_MODE", L"exit");
    const auto launchAndMark = [&](const std::string& marker) {
        auto child = launchWithLog(layout, "sing-box", {test::standIn("sing-box"), {}, {}});
        ASSERT_TRUE(child.has_value()) << child.error();
        waitForExit(*child);
        ASSERT_TRUE(test::waitUntilUnshared(logOf("sing-box.log"), 5s));
        const auto log = test::readFile(logOf("sing-box.log"));
        ASSERT_TRUE(log.has_value());
        test::writeFile(logOf("sing-box.log"), *log + marker);
    };
    launchAndMark("first run\n");
    EXPECT_FALSE(fs::exists(logOf("sing-box.previous.log")));
    launchAndMark("second run\n");
    launchAndMark("third run\n");

    const auto previous = test::readFile(logOf("sing-box.previous.log"));
    const auto current = test::readFile(logOf("sing-box.log"));
    ASSERT_TRUE(previous && current);
    EXPECT_EQ(previous->rfind("--- starting sing-box ---\n", 0), 0u) << *previous;
    EXPECT_EQ(count(*previous, "second run\n"), 1u) << *previous;
    EXPECT_EQ(count(*previous, "first run\n") + count(*previous, "third run\n"), 0u);
    EXPECT_EQ(count(*current, "third run\n"), 1u) << *current;
    EXPECT_EQ(count(*current, "second run\n"), 0u);
    // The failure messages quote the current log.
    EXPECT_NE(readLogTail(layout, "sing-box").find("third run"), std::string::npos);
}

TEST_F(LaunchTest, ChildGetsItsArgumentsAndWorkingDirectory) {
    const fs::path record = tree.root() / L"record.txt";
    ScopedEnvironment recordTo(L"KORVANE_SINGBOX_RECORD", record.wstring());
    ScopedEnvironment mode(L"KORVANE_SINGBOX_MODE", L"exit");
    const fs::path workingDirectory = tree.folder(L"work dir");
    const std::vector<std::wstring> arguments = {
        L"run",          L"",           L"two words",        L"tab\there",
        L"say \"hi\"",   L"trailing\\", L"dir with space\\", L"\\\\server\\share\\",
        L"\x00E9t\x00E9"};

    auto child =
        launchWithLog(layout, "sing-box", {test::standIn("sing-box"), arguments, workingDirectory});
    ASSERT_TRUE(child.has_value()) << child.error();
    waitForExit(*child);

    const auto recorded = test::readRecord(record, 5s);
    ASSERT_TRUE(recorded.has_value());
    EXPECT_EQ(fs::path(recorded->workingDirectory), workingDirectory);
    ASSERT_EQ(recorded->argv.size(), arguments.size() + 1);
    EXPECT_EQ(fs::path(recorded->argv[0]), test::standIn("sing-box"));
    EXPECT_EQ(std::vector<std::wstring>(recorded->argv.begin() + 1, recorded->argv.end()),
              arguments);
}

TEST_F(LaunchTest, MissingProgramLeavesJustTheBannerAndReportsTheSystemError) {
    auto child = launchWithLog(layout, "naive", {tree.root() / L"absent.exe", {}, {}});
    ASSERT_FALSE(child.has_value());
    EXPECT_TRUE(child.error().ends_with("(os error 2)")) << child.error();
    EXPECT_EQ(test::waitForFile(logOf("naive.log"), 0ms), "--- starting naive ---\n");
}

TEST_F(LaunchTest, UnusableLogFolderIsReportedAndNothingStarts) {
    tree.file(L"X\\bin\\data\\logs", "a file where the folder belongs");
    const fs::path record = tree.root() / L"record.txt";
    ScopedEnvironment recordTo(L"KORVANE_SINGBOX_RECORD", record.wstring());

    auto child = launchWithLog(layout, "sing-box", {test::standIn("sing-box"), {}, {}});
    ASSERT_FALSE(child.has_value());
    EXPECT_TRUE(child.error().ends_with("(os error 183)")) << child.error();
    EXPECT_FALSE(test::waitForFile(record, 300ms).has_value());
}

TEST_F(LaunchTest, ArgumentWithNulIsRefused) {
    auto child = launchWithLog(layout, "sing-box",
                               {test::standIn("sing-box"), {std::wstring(L"a\0b", 3)}, {}});
    ASSERT_FALSE(child.has_value());
    EXPECT_TRUE(child.error().ends_with("(os error 87)")) << child.error();
}

TEST_F(LaunchTest, ReadLogTailGivesTheLastLinesOfTheLog) {
    EXPECT_EQ(readLogTail(layout, "sing-box"), "");
    ScopedEnvironment mode(L"KORVANE_SINGBOX_MODE", L"exit");
    auto child = launchWithLog(layout, "sing-box", {test::standIn("sing-box"), {}, {}});
    ASSERT_TRUE(child.has_value()) << child.error();
    waitForExit(*child);
    const std::string tail = readLogTail(layout, "sing-box");
    EXPECT_TRUE(tail.starts_with(" Last log lines: --- starting sing-box --- | sing-box stand-in"))
        << tail;
    EXPECT_TRUE(tail.ends_with("sing-box stand-in error line")) << tail;
}

TEST_F(LaunchTest, ReadLogTailWorksWhileTheChildStillWrites) {
    auto child = launchWithLog(layout, "sing-box", {test::standIn("sing-box"), {}, {}});
    ASSERT_TRUE(child.has_value()) << child.error();
    std::string tail;
    for (int i = 0; i < 250 && !tail.ends_with("error line"); ++i) {
        ::Sleep(20);
        tail = readLogTail(layout, "sing-box");
    }
    EXPECT_TRUE(tail.ends_with("sing-box stand-in error line")) << tail;
    ::TerminateProcess(child->process.get(), 1);
    waitForExit(*child);
}

TEST_F(LaunchTest, ReadLogTailOfAHugeLogReadsOnlyItsEnd) {
    // 100 MiB of log: a first line cut at the 64 KiB boundary, inside a
    // three-byte character, then nine short lines at the end.
    const fs::path log = logOf("naive.log");
    fs::create_directories(log.parent_path());
    std::string end;
    for (int i = 1; i <= 9; ++i) {
        end += "end line " + std::to_string(i) + "\n";
    }
    // Long enough that the window begins at its second byte.
    const std::string head = "\xE2\x80\x83 long line ";
    const std::string cutLine =
        head + std::string(kLogTailBytes + 1 - head.size() - 1 - end.size(), 'x') + "\n";
    const std::string lastBytes = cutLine.substr(cutLine.size() + end.size() - kLogTailBytes) + end;
    ASSERT_EQ(lastBytes.size(), kLogTailBytes);
    ASSERT_EQ(static_cast<unsigned char>(lastBytes[0]), 0x80u) << "cut inside the character";
    {
        platform::UniqueFile file(::CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER at{};
        at.QuadPart = 100ll * 1024 * 1024 - static_cast<LONGLONG>(cutLine.size() + end.size());
        ASSERT_TRUE(::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN));
        const std::string written = cutLine + end;
        DWORD count = 0;
        ASSERT_TRUE(::WriteFile(file.get(), written.data(), static_cast<DWORD>(written.size()),
                                &count, nullptr));
    }
    ASSERT_EQ(fs::file_size(log), 100ull * 1024 * 1024);

    PROCESS_MEMORY_COUNTERS before{};
    ASSERT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before));
    const std::string tail = readLogTail(layout, "naive");
    PROCESS_MEMORY_COUNTERS after{};
    ASSERT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof after));

    EXPECT_EQ(tail,
              " Last log lines: end line 2 | end line 3 | end line 4 | end line 5 | end line 6 | "
              "end line 7 | end line 8 | end line 9");
    const auto fromEnd = readFileTail(log, 5);
    ASSERT_TRUE(fromEnd.has_value()) << fromEnd.error();
    EXPECT_EQ(fromEnd->content, "ne 9\n");
    EXPECT_TRUE(fromEnd->cut);
    // Reading the whole log would raise the peak by 100 MiB.
    EXPECT_LT(after.PeakPagefileUsage - before.PeakPagefileUsage, 8u * 1024 * 1024);
}

TEST_F(LaunchTest, ChildrenDieWithTheProcessThatLaunchedThem) {
    const fs::path pidFile = tree.root() / L"child.pid";
    const auto helper = platform::launchProcess(
        {.program = test::hostPath(KORVANE_LAUNCH_HELPER),
         .arguments = {(tree.root() / L"helper\\svc.exe").wstring(),
                       test::standIn("sing-box").wstring(), pidFile.wstring()}});
    ASSERT_TRUE(helper.has_value()) << helper.error();

    const auto pid = test::waitForFile(pidFile, 10s);
    ASSERT_TRUE(pid.has_value()) << "the helper did not launch its child";
    const DWORD childId = static_cast<DWORD>(std::stoul(*pid));
    platform::UniqueProcess child(::OpenProcess(SYNCHRONIZE, FALSE, childId));
    ASSERT_TRUE(child);
    EXPECT_EQ(::WaitForSingleObject(child.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    ::TerminateProcess(helper->process.get(), 9);
    const DWORD ended = ::WaitForSingleObject(child.get(), 10000);
    if (ended != WAIT_OBJECT_0) {
        test::terminateById(childId);
    }
    EXPECT_EQ(ended, static_cast<DWORD>(WAIT_OBJECT_0));
}

}  // namespace
}  // namespace korvane::runtime
