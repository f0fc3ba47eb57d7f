#include "runtime/process/runtime_layout.h"

#include <string>
#include <utility>

#include "platform/module_path.h"
#include "platform/wide.h"
#include "runtime/process/runtime_paths.h"

namespace korvane::runtime {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> candidatesOf(const std::optional<fs::path>& executable,
                                   const wchar_t* relativePath) {
    return executable ? runtimeExecutableCandidates(*executable, relativePath)
                      : std::vector<fs::path>{};
}

}  // namespace

RuntimeLayout::RuntimeLayout(std::optional<fs::path> serviceExecutable)
    : serviceExecutable_(std::move(serviceExecutable)),
      dataFolder_(dataDirectoryFrom(serviceExecutable_)),
      naiveCandidates_(candidatesOf(serviceExecutable_, kNaiveRelativePath)),
      singBoxCandidates_(candidatesOf(serviceExecutable_, kSingBoxRelativePath)) {}

RuntimeLayout RuntimeLayout::ofRunningExecutable() {
    auto executable = platform::currentExecutablePath();
    return RuntimeLayout(executable ? std::optional<fs::path>(std::move(*executable))
                                    : std::nullopt);
}

fs::path RuntimeLayout::logFile(std::string_view logName) const {
    return dataFolder_ / "logs" / platform::widen(std::string(logName) + ".log");
}

fs::path RuntimeLayout::naiveConfigFile() const {
    return dataFolder_ / L"naive" / L"config.json";
}

fs::path RuntimeLayout::singBoxConfigFile() const {
    return dataFolder_ / L"sing-box" / L"tun.json";
}

std::optional<fs::path> RuntimeLayout::find(RuntimeProgram program) const {
    return firstPresent(program == RuntimeProgram::Naive ? naiveCandidates_ : singBoxCandidates_);
}

}  // namespace korvane::runtime
