#pragma once
// What a stand-in wrote down about its own start.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

// Its working directory, its arguments as parseCommandLine gives them back
// (argv[0] included) and its process id.
struct Recorded {
    std::filesystem::path workingDirectory;
    std::vector<std::wstring> argv;
    DWORD processId = 0;
};

// Waits up to `timeout` for the record file; nothing when it never came or
// does not have the record's three lines.
std::optional<Recorded> readRecord(const std::filesystem::path& path,
                                   std::chrono::milliseconds timeout);

// The tasklist stand-in appends a line for each run to the file that this
// environment variable names: "tasklist" and each argument in brackets.
inline constexpr wchar_t kTasklistRecordVariable[] = L"KORVANE_TASKLIST_RECORD";

// The lines of the tasklist stand-in's record.
std::vector<std::string> recordedRuns(const std::filesystem::path& path);

// Waits up to `limit` until the record holds a line equal to `line`.
bool waitForRecordedRun(const std::filesystem::path& path, const std::string& line,
                        std::chrono::milliseconds limit);

}  // namespace korvane::test
