#include "platform/process_launcher.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/os_error.h"
#include "tests/support/build_paths.h"
#include "tests/support/processes.h"
#include "tests/support/temp_tree.h"

namespace korvane::platform {
namespace {

using namespace std::chrono_literals;

std::filesystem::path probe() {
    return test::hostPath(KORVANE_HANDLE_PROBE);
}

std::wstring valueOf(HANDLE handle) {
    return std::to_wstring(reinterpret_cast<std::uintptr_t>(handle));
}

// An event that any child started with bInheritHandles TRUE and no handle
// list would receive.
UniqueHandle<KernelHandleTraits> inheritableEvent() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return UniqueHandle<KernelHandleTraits>(::CreateEventW(&inherit, TRUE, FALSE, nullptr));
}

DWORD exitCodeOf(const UniqueProcessInformation& started) {
    EXPECT_TRUE(test::waitForExit(started.process.get(), 10s));
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(started.process.get(), &code);
    return code;
}

bool isInheritable(HANDLE handle) {
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) && (flags & HANDLE_FLAG_INHERIT) != 0;
}

TEST(LaunchProcess, ChildGetsItsStandardHandlesAndNothingElse) {
    const auto stray = inheritableEvent();
    ASSERT_TRUE(stray);
    UniqueFile readEnd;
    UniqueFile writeEnd;
    ASSERT_TRUE(::CreatePipe(readEnd.put(), writeEnd.put(), nullptr, 0));

    auto started = launchProcess({.program = probe(),
                                  .arguments = {valueOf(stray.get())},
                                  .output = writeEnd.get(),
                                  .creationFlags = CREATE_NO_WINDOW});
    ASSERT_TRUE(started.has_value()) << started.error();
    EXPECT_FALSE(isInheritable(writeEnd.get())) << "the caller's handle stays as it was";
    writeEnd.reset();

    EXPECT_EQ(exitCodeOf(*started), 0u) << "the stray inheritable event reached the child";
    char buffer[64];
    DWORD received = 0;
    ASSERT_TRUE(::ReadFile(readEnd.get(), buffer, sizeof buffer, &received, nullptr));
    EXPECT_EQ(std::string(buffer, received), "probe\n");
}

TEST(LaunchProcess, WithoutHandlesTheChildInheritsNone) {
    const auto stray = inheritableEvent();
    ASSERT_TRUE(stray);
    auto started = launchProcess({.program = probe(),
                                  .arguments = {valueOf(stray.get())},
                                  .creationFlags = CREATE_NO_WINDOW});
    ASSERT_TRUE(started.has_value()) << started.error();
    EXPECT_NE(started->id, 0u);
    EXPECT_EQ(exitCodeOf(*started), 0u);
}

TEST(LaunchProcess, ChildRunsInsideTheJobItWasGiven) {
    const UniqueJob job(::CreateJobObjectW(nullptr, nullptr));
    ASSERT_TRUE(job);
    auto started = launchProcess({.program = test::standIn("sleeper"),
                                  .arguments = {L"10000"},
                                  .creationFlags = CREATE_NO_WINDOW,
                                  .job = job.get()});
    ASSERT_TRUE(started.has_value()) << started.error();
    BOOL inJob = FALSE;
    ASSERT_TRUE(::IsProcessInJob(started->process.get(), job.get(), &inJob));
    EXPECT_TRUE(inJob);
    EXPECT_FALSE(test::waitForExit(started->process.get(), 0ms)) << "resumed and running";
    ::TerminateJobObject(job.get(), 7);
    EXPECT_EQ(exitCodeOf(*started), 7u);
}

TEST(LaunchProcess, RefusesNulAndNeverSearchesForTheProgram) {
    const auto withNul = launchProcess({.program = probe(),
                                        .arguments = {std::wstring(L"1\0"
                                                                   L"2",
                                                                   3)}});
    ASSERT_FALSE(withNul.has_value());
    EXPECT_EQ(withNul.error(), osErrorText(ERROR_INVALID_PARAMETER));

    // A bare name is not looked for along PATH or in the system folder: from
    // an empty folder, "cmd.exe" is a file that does not exist.
    test::TempTree empty;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(empty.root());
    const auto bare = launchProcess({.program = L"cmd.exe", .creationFlags = CREATE_NO_WINDOW});
    std::filesystem::current_path(previous);
    ASSERT_FALSE(bare.has_value());
    EXPECT_EQ(bare.error(), osErrorText(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace korvane::platform
