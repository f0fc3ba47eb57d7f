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

// The \\?\ form, so that trees deeper than MAX_PATH go too.
fs::path verbatim(const std::wstring& path) {
    return L"\\\\?\\" + path;
}

}  // namespace

FolderTree::FolderTree() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    root_ = std::wstring(temp, length) + L"korvane-profiles-" +
            std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    fs::remove_all(verbatim(root_));  // left over by an earlier run with the same id
    fs::create_directories(root_);
}

FolderTree::~FolderTree() {
    std::error_code ignored;
    fs::remove_all(verbatim(root_), ignored);
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
