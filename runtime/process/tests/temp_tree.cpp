#include "runtime/process/tests/temp_tree.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <string>

namespace korvane::test {

namespace fs = std::filesystem;

namespace {

// Deletes a tree with the Win32 calls. A file that a just-ended child had
// open may stay "delete pending" for a moment under Wine, which keeps its
// folder from going away, so the whole removal is retried for a while.
// (std::filesystem::remove_all can spin forever on such a tree.)
bool removeTree(const fs::path& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((folder / L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const fs::path path = folder / name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
    }
    return ::RemoveDirectoryW(folder.c_str()) ||
           ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TempTree::TempTree() {
    static std::atomic<int> counter{0};
    root_ = fs::temp_directory_path() / (L"korvane-" + std::to_wstring(::GetCurrentProcessId()) +
                                         L"-" + std::to_wstring(counter++));
    removeTree(root_);
    fs::create_directories(root_);
}

TempTree::~TempTree() {
    for (int attempt = 0; attempt < 50 && !removeTree(root_); ++attempt) {
        ::Sleep(100);
    }
}

fs::path TempTree::file(const fs::path& relative, std::string_view content) {
    const fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return path;
}

fs::path TempTree::folder(const fs::path& relative) {
    const fs::path path = root_ / relative;
    fs::create_directories(path);
    return path;
}

}  // namespace korvane::test
