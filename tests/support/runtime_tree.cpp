#include "tests/support/runtime_tree.h"

#include "runtime/supervisor/supervisor.h"
#include "tests/support/build_paths.h"
#include "tests/support/processes.h"

namespace korvane::test {

RuntimeTree::RuntimeTree()
    : serviceFolder_(temp_.folder("svc")), layout_(serviceFolder_ / "korvane_service.exe") {
    for (const char* name : {"naive", "sing-box"}) {
        const auto target = program(name);
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(standIn(name), target);
    }
}

RuntimeTree::~RuntimeTree() {
    (void)runtime::handleStop();
}

std::filesystem::path RuntimeTree::program(const char* name) const {
    return serviceFolder_ / "runtime" / name / (std::string(name) + ".exe");
}

std::vector<DWORD> RuntimeTree::running(const char* name) const {
    return processesRunning(program(name));
}

std::string splitSettingsJson() {
    return R"({"apps":[],"autoUpdate":true,"connectOnStartup":false,"language":"en",)"
           R"("launchOnStartup":false,"mode":"split","notifications":true,"sites":[]})";
}

std::string serverJson(std::uint16_t port, const std::string& protocol) {
    return R"({"host":"127.0.0.1","password":"p","port":)" + std::to_string(port) +
           R"(,"protocol":")" + protocol + R"(","username":"u"})";
}

}  // namespace korvane::test
