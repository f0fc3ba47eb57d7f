#include "tests/support/temp_tree.h"

#include <windows.h>

#include <atomic>

#include "tests/support/file_content.h"

namespace korvane::test {

namespace fs = std::filesystem;

namespace {

bool gone(const std::wstring& verbatim) {
    if (::GetFileAttributesW(verbatim.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Removes a file or a folder with everything in it, with the Win32 calls and
// through the \\?\ form, so that trees deeper than MAX_PATH go too. A folder
// link goes without what it leads to. True when nothing is left.
// (std::filesystem::remove_all can spin forever on a tree whose files are
// still "delete pending" under Wine, and cannot remove deep trees.)
bool removeTree(const std::wstring& path) {
    const std::wstring verbatim = L"\\\\?\\" + path;
    const DWORD attributes = ::GetFileAttributesW(verbatim.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return gone(verbatim);
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        ::SetFileAttributesW(verbatim.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return ::DeleteFileW(verbatim.c_str()) || gone(verbatim);
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        WIN32_FIND_DATAW entry;
        const HANDLE find = ::FindFirstFileW((verbatim + L"\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring_view name(entry.cFileName);
                if (name != L"." && name != L"..") {
                    removeTree(path + L"\\" + entry.cFileName);
                }
            } while (::FindNextFileW(find, &entry));
            ::FindClose(find);
        }
    }
    return ::RemoveDirectoryW(verbatim.c_str()) || gone(verbatim);
}

}  // namespace

TempTree::TempTree(std::wstring_view prefix) {
    static std::atomic<int> counter{0};
    root_ = fs::temp_directory_path() /
            (std::wstring(prefix) + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(counter++));
    removeTree(root_.native());  // left over by an earlier run with the same id
    fs::create_directories(root_);
}

// A file that a just-ended child had open may stay "delete pending" for a
// moment under Wine, which keeps its folder from going away: retried a while.
TempTree::~TempTree() {
    for (int attempt = 0; attempt < 50 && !removeTree(root_.native()); ++attempt) {
        ::Sleep(100);
    }
}

fs::path TempTree::path(const fs::path& relative) const {
    return root_ / relative;
}

fs::path TempTree::file(const fs::path& relative, std::string_view content) const {
    const fs::path full = path(relative);
    fs::create_directories(full.parent_path());
    writeFile(full, content);
    return full;
}

fs::path TempTree::folder(const fs::path& relative) const {
    const fs::path full = path(relative);
    fs::create_directories(full);
    return full;
}

}  // namespace korvane::test
