#include "runtime/process/tests/child_wait.h"

#include <shellapi.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "platform/handles.h"
#include "platform/wide.h"

namespace korvane::test {

namespace fs = std::filesystem;

fs::path hostPath(const char* path) {
    std::wstring text = platform::widen(path);
    if (!text.empty() && text.front() == L'/') {
        for (wchar_t& c : text) {
            if (c == L'/') {
                c = L'\\';
            }
        }
        text = L"Z:" + text;
    }
    return text;
}

fs::path standIn(const char* name) {
    return hostPath(KORVANE_STANDIN_DIR) / (platform::widen(name) + L".exe");
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
    wchar_t buffer[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 32768);
    if (length > 0 && length < 32768) {
        previous_ = std::wstring(buffer, length);
    }
    ::SetEnvironmentVariableW(name, value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() {
    ::SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

std::optional<std::string> waitForFile(const fs::path& path, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (std::ifstream in(path, std::ios::binary); in) {
            std::ostringstream content;
            content << in.rdbuf();
            return content.str();
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::vector<std::wstring> parseCommandLine(const std::wstring& commandLine) {
    int count = 0;
    const platform::UniqueLocalMemory<LPWSTR*> argv(
        ::CommandLineToArgvW(commandLine.c_str(), &count));
    if (!argv) {
        return {};
    }
    return std::vector<std::wstring>(argv.get(), argv.get() + count);
}

std::optional<Recorded> readRecord(const fs::path& path, std::chrono::milliseconds timeout) {
    const auto content = waitForFile(path, timeout);
    if (!content) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::istringstream in(*content);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    if (lines.size() != 3) {
        return std::nullopt;
    }
    return Recorded{platform::widen(lines[0]), parseCommandLine(platform::widen(lines[1])),
                    static_cast<DWORD>(std::stoul(lines[2]))};
}

bool processAlive(DWORD id) {
    platform::UniqueProcess process(::OpenProcess(SYNCHRONIZE, FALSE, id));
    return process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

void terminateById(DWORD id) {
    platform::UniqueProcess process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), 10000);
    }
}

}  // namespace korvane::test
