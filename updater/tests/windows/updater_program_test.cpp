// The built korvane_updater.exe, run as the client runs it. The tasklist
// stand-in sits beside it, where the program search looks first.

#include <gtest/gtest.h>

#include "common/version.h"
#include "tests/support/build_paths.h"
#include "tests/support/file_content.h"
#include "tests/support/program_runs.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/stand_in_record.h"
#include "tests/support/temp_tree.h"

namespace korvane::updater {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::steady_clock;
using test::Child;
using test::finishChild;
using test::Finished;
using test::folderEntries;
using test::isRunning;
using test::kTasklistRecordVariable;
using test::readFile;
using test::recordedRuns;
using test::standIn;
using test::startChild;
using test::waitForRecordedRun;
using test::writeFile;

// The built korvane_updater.exe, as a Windows path.
fs::path updaterExecutable() {
    return test::hostPath(KORVANE_UPDATER_EXE);
}

// No process has this id, so the stand-in answers without digits at once.
constexpr const wchar_t* kAbsentPid = L"4000000000";

// Wine runs its own built-in tasklist from the system folder unless told to
// prefer the file there (Windows ignores the key).
class NativeTasklist {
  public:
    NativeTasklist() {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kOverrides, L"tasklist.exe", REG_SZ, L"native",
                          sizeof L"native");
    }
    ~NativeTasklist() { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kOverrides, L"tasklist.exe"); }
    NativeTasklist(const NativeTasklist&) = delete;
    NativeTasklist& operator=(const NativeTasklist&) = delete;

  private:
    static constexpr const wchar_t* kOverrides = L"Software\\Wine\\DllOverrides";
};

fs::path systemTasklist() {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return fs::path(std::wstring(folder, length)) / L"tasklist.exe";
}

class UpdaterProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy_file(updaterExecutable(), tree.path(L"korvane_updater.exe"));
        // The updater asks the system folder's tasklist.exe (this test prefix's
        // gets the stand-in); one planted beside it must never run.
        fs::copy_file(standIn("tasklist"), systemTasklist(), fs::copy_options::overwrite_existing);
        fs::copy_file(standIn("sleeper"), tree.path(L"tasklist.exe"));
        fs::copy_file(standIn("tasklist"), launcher);
        fs::create_directory(tree.path(L"app"));
        fs::create_directory(tree.path(L"download"));
        writeFile(target, "old");
        writeFile(source, "new");
    }

    Child start(const std::vector<std::wstring>& arguments) {
        return startChild(tree.path(L"korvane_updater.exe"), arguments);
    }
    Finished run(const std::vector<std::wstring>& arguments) {
        Child updater = start(arguments);
        return finishChild(updater, milliseconds(60000));
    }
    std::vector<std::wstring> arguments(const std::wstring& pid, const fs::path& launch) const {
        return {L"--pid",         pid,         L"--source",     source.wstring(), L"--target",
                target.wstring(), L"--launch", launch.wstring()};
    }
    // Runs of the stand-in that the wait made, as opposed to the relaunch.
    std::size_t listerRuns(const std::wstring& pid) const {
        const std::string expected = "tasklist[/FI][PID eq " + fs::path(pid).string() + "][/NH]";
        std::size_t count = 0;
        for (const std::string& line : recordedRuns(record)) {
            count += line == expected ? 1 : 0;
        }
        return count;
    }
    bool relaunched(milliseconds patience) const {
        return waitForRecordedRun(record, "tasklist", patience);
    }

    test::TempTree tree;
    const fs::path record = tree.path(L"record.txt");
    const fs::path target = tree.path(L"app") / L"app.exe";
    const fs::path source = tree.path(L"download") / L"new.exe";
    const fs::path launcher = tree.path(L"client.exe");
    const test::ScopedEnvironment recordTo{kTasklistRecordVariable, record.wstring()};
    const NativeTasklist nativeTasklist;
};

TEST_F(UpdaterProgram, WritesTheFirstMissingArgumentAndDoesNothingElse) {
    const std::wstring s = source.wstring(), t = target.wstring(), l = launcher.wstring();
    const std::vector<std::pair<std::vector<std::wstring>, std::string>> cases{
        {{}, "Missing updater pid argument"},
        {{L"--pid", L"abc", L"--source", s, L"--target", t, L"--launch", l},
         "Missing updater pid argument"},
        {{L"--launch", l, L"--pid", kAbsentPid, L"--source", s, L"--target", t, L"--launch"},
         "Missing updater launch argument"},
    };
    for (const auto& [args, message] : cases) {
        const Finished finished = run(args);
        EXPECT_EQ(finished.exitCode, 1u) << message;
        EXPECT_EQ(finished.errorOutput, message + "\n");
    }
    EXPECT_EQ(readFile(target), "old");
    EXPECT_TRUE(recordedRuns(record).empty());
}

