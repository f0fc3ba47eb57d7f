#include "runtime/process/tests/temp_tree.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <string>

namespace korvane::test {

namespace fs = std::filesystem;

TempTree::TempTree() {
    static std::atomic<int> counter{0};
    root_ = fs::temp_directory_path() / (L"korvane-" + std::to_wstring(::GetCurrentProcessId()) +
                                         L"-" + std::to_wstring(counter++));
    fs::remove_all(root_);
    fs::create_directories(root_);
}

TempTree::~TempTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
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
