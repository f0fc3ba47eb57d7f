#include "updater/tasklist_runner.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/process_launcher.h"

namespace korvane::updater {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kTasklist[] = L"tasklist.exe";

// N.B. taken from the system folder by its full path, never searched for:
// the client may run the updater elevated from a folder that users can write
// to, and a tasklist.exe planted there (or in the current folder) would run
// with those rights.
std::optional<fs::path> findTasklist() {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::nullopt;
    }
    return fs::path(std::wstring(folder, length)) / kTasklist;
}

}  // namespace

std::optional<std::string> runTasklist(std::uint32_t pid) {
    const std::optional<fs::path> tasklist = findTasklist();
    if (!tasklist) {
        return std::nullopt;
    }
    platform::UniqueFile readEnd;
    platform::UniqueFile writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), nullptr, 0)) {
        return std::nullopt;
    }
    const Result<platform::UniqueProcessInformation> started =
        platform::launchProcess({.program = *tasklist,
                                 .arguments = {L"/FI", L"PID eq " + std::to_wstring(pid), L"/NH"},
                                 .output = writeEnd.get(),
                                 .creationFlags = CREATE_NO_WINDOW});
    if (!started) {
        return std::nullopt;
    }
    // Only the child may hold the write end, so that reading stops when it ends.
    writeEnd.reset();

    std::string output;
    char buffer[4096];
    DWORD received = 0;
    while (::ReadFile(readEnd.get(), buffer, sizeof(buffer), &received, nullptr) && received > 0) {
        output.append(buffer, received);
    }
    return output;
}

}  // namespace korvane::updater