TEST_F(UpdaterProgram, VersionAlonePrintsNameAndVersionAndDoesNothingElse) {
    const Finished version = run({L"--version"});
    EXPECT_EQ(version.exitCode, 0u);
    EXPECT_EQ(version.output, "korvane_updater " + std::string(versionText()) + "\n");
    EXPECT_EQ(version.errorOutput, "");

    // Beside other arguments the flag is skipped like any unknown word.
    const Finished update = run({L"--version", L"--pid", kAbsentPid});
    EXPECT_EQ(update.exitCode, 1u);
    EXPECT_EQ(update.output, "");
    EXPECT_EQ(update.errorOutput, "Missing updater source argument\n");

    EXPECT_EQ(readFile(target), "old");
    EXPECT_TRUE(recordedRuns(record).empty());
}

TEST_F(UpdaterProgram, ReplacesOnlyAfterTheClientHasEnded) {
    Child client = startChild(standIn("sleeper"), {L"2500"});
    const std::wstring pid = std::to_wstring(client.pid);
    const auto started = steady_clock::now();
    Child updater = start(arguments(L"+" + pid, launcher));
    // Read the target before asking about the client: while the client still
    // runs afterwards, what was read must be the old file.
    for (;;) {
        const std::optional<std::string> content = readFile(target);
        if (!isRunning(client)) {
            break;
        }
        ASSERT_EQ(content, "old");
        ::Sleep(20);
    }
    const Finished finished = finishChild(updater, milliseconds(60000));
    EXPECT_EQ(finished.exitCode, 0u);
    EXPECT_EQ(finished.errorOutput, "");
    EXPECT_LT(steady_clock::now() - started, std::chrono::seconds(15));
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(readFile(source), "new");
    EXPECT_EQ(folderEntries(tree.path(L"app")), (std::vector<std::wstring>{L"app.exe"}));
    // It asked about the client several times, with exactly these arguments.
    EXPECT_GE(listerRuns(pid), 2u);
    EXPECT_TRUE(relaunched(milliseconds(10000)));
    EXPECT_EQ(recordedRuns(record).size(), listerRuns(pid) + 1);
}

TEST_F(UpdaterProgram, AsksTheSystemFoldersTasklistNotOnePlantedInItsFolder) {
    // The updater's folder is also its current folder; the tasklist.exe there
    // is a sleeper that records nothing.
    const Finished finished = run(arguments(kAbsentPid, launcher));
    EXPECT_EQ(finished.exitCode, 0u);
    EXPECT_EQ(listerRuns(kAbsentPid), 1u);
    EXPECT_EQ(readFile(target), "new");
}

TEST_F(UpdaterProgram, ReplacesAfterTwentySecondsWhenTheClientNeverEnds) {
    // This test's own process stays alive throughout.
    const std::wstring pid = std::to_wstring(::GetCurrentProcessId());
    const auto started = steady_clock::now();
    const Finished finished = run(arguments(pid, launcher));
    const auto elapsed = steady_clock::now() - started;
    EXPECT_EQ(finished.exitCode, 0u);
    EXPECT_EQ(finished.errorOutput, "");
    EXPECT_GE(elapsed, std::chrono::seconds(20));
    EXPECT_LT(elapsed, std::chrono::seconds(40));
    EXPECT_EQ(readFile(target), "new");
    EXPECT_GE(listerRuns(pid), 10u);
    EXPECT_TRUE(relaunched(milliseconds(10000)));
}

TEST_F(UpdaterProgram, AMissingSourceKeepsTheTargetAndStartsNothing) {
    const fs::path missing = tree.path(L"download") / L"missing.exe";
    std::vector<std::wstring> args = arguments(kAbsentPid, launcher);
    args.insert(args.end(), {L"--source", missing.wstring()});
    const Finished finished = run(args);
    EXPECT_EQ(finished.exitCode, 1u);
    EXPECT_TRUE(finished.errorOutput.starts_with("Failed to replace application executable: "))
        << finished.errorOutput;
    EXPECT_TRUE(finished.errorOutput.ends_with(" (os error 2)\n")) << finished.errorOutput;
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(folderEntries(tree.path(L"app")), (std::vector<std::wstring>{L"app.exe"}));
    EXPECT_EQ(listerRuns(kAbsentPid), 1u);
    EXPECT_FALSE(relaunched(milliseconds(1000)));
}

TEST_F(UpdaterProgram, ALaunchFailureIsReportedWithTheNewFileInPlace) {
    const Finished finished = run(arguments(kAbsentPid, tree.path(L"app") / L"missing.exe"));
    EXPECT_EQ(finished.exitCode, 1u);
    EXPECT_TRUE(finished.errorOutput.starts_with("Failed to restart application: "))
        << finished.errorOutput;
    EXPECT_TRUE(finished.errorOutput.ends_with(" (os error 2)\n")) << finished.errorOutput;
    EXPECT_EQ(readFile(target), "new");
}

TEST_F(UpdaterProgram, StartsTheReplacedTargetWhenItIsAlsoTheLaunchProgram) {
    // The new version is a program that notes its start.
    fs::copy_file(standIn("tasklist"), source, fs::copy_options::overwrite_existing);
    const Finished finished = run(arguments(kAbsentPid, target));
    EXPECT_EQ(finished.exitCode, 0u);
    EXPECT_EQ(finished.errorOutput, "");
    EXPECT_EQ(readFile(target), readFile(standIn("tasklist")));
    EXPECT_TRUE(relaunched(milliseconds(10000)));
}

}  // namespace
}  // namespace korvane::updater
