#include "runtime/supervisor/tests/runtime_tree.h"

#include <tlhelp32.h>
#include <winsock2.h>

#include "platform/winsock.h"
#include "runtime/process/runtime_paths.h"
#include "runtime/supervisor/supervisor.h"
#include "tests/support/build_paths.h"
#include "tests/support/processes.h"

namespace korvane::test {
namespace {

std::filesystem::path imagePath(DWORD id) {
    platform::UniqueProcess process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) {
        return {};
    }
    wchar_t buffer[MAX_PATH * 4];
    DWORD size = static_cast<DWORD>(std::size(buffer));
    if (!::QueryFullProcessImageNameW(process.get(), 0, buffer, &size)) {
        return {};
    }
    return std::filesystem::path(std::wstring(buffer, size));
}

}  // namespace

RuntimeTree::RuntimeTree() : serviceFolder_(temp_.folder("svc")) {
    for (const char* name : {"naive", "sing-box"}) {
        const auto target = program(name);
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(standIn(name), target);
    }
    runtime::overrideServiceExecutablePathForTesting(serviceFolder_ / "korvane_service.exe");

    (void)platform::ensureWinsock();
    server_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = platform::loopbackAddress(0);
    int length = sizeof address;
    ::bind(server_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::listen(server_.get(), SOMAXCONN);
    ::getsockname(server_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    serverPort_ = ::ntohs(address.sin_port);
}

RuntimeTree::~RuntimeTree() {
    (void)runtime::handleStop();
    runtime::overrideServiceExecutablePathForTesting(std::nullopt);
}

std::filesystem::path RuntimeTree::program(const char* name) const {
    return serviceFolder_ / "runtime" / name / (std::string(name) + ".exe");
}

std::vector<DWORD> RuntimeTree::running(const char* name) const {
    std::vector<DWORD> ids;
    platform::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    const auto expected = std::filesystem::weakly_canonical(program(name));
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        const auto image = imagePath(entry.th32ProcessID);
        std::error_code error;
        if (!image.empty() && std::filesystem::equivalent(image, expected, error) &&
            processAlive(entry.th32ProcessID)) {
            ids.push_back(entry.th32ProcessID);
        }
    }
    return ids;
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
