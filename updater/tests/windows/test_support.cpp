#include "updater/tests/windows/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/command_line.h"

namespace korvane::updater::testing {

// The build's folders are Unix paths; made absolute they become Windows ones
// on Wine's drive for the file system root.
fs::path standin(const wchar_t* name) {
    return fs::absolute(fs::path(KORVANE_STANDIN_DIR) / name);
}

fs::path updaterExecutable() {
    return fs::absolute(fs::path(KORVANE_UPDATER_EXE));
}

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            ("korvane-updater-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
             std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    // Read-only files (a copied read-only source) would refuse removal.
    for (const auto& entry : fs::recursive_directory_iterator(path_, ignored)) {
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(path_, ignored);
}

void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    ASSERT_TRUE(out.good()) << path;
}

std::optional<std::string> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::wstring> folderEntries(const fs::path& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void recordTasklistRunsIn(const fs::path& path) {
    ::SetEnvironmentVariableW(L"KORVANE_TASKLIST_RECORD", path.c_str());
}

std::vector<std::string> recordedRuns(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream content(readFile(path).value_or(""));
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

Child startChild(const fs::path& program, const std::vector<std::wstring>& arguments) {
    Child child;
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof(inheritable);
    inheritable.bInheritHandle = TRUE;
    platform::UniqueFile writeEnd;
    if (!::CreatePipe(child.errorOutput.put(), writeEnd.put(), &inheritable, 0) ||
        !::SetHandleInformation(child.errorOutput.get(), HANDLE_FLAG_INHERIT, 0)) {
        ADD_FAILURE() << "pipe: " << ::GetLastError();
        return child;
    }
    std::wstring commandLine = buildCommandLine(program.wstring(), arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW, nullptr, program.parent_path().c_str(), &startup,
                          &created)) {
        ADD_FAILURE() << "cannot start " << program << ": " << ::GetLastError();
        return child;
    }
    child.process.reset(created.hProcess);
    const platform::UniqueThread thread(created.hThread);
    child.pid = created.dwProcessId;
    return child;
}

bool isRunning(const Child& child) {
    return ::WaitForSingleObject(child.process.get(), 0) == WAIT_TIMEOUT;
}

Finished finishChild(Child& child, std::chrono::milliseconds limit) {
    Finished finished;
    if (::WaitForSingleObject(child.process.get(), static_cast<DWORD>(limit.count())) !=
        WAIT_OBJECT_0) {
        ADD_FAILURE() << "the child still runs after " << limit.count() << " ms";
        ::TerminateProcess(child.process.get(), 99);
        ::WaitForSingleObject(child.process.get(), INFINITE);
    }
    ::GetExitCodeProcess(child.process.get(), &finished.exitCode);
    char buffer[4096];
    DWORD received = 0;
    while (::ReadFile(child.errorOutput.get(), buffer, sizeof(buffer), &received, nullptr) &&
           received > 0) {
        finished.errorOutput.append(buffer, received);
    }
    return finished;
}

}  // namespace korvane::updater::testing
