#include "updater/tasklist_runner.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/module_path.h"
#include "platform/process_launcher.h"

namespace korvane::updater {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kTasklist[] = L"tasklist.exe";

// A system folder by one of the calls that fill a buffer and give its length.
std::optional<fs::path> systemFolder(UINT (*query)(LPWSTR, UINT)) {
    wchar_t folder[MAX_PATH];
    const UINT length = query(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::nullopt;
    }
    return fs::path(std::wstring(folder, length));
}

// The folders that CreateProcessW searches for a program given by bare name,
// in its order: the updater's folder, the current folder (unless the system
// says not to), the system folder, the 16-bit system folder, the Windows
// folder, then the folders of PATH.
std::vector<fs::path> programSearchFolders() {
    std::vector<fs::path> folders;
    if (const Result<fs::path> self = platform::currentExecutablePath(); self) {
        folders.push_back(self->parent_path());
    }
    if (::NeedCurrentDirectoryForExePathW(kTasklist)) {
        std::error_code error;
        if (fs::path current = fs::current_path(error); !error) {
            folders.push_back(std::move(current));
        }
    }
    if (std::optional<fs::path> system = systemFolder(::GetSystemDirectoryW)) {
        folders.push_back(std::move(*system));
    }
    if (std::optional<fs::path> windows = systemFolder(::GetWindowsDirectoryW)) {
        folders.push_back(*windows / L"System");
        folders.push_back(std::move(*windows));
    }
    std::wstring path(32767, L'\0');
    const DWORD length =
        ::GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    for (std::size_t begin = 0; begin < path.size();) {
        std::size_t end = path.find(L';', begin);
        if (end == std::wstring::npos) {
            end = path.size();
        }
        if (end > begin) {
            folders.emplace_back(path.substr(begin, end - begin));
        }
        begin = end + 1;
    }
    return folders;
}

// N.B. The program search that CreateProcessW makes for a bare name, done here
// so that the launcher always gets a full path: which tasklist runs stays as
// it always was (a copy beside the updater comes first).
std::optional<fs::path> findTasklist() {
    for (const fs::path& folder : programSearchFolders()) {
        const fs::path candidate = folder / kTasklist;
        const DWORD attributes = ::GetFileAttributesW(candidate.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
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
