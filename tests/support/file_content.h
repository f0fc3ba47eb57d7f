#pragma once
// Whole files read and written by the tests.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::test {

// The file's bytes, or nothing when it cannot be opened.
std::optional<std::string> readFile(const std::filesystem::path& path);

// Replaces the file's content; a file that cannot be written fails the test.
void writeFile(const std::filesystem::path& path, std::string_view content);

// Polls until the file can be opened and reads it whole; nothing after the
// timeout.
std::optional<std::string> waitForFile(const std::filesystem::path& path,
                                       std::chrono::milliseconds timeout);

// Names of the entries of a folder, sorted.
std::vector<std::wstring> folderEntries(const std::filesystem::path& folder);

}  // namespace korvane::test
