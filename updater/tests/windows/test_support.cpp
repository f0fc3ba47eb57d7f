#include "updater/tests/windows/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include "platform/os_error.h"
#include "tests/support/build_paths.h"
#include "tests/support/file_content.h"
#include "tests/support/processes.h"

namespace korvane::updater::testing {

fs::path updaterExecutable() {
    return test::hostPath(KORVANE_UPDATER_EXE);
}

std::vector<std::wstring> folderEntries(const fs::path& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> recordedRuns(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream content(test::readFile(path).value_or(""));
    for (std::string line; std::getline(content, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool waitForRecordedRun(const fs::path& path, const std::string& line,
                        std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::vector<std::string> runs = recordedRuns(path);
        if (std::find(runs.begin(), runs.end(), line) != runs.end()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

namespace {

std::string readToEnd(HANDLE pipe) {
    std::string content;
    char buffer[4096];
    DWORD received = 0;
    while (::ReadFile(pipe, buffer, sizeof(buffer), &received, nullptr) && received > 0) {
        content.append(buffer, received);
    }
    return content;
}

}  // namespace

Child startChild(const fs::path& program, const std::vector<std::wstring>& arguments) {
    Child child;
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof(inheritable);
    inheritable.bInheritHandle = TRUE;
    platform::UniqueFile outputWriteEnd;
    platform::UniqueFile errorWriteEnd;
    // N.B. The outputs are small: reading the pipes one after the other once
    // the child has ended cannot block it.
    if (!::CreatePipe(child.output.put(), outputWriteEnd.put(), &inheritable, 0) ||
        !::SetHandleInformation(child.output.get(), HANDLE_FLAG_INHERIT, 0) ||
        !::CreatePipe(child.errorOutput.put(), errorWriteEnd.put(), &inheritable, 0) ||
        !::SetHandleInformation(child.errorOutput.get(), HANDLE_FLAG_INHERIT, 0)) {
        ADD_FAILURE() << "pipe: " << platform::lastOsErrorText();
        return child;
    }
    Result<test::StartedProcess> started =
        test::startProcess({.program = program,
                            .arguments = arguments,
                            .output = outputWriteEnd.get(),
                            .error = errorWriteEnd.get(),
                            .workingDirectory = program.parent_path(),
                            .creationFlags = CREATE_NO_WINDOW});
    if (!started) {
        ADD_FAILURE() << started.error();
        return child;
    }
    child.process = std::move(started->process);
    child.pid = started->id;
    return child;
}

bool isRunning(const Child& child) {
    return ::WaitForSingleObject(child.process.get(), 0) == WAIT_TIMEOUT;
}

Finished finishChild(Child& child, std::chrono::milliseconds limit) {
    Finished finished;
    if (!test::waitForExit(child.process.get(), limit)) {
        ADD_FAILURE() << "the child still runs after " << limit.count() << " ms";
        ::TerminateProcess(child.process.get(), 99);
        ::WaitForSingleObject(child.process.get(), INFINITE);
    }
    ::GetExitCodeProcess(child.process.get(), &finished.exitCode);
    finished.output = readToEnd(child.output.get());
    finished.errorOutput = readToEnd(child.errorOutput.get());
    return finished;
}

}  // namespace korvane::updater::testing
