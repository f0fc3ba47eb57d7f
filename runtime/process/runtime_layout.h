#pragma once
// Where the runtime keeps its files and finds its programs, worked out once
// from the service executable's location. The top of the program makes one
// and hands it to the runners, the configuration builders and the log
// functions; tests make one for their own install tree.

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace korvane::runtime {

// The runtime programs, relative to the service's folder; the lookup also
// tries them without "runtime\" and under app\ folders up to the install root.
inline constexpr wchar_t kNaiveRelativePath[] = L"runtime\\naive\\naive.exe";
inline constexpr wchar_t kSingBoxRelativePath[] = L"runtime\\sing-box\\sing-box.exe";

enum class RuntimeProgram { Naive, SingBox };

class RuntimeLayout {
  public:
    // The layout of a service executable at that path; none (the system could
    // not say where the executable is) gives a data folder in the current
    // folder and no program candidates.
    explicit RuntimeLayout(std::optional<std::filesystem::path> serviceExecutable);

    // The layout of the running executable.
    static RuntimeLayout ofRunningExecutable();

    const std::optional<std::filesystem::path>& serviceExecutable() const {
        return serviceExecutable_;
    }

    // dataDirectoryFor(the executable), or for an executable without a folder
    // <current folder>\data (.\data when even that is unknown).
    const std::filesystem::path& dataFolder() const { return dataFolder_; }

    // <data>\logs\<logName>.log
    std::filesystem::path logFile(std::string_view logName) const;

    // <data>\naive\config.json and <data>\sing-box\tun.json: where a start
    // writes the programs' configuration and a restart reads it again.
    std::filesystem::path naiveConfigFile() const;
    std::filesystem::path singBoxConfigFile() const;

    // The first of the program's candidates that is present. The candidates are
    // fixed; whether each is present is looked at on every call, so a program
    // installed while the service runs is found.
    std::optional<std::filesystem::path> find(RuntimeProgram program) const;

  private:
    std::optional<std::filesystem::path> serviceExecutable_;
    std::filesystem::path dataFolder_;
    std::vector<std::filesystem::path> naiveCandidates_;
    std::vector<std::filesystem::path> singBoxCandidates_;
};

}  // namespace korvane::runtime
