// What korvane_service.exe leaves for troubleshooting, under Wine's Service
// Control Manager: the service log of a real service run, the status and
// diagnostics commands, the event source registration, and an uninstall that
// waits for the stop.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "common/version.h"
#include "platform/handles.h"
#include "platform/wide.h"
#include "service/host/event_source.h"
#include "service/host/service_installer.h"
#include "service/host/service_names.h"
#include "service/host/tests/host_test_support.h"
#include "service/host/tests/service_fixture.h"
#include "tests/support/file_content.h"
#include "tests/support/loopback.h"
#include "tests/support/service_log_lines.h"

namespace korvane::service::testing {
namespace {

using namespace std::chrono_literals;
using test::ProgramOutcome;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

struct EventSourceValues {
    std::wstring messageFile;
    DWORD messageFileType = 0;
    DWORD typesSupported = 0;
};

// The values of the source's key, or nothing when the key is missing.
std::optional<EventSourceValues> readEventSource() {
    platform::UniqueRegistryKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    EventSourceValues values;
    wchar_t file[1024] = {};
    DWORD size = sizeof file;
    ::RegQueryValueExW(key.get(), L"EventMessageFile", nullptr, &values.messageFileType,
                       reinterpret_cast<BYTE*>(file), &size);
    values.messageFile = file;
    size = sizeof values.typesSupported;
    ::RegQueryValueExW(key.get(), L"TypesSupported", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&values.typesSupported), &size);
    return values;
}

class ServiceDiagnosticsTest : public ServiceHostTest {
  protected:
    static std::filesystem::path logs() { return stage() / L"data" / L"logs"; }
};

TEST_F(ServiceDiagnosticsTest, Status_WithoutTheServiceSaysSoAndExitsOne) {
    const ProgramOutcome status = runService({L"status"}, 30s);
    EXPECT_EQ(status.exitCode, 1u) << status.standardOutput;
    EXPECT_EQ(status.standardError, "");
    const std::vector<std::string> lines = linesOf(status.standardOutput);
    ASSERT_GE(lines.size(), 5u) << status.standardOutput;
    EXPECT_EQ(lines[0], "Version: " + std::string(versionText()));
    EXPECT_EQ(lines[1], "Service: not installed");
    EXPECT_TRUE(lines[2].starts_with("Endpoint: 127.0.0.1:49190 did not answer (")) << lines[2];
    EXPECT_EQ(lines[3], "Data folder: " + platform::narrow((stage() / L"data").native()));
    EXPECT_FALSE(waitForEndpoint(0ms)) << "status must not start the endpoint";
}

TEST_F(ServiceDiagnosticsTest, Status_OfTheRunningServiceShowsItsStateHealthLogsAndLastLines) {
    installAndWaitUntilServing();
    const DWORD processId = queryService()->dwProcessId;

    const ProgramOutcome status = runService({L"status"}, 30s);
    EXPECT_EQ(status.exitCode, 0u) << status.standardOutput;
    const std::vector<std::string> lines = linesOf(status.standardOutput);
    ASSERT_GE(lines.size(), 6u) << status.standardOutput;
    EXPECT_EQ(lines[0], "Version: " + std::string(versionText()));
    EXPECT_EQ(lines[1],
              "Service: running, pid " + std::to_string(processId) + ", start type automatic");
    EXPECT_EQ(
        lines[2],
        "Endpoint: 127.0.0.1:49190 answered: "
        R"({"healthy":false,"naiveRunning":false,"singBoxRunning":false,"socksReady":false})");
    EXPECT_EQ(lines[3], "Data folder: " + platform::narrow((stage() / L"data").native()));
    const std::regex logLine(
        R"(Log: service\.log, [1-9]\d* bytes, last written \d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)");
    const auto tailHeading = std::find(lines.begin(), lines.end(), "Last lines of service.log:");
    ASSERT_NE(tailHeading, lines.end()) << status.standardOutput;
    EXPECT_TRUE(std::any_of(lines.begin() + 4, tailHeading, [&](const std::string& line) {
        return std::regex_match(line, logLine);
    })) << status.standardOutput;
    const std::vector<std::string> tail(tailHeading + 1, lines.end());
    EXPECT_GE(tail.size(), 2u);
    EXPECT_LE(tail.size(), 10u);
    EXPECT_TRUE(tail.back().ends_with(" info Endpoint listening on 127.0.0.1:49190"))
        << status.standardOutput;
    const std::string started = " info Service process started: pid " + std::to_string(processId) +
                                ", version " + std::string(versionText()) +
                                ", mode service, data folder " +
                                platform::narrow((stage() / L"data").native());
    EXPECT_TRUE(tail[tail.size() - 2].ends_with(started)) << status.standardOutput;
}

std::string startRequest(const std::string& host, std::uint16_t port,
                         const std::string& passwordJson) {
    const std::string body =
        R"({"settings":{"mode":"full","language":"en","launchOnStartup":false,)"
        R"("connectOnStartup":false,"notifications":false,"autoUpdate":false,"apps":[],)"
        R"("sites":[]},"server":{"host":")" +
        host + R"(","port":)" + std::to_string(port) +
        R"(,"protocol":"naiveproxy","username":"john","password":)" + passwordJson + "}}";
    return "POST /start HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST_F(ServiceDiagnosticsTest, Diagnostics_WritesEverySectionWithoutSecretsWithinTheBound) {
    const std::uint16_t serverPort = test::freeLoopbackPort();
    const platform::UniqueSocket server = test::occupyLoopbackPort(serverPort);
    ASSERT_TRUE(server);
    installAndWaitUntilServing();
    const std::string password = "pw-diagnostics-" + std::to_string(::GetTickCount64());
    const auto started = askEndpoint(startRequest("127.0.0.1", serverPort, '"' + password + '"'));
    ASSERT_TRUE(started && started->starts_with("HTTP/1.1 200 OK")) << started.value_or("");
    const std::uint16_t closedPort = test::freeLoopbackPort();
    ASSERT_TRUE(askEndpoint(startRequest("john:" + password + "@127.0.0.1", closedPort, "\"x\"")));
    ASSERT_TRUE(askEndpoint(startRequest("127.0.0.1", serverPort, "7770777")));
    // Requests run one at a time in order: once the stop is answered, no start
    // renames a log any more.
    const auto stopped = askEndpoint("POST /stop HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(stopped && isEndpointAnswer(*stopped)) << stopped.value_or("");
    // A program log far over the bound, written straight into the data folder.
    const std::string lastLine = "the last line of the big log";
    {
        std::ofstream big(logs() / L"sing-box.previous.log", std::ios::binary);
        const std::string line(63, 'x');
        for (int i = 0; i < (40 << 20) / 64; ++i) {
            big << line << '\n';
        }
        big << lastLine << '\n';
    }

    const std::filesystem::path folder = stage() / L"report folder";
    std::filesystem::create_directories(folder);
    const ProgramOutcome written = runService({L"diagnostics", folder.native()}, 60s);
    EXPECT_EQ(written.exitCode, 0u) << written.standardError;
    const std::vector<std::string> printed = linesOf(written.standardOutput);
    ASSERT_EQ(printed.size(), 1u) << written.standardOutput;
    const std::filesystem::path report = platform::widen(printed[0]);
    EXPECT_EQ(report.parent_path(), folder);
    EXPECT_TRUE(std::regex_match(report.filename().string(),
                                 std::regex(R"(korvane-diagnostics-\d{8}T\d{6}Z\.txt)")))
        << printed[0];
    const auto text = test::readFile(report);
    ASSERT_TRUE(text);
    EXPECT_LT(text->size(), 32u << 20);

    std::size_t at = 0;
    for (const char* heading :
         {"== Version ==\n", "== Status ==\nVersion: ", "== Windows ==\nWindows: ",
          "== Network adapters ==\n", "== tun.json ==\n", "== config.json ==\n",
          "== Service log ==\n", "== Program logs ==\n"}) {
        at = text->find(heading, at);
        ASSERT_NE(at, std::string::npos) << "no " << heading << " in order";
    }
    EXPECT_NE(text->find("\"proxy\": \"https://***@127.0.0.1:"), std::string::npos);
    EXPECT_NE(text->find("error Start failed: Server 127.0.0.1:" + std::to_string(closedPort) +
                         " is unreachable."),
              std::string::npos);
    EXPECT_EQ(text->find(password), std::string::npos);
    EXPECT_EQ(text->find("john:"), std::string::npos);
    EXPECT_EQ(text->find("7770777"), std::string::npos);
    // The big log keeps its newest lines and says what was left out.
    const std::string big =
        "sing-box.previous.log, " + std::to_string((40 << 20) + 29) + " bytes; only the newest ";
    const std::size_t bigAt = text->find(big);
    ASSERT_NE(bigAt, std::string::npos);
    EXPECT_NE(text->find(lastLine + "\n--- ", bigAt), std::string::npos);
}

