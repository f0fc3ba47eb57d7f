#include "runtime/profiles/file_api_path.h"

#include <windows.h>

namespace korvane::runtime {
namespace {

// Below this length every file API call takes the ordinary form (a folder
// path must leave room for an 8.3 name within MAX_PATH).
constexpr std::size_t kOrdinaryLimit = MAX_PATH - 12;

}  // namespace

std::wstring fileApiPath(const std::wstring& path) {
    if (path.size() < kOrdinaryLimit || path.starts_with(L"\\\\?\\")) {
        return path;
    }
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return path;
    }
    full.resize(length);
    if (full.starts_with(L"\\\\.\\") || full.starts_with(L"\\\\?\\")) {
        return full;
    }
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

}  // namespace korvane::runtime
