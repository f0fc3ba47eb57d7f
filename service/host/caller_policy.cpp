#include "service/host/caller_policy.h"

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/final_path.h"
#include "platform/registry.h"
#include "service/caller/caller_lookup.h"

namespace korvane::service {
namespace {

namespace fs = std::filesystem;

// Empty when it cannot be taken.
std::wstring nativeFormOf(const fs::path& path) {
    const auto native = platform::nativeFinalPathOf(path);
    return native ? native->native() : std::wstring();
}

// The native forms of the folders holding the programs that the layout finds.
class ProgramFolders {
  public:
    explicit ProgramFolders(const runtime::RuntimeLayout& layout) : layout_(layout) {}

    // Nothing while a found program's folder has no native form.
    std::optional<std::vector<std::wstring>> current() {
        std::vector<std::wstring> folders;
        for (Program& program : programs_) {
            auto found = layout_.find(program.which);
            if (found != program.found) {
                program.folder = found ? nativeFormOf(found->parent_path()) : std::wstring();
                program.found = std::move(found);
            }
            if (program.found && program.folder.empty()) {
                return std::nullopt;
            }
            if (program.found) {
                folders.push_back(program.folder);
            }
        }
        return folders;
    }

  private:
    struct Program {
        runtime::RuntimeProgram which;
        std::optional<fs::path> found;
        std::wstring folder;
    };

    const runtime::RuntimeLayout& layout_;
    std::array<Program, 2> programs_{{{runtime::RuntimeProgram::Naive, std::nullopt, {}},
                                      {runtime::RuntimeProgram::SingBox, std::nullopt, {}}}};
};

Caller callerOf(const CallerDecision& decision, bool anyoneMayDrive) {
    Caller caller;
    caller.mayDrive = anyoneMayDrive || decision.verdict == CallerVerdict::Trusted;
    if (!decision.owner) {
        caller.description = "unknown";
        return caller;
    }
    caller.owner = decision.owner->pid;
    caller.description = "pid " + std::to_string(decision.owner->pid);
    if (decision.owner->image) {
        caller.description += ", image " + narrow(*decision.owner->image);
    }
    return caller;
}

}  // namespace

bool anyLocalClientAllowed() {
    return platform::readRegistryDword(HKEY_LOCAL_MACHINE, kServiceParametersKey,
                                       kAllowAnyLocalClientValue) == 1u;
}

CallerCheck serviceCallerCheck(const runtime::RuntimeLayout& layout) {
    const auto service = processNativeImagePath(::GetCurrentProcessId());
    return
        [anyone = anyLocalClientAllowed(), root = nativeFormOf(layout.dataFolder().parent_path()),
         service = service.value_or(std::wstring()),
         programs = std::make_shared<ProgramFolders>(layout)](SOCKET connection) {
            TrustedPlaces places{root, {}, service};
            if (auto folders = programs->current(); folders && !service.empty()) {
                places.programFolders = std::move(*folders);
            } else {
                places.installRoot.clear();  // nothing is trusted
            }
            return callerOf(checkCaller(connection, places), anyone);
        };
}

}  // namespace korvane::service
