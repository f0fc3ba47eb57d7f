#pragma once
// The rules that place the runtime's files and programs relative to the
// service executable; RuntimeLayout applies them once.

#include <filesystem>
#include <optional>
#include <vector>

namespace korvane::runtime {

// X\resources\runtime\svc.exe and X\runtime\svc.exe use X\data; an executable
// anywhere else uses a "data" folder beside itself.
std::filesystem::path dataDirectoryFor(const std::filesystem::path& executable);

// dataDirectoryFor(executable) for an executable in a folder, else
// <current dir>\data, else .\data.
std::filesystem::path dataDirectoryFrom(const std::optional<std::filesystem::path>& executable);

// The places searched for a path such as runtime\naive\naive.exe, in order:
// E\runtime\naive\naive.exe, E\naive\naive.exe, then D\app\runtime\naive\naive.exe
// for D = E and each of its ancestors up to the install root (E = the folder
// of `executable`; the install root is the folder that holds
// dataDirectoryFor(executable)). Nothing above the install root is searched,
// nor ever the volume root: other users may be able to create folders there,
// and the service would run what it finds as SYSTEM. Drive letters, UNC
// shares and their \\?\ forms are all recognised as roots.
std::vector<std::filesystem::path> runtimeExecutableCandidates(
    const std::filesystem::path& executable, const std::filesystem::path& relativePath);

// The first candidate for which the file system reports attributes (a folder
// counts too), or nothing.
std::optional<std::filesystem::path> firstPresent(
    const std::vector<std::filesystem::path>& candidates);

// firstPresent(runtimeExecutableCandidates(executable, relativePath)).
std::optional<std::filesystem::path> findRuntimeExecutableFrom(
    const std::filesystem::path& executable, const std::filesystem::path& relativePath);

}  // namespace korvane::runtime
