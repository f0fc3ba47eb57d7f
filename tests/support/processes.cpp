#include "tests/support/processes.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include "platform/handles.h"

namespace korvane::test {
namespace {

std::filesystem::path imagePath(DWORD id) {
    const platform::UniqueProcess process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) {
        return {};
    }
    wchar_t buffer[MAX_PATH * 4];
    DWORD size = static_cast<DWORD>(std::size(buffer));
    if (!::QueryFullProcessImageNameW(process.get(), 0, buffer, &size)) {
        return {};
    }
    return std::filesystem::path(std::wstring(buffer, size));
}

}  // namespace

std::vector<std::wstring> parseCommandLine(const std::wstring& commandLine) {
    int count = 0;
    const platform::UniqueLocalMemory<LPWSTR*> argv(
        ::CommandLineToArgvW(commandLine.c_str(), &count));
    if (!argv) {
        return {};
    }
    return std::vector<std::wstring>(argv.get(), argv.get() + count);
}

bool waitForExit(HANDLE process, std::chrono::milliseconds limit) {
    return ::WaitForSingleObject(process, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

bool processAlive(DWORD id) {
    const platform::UniqueProcess process(::OpenProcess(SYNCHRONIZE, FALSE, id));
    return process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

void terminateById(DWORD id) {
    const platform::UniqueProcess process(
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), 10000);
    }
}

std::vector<DWORD> processesRunning(const std::filesystem::path& image) {
    std::vector<DWORD> ids;
    const platform::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    const auto expected = std::filesystem::weakly_canonical(image);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        const auto found = imagePath(entry.th32ProcessID);
        std::error_code error;
        if (!found.empty() && std::filesystem::equivalent(found, expected, error) &&
            processAlive(entry.th32ProcessID)) {
            ids.push_back(entry.th32ProcessID);
        }
    }
    return ids;
}

std::filesystem::path systemTool(const wchar_t* fileName) {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return std::filesystem::path(std::wstring(folder, length)) / fileName;
}

bool runningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool waitUntilUnshared(const std::filesystem::path& file, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const platform::UniqueFile alone(::CreateFileW(
            file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (alone) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        ::Sleep(10);
    }
}

}  // namespace korvane::test