TEST_F(ServiceDiagnosticsTest, InstallRegistersTheEventSourceAndUninstallRemovesIt) {
    installAndWaitUntilServing();
    const auto source = readEventSource();
    ASSERT_TRUE(source) << "no event source after install";
    EXPECT_EQ(source->messageFile, service().native()) << "the installed name, not the installer's";
    EXPECT_EQ(source->messageFileType, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(source->typesSupported,
              static_cast<DWORD>(EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE |
                                 EVENTLOG_INFORMATION_TYPE));

    const ProgramOutcome uninstall = runService({L"uninstall"});
    EXPECT_EQ(uninstall.exitCode, 0u) << uninstall.standardError;
    EXPECT_FALSE(readEventSource()) << "the event source outlived the uninstall";
}

TEST_F(ServiceDiagnosticsTest, Uninstall_ReturnsOnlyAfterTheServiceHasStoppedAndLoggedItsStop) {
    installAndWaitUntilServing();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(askEndpoint());
    }

    const ProgramOutcome uninstall = runService({L"uninstall"});
    EXPECT_EQ(uninstall.exitCode, 0u) << uninstall.standardError;
    EXPECT_EQ(uninstall.standardOutput, "") << "a stopped service is removed at once";
    // STOPPED is reported after the endpoint has closed and the stop line is
    // written, so both hold the moment uninstall returns.
    EXPECT_FALSE(askEndpoint()) << "the endpoint still answered after uninstall";
    const std::vector<std::string> events = test::serviceLogEvents(logs());
    ASSERT_FALSE(events.empty());
    const std::regex stopLine(
        R"(info Service stopped: exit code 0, ([0-9]+) health requests served)");
    std::smatch count;
    ASSERT_TRUE(std::regex_match(events.back(), count, stopLine)) << events.back();
    EXPECT_GE(std::stoi(count[1]), 3);
    EXPECT_FALSE(queryService());
}

TEST_F(ServiceDiagnosticsTest, Uninstall_OfAServiceHeldOpenSaysItIsMarkedForDeletion) {
    installAndWaitUntilServing();
    // Like an open Services console: a handle keeps the deleted service registered.
    const platform::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const platform::UniqueServiceHandle held(
        ::OpenServiceW(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
    ASSERT_TRUE(held);

    const ProgramOutcome uninstall = runService({L"uninstall"});
    EXPECT_EQ(uninstall.exitCode, 0u) << uninstall.standardError;
    if (queryService()) {
        EXPECT_EQ(uninstall.standardOutput, std::string(kMarkedForDeletionNote) + "\n");
    } else {
        // Wine's service manager deletes at once, whoever holds a handle.
        EXPECT_EQ(uninstall.standardOutput, "");
    }
}

}  // namespace
}  // namespace korvane::service::testing
