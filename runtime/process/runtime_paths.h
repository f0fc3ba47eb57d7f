#pragma once
// Where the runtime keeps its files and finds its programs, computed afresh
// from the service executable's location on every call.

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace korvane::runtime {

// The running service executable, or the path set by tests.
std::optional<std::filesystem::path> serviceExecutablePath();

// Tests stage install trees and make the runtime believe its executable lives
// there; std::nullopt restores the real path.
void overrideServiceExecutablePathForTesting(std::optional<std::filesystem::path> path);

// X\resources\runtime\svc.exe and X\runtime\svc.exe use X\data; an executable
// anywhere else uses a "data" folder beside itself.
std::filesystem::path dataDirectoryFor(const std::filesystem::path& executable);

// dataDirectoryFor(serviceExecutablePath()), else <current dir>\data, else .\data.
std::filesystem::path resolveDataDirectory();

// <data>\logs\<logName>.log
std::filesystem::path logFilePath(std::string_view logName);

// The places searched for a path such as runtime\naive\naive.exe, in order:
// E\runtime\naive\naive.exe, E\naive\naive.exe, then D\app\runtime\naive\naive.exe
// for E and each of its ancestors below the volume root (E = the folder of
// `executable`). The root itself is never searched: any local user can create
// folders there, and the service would run what it finds as SYSTEM. Drive
// letters, UNC shares and their \\?\ forms are all recognised as roots.
std::vector<std::filesystem::path> runtimeExecutableCandidates(
    const std::filesystem::path& executable, const std::filesystem::path& relativePath);

// The first candidate for which the file system reports attributes (a folder
// counts too), or nothing.
std::optional<std::filesystem::path> findRuntimeExecutableFrom(
    const std::filesystem::path& executable, const std::filesystem::path& relativePath);

std::optional<std::filesystem::path> findRuntimeExecutable(
    const std::filesystem::path& relativePath);

}  // namespace korvane::runtime
