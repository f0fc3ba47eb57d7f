#include "runtime/profiles/tests/folder_tree.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace korvane::runtime::testing {
namespace {

namespace fs = std::filesystem;

std::atomic<int> counter{0};

// Removes `path` and everything below it, through the \\?\ form so that
// trees deeper than MAX_PATH go too (std::filesystem cannot remove those here).
void removeTree(const std::wstring& path) {
    const std::wstring verbatim = L"\\\\?\\" + path;
    const DWORD attributes = ::GetFileAttributesW(verbatim.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::DeleteFileW(verbatim.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileW((verbatim + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring_view name(data.cFileName);
            if (name != L"." && name != L"..") {
                removeTree(path + L"\\" + data.cFileName);
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(verbatim.c_str());
}

}  // namespace

FolderTree::FolderTree() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    root_ = std::wstring(temp, length) + L"korvane-profiles-" +
            std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    removeTree(root_);  // left over by an earlier run with the same id
    fs::create_directories(root_);
}

FolderTree::~FolderTree() {
    removeTree(root_);
}

std::wstring FolderTree::path(std::wstring_view relative) const {
    return root_ + L"\\" + std::wstring(relative);
}

std::wstring FolderTree::folder(std::wstring_view relative) const {
    const std::wstring full = path(relative);
    fs::create_directories(full);
    return full;
}

std::wstring FolderTree::file(std::wstring_view relative) const {
    const fs::path full = path(relative);
    fs::create_directories(full.parent_path());
    std::ofstream out(full);
    if (!out) {
        throw std::runtime_error("cannot create a test file");
    }
    return full.native();
}

}  // namespace korvane::runtime::testing
