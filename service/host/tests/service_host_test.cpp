// korvane_service.exe under Wine's Service Control Manager: install, the
// running service, stop, uninstall, and console mode. The test process stays
// alive throughout, which keeps Wine's service manager and the service up.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <sstream>
#include <thread>

#include "common/version.h"
#include "service/host/command_line_quoting.h"
#include "service/host/service_description.h"
#include "service/host/service_main.h"
#include "service/host/service_names.h"
#include "service/host/tests/host_test_support.h"
#include "service/host/tests/service_fixture.h"
#include "service/ipc/ipc_server.h"
#include "tests/support/build_paths.h"
#include "tests/support/loopback.h"
#include "tests/support/processes.h"
#include "tests/support/program_runs.h"
#include "tests/support/service_log_lines.h"

namespace korvane::service::testing {
namespace {

using namespace std::chrono_literals;
using test::occupyLoopbackPort;
using test::ProgramOutcome;
using test::runningUnderWine;
using test::runProgram;
using test::startProgram;
using test::systemTool;
using test::waitForExit;

constexpr char kWinapiError[] = "IO error in winapi call\n";

TEST_F(ServiceHostTest, Install_RegistersTheRealNameStartsTheServiceAndServesTheEndpoint) {
    installAndWaitUntilServing();

    const auto status = queryService();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(status->dwControlsAccepted, 0x5u);
    EXPECT_EQ(status->dwWin32ExitCode, 0u);
    EXPECT_EQ(status->dwServiceSpecificExitCode, 0u);
    EXPECT_EQ(status->dwCheckPoint, 0u);
    EXPECT_EQ(status->dwWaitHint, 0u);

    const auto config = queryServiceConfiguration();
    ASSERT_TRUE(config);
    EXPECT_EQ(config->binaryPath, L"\"" + service().native() + L"\" run");
    EXPECT_EQ(config->serviceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config->startType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(config->displayName, kServiceDisplayName);
    EXPECT_EQ(config->dependencies, L"");
    EXPECT_EQ(config->description, kServiceDescription);
    // Wine's service manager accepts recovery actions but keeps none.
    if (!runningUnderWine()) {
        EXPECT_EQ(config->resetPeriod, 86400u);
        ASSERT_EQ(config->failureActions.size(), 3u);
        EXPECT_EQ(config->failureActions[0].Type, SC_ACTION_RESTART);
        EXPECT_EQ(config->failureActions[0].Delay, 5000u);
        EXPECT_EQ(config->failureActions[1].Type, SC_ACTION_RESTART);
        EXPECT_EQ(config->failureActions[1].Delay, 5000u);
        EXPECT_EQ(config->failureActions[2].Type, SC_ACTION_NONE);
    }

    const auto health = askEndpoint();
    ASSERT_TRUE(health);
    EXPECT_TRUE(isEndpointAnswer(*health)) << *health;
}

TEST_F(ServiceHostTest, InstallAgain_RefreshesTheConfigurationAndLeavesTheServiceRunning) {
    installAndWaitUntilServing();
    const DWORD firstProcess = queryService()->dwProcessId;

    {  // Someone changed the registration in between.
        const platform::UniqueServiceHandle manager(
            ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        const platform::UniqueServiceHandle service(
            ::OpenServiceW(manager.get(), kServiceName, SERVICE_CHANGE_CONFIG));
        ASSERT_TRUE(service);
        ASSERT_TRUE(::ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_DEMAND_START,
                                           SERVICE_ERROR_IGNORE, L"C:\\elsewhere.exe run", nullptr,
                                           nullptr, L"Tcpip\0", nullptr, nullptr,
                                           L"Someone else's name"));
        SERVICE_DESCRIPTIONW description{const_cast<wchar_t*>(L"changed")};
        ASSERT_TRUE(
            ::ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_DESCRIPTION, &description));
    }

    const ProgramOutcome again = runProgram(installer(), {L"install"}, stage());
    EXPECT_EQ(again.exitCode, 0u) << again.standardError;
    // One warning for each object in the user-writable test folder: the
    // install root, the programs' folder, the executable, the data folder, and
    // each program and the folder that holds it.
    const std::filesystem::path runtime = stage() / L"runtime";
    std::istringstream warnings(again.standardError);
    for (const std::filesystem::path& path :
         {stage(), runtime, service(), stage() / L"data", runtime / L"naive",
          runtime / L"naive\\naive.exe", runtime / L"sing-box",
          runtime / L"sing-box\\sing-box.exe"}) {
        std::string line;
        std::getline(warnings, line);
        EXPECT_TRUE(
            line.starts_with("Warning: " + platform::narrow(path.native()) + " is writable by "))
            << again.standardError;
    }
    EXPECT_EQ(warnings.rdbuf()->in_avail(), 0) << again.standardError;

    const auto config = queryServiceConfiguration();
    ASSERT_TRUE(config);
    EXPECT_EQ(config->binaryPath, L"\"" + service().native() + L"\" run");
    EXPECT_EQ(config->startType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(config->displayName, kServiceDisplayName);
    EXPECT_EQ(config->dependencies, L"");
    EXPECT_EQ(config->description, kServiceDescription);

    const auto status = queryService();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(status->dwProcessId, firstProcess);
    EXPECT_TRUE(askEndpoint());
}

TEST_F(ServiceHostTest, ScStop_ReportsStoppedWithExitCodeZeroAndEndsTheProcess) {
    installAndWaitUntilServing();
    const DWORD processId = queryService()->dwProcessId;
    const platform::UniqueProcess process(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    ASSERT_TRUE(process);

    const ProgramOutcome stop = runProgram(systemTool(L"sc.exe"), {L"stop", kServiceName}, stage());
    EXPECT_EQ(stop.exitCode, 0u) << stop.standardOutput;

    const auto stopped = waitForServiceState(SERVICE_STOPPED, 10s);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(stopped->dwWin32ExitCode, 0u);
    EXPECT_EQ(stopped->dwServiceSpecificExitCode, 0u);
    EXPECT_TRUE(waitForExit(process.get(), 10s));
    DWORD exitCode = 99;
    ::GetExitCodeProcess(process.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(waitForEndpointGone(5s));
}

TEST_F(ServiceHostTest, Uninstall_DeletesTheServiceAndFailsWhenItIsGone) {
    installAndWaitUntilServing();
    const platform::UniqueProcess process(
        ::OpenProcess(SYNCHRONIZE, FALSE, queryService()->dwProcessId));

    const ProgramOutcome uninstall = runService({L"uninstall"});
    EXPECT_EQ(uninstall.exitCode, 0u) << uninstall.standardError;
    EXPECT_EQ(uninstall.standardError, "");
    EXPECT_FALSE(queryService());
    EXPECT_TRUE(waitForExit(process.get(), 10s));

    const ProgramOutcome again = runService({L"uninstall"});
    EXPECT_EQ(again.exitCode, 1u);
    EXPECT_EQ(again.standardError, kWinapiError);
}

TEST_F(ServiceHostTest, Uninstall_OfAStoppedServiceStillDeletesIt) {
    installAndWaitUntilServing();
    ASSERT_EQ(runProgram(systemTool(L"sc.exe"), {L"stop", kServiceName}, stage()).exitCode, 0u);
    ASSERT_TRUE(waitForServiceState(SERVICE_STOPPED, 10s));

    const ProgramOutcome uninstall = runService({L"uninstall"});
    EXPECT_EQ(uninstall.exitCode, 0u) << uninstall.standardError;
    EXPECT_FALSE(queryService());
}

// The body of an answer, after its head.
std::string bodyOf(const std::string& answer) {
    const auto end = answer.find("\r\n\r\n");
    return end == std::string::npos ? "(no answer: " + answer + ")" : answer.substr(end + 4);
}

// The body of the answer that the client stand-in at `client` was given.
std::string askAs(const std::filesystem::path& client, const wchar_t* method, const wchar_t* path) {
    const ProgramOutcome asked =
        runProgram(client, {method, path}, client.parent_path(), std::chrono::seconds(20));
    return bodyOf(asked.standardOutput);
}

TEST_F(ServiceHostTest, Run_OnlyProgramsOfTheInstallMayDriveItEveryoneGetsHealth) {
    installAndWaitUntilServing(false);
    const std::filesystem::path inside = stage() / L"client" / L"client.exe";
    const std::filesystem::path relay = stage() / L"runtime" / L"sing-box" / L"client.exe";
    const std::filesystem::path outside = test::standIn("client");
    for (const auto& copy : {inside, relay}) {
        std::filesystem::create_directories(copy.parent_path());
        std::filesystem::copy_file(outside, copy,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    constexpr char kRefused[] = "Request client not allowed";

    EXPECT_EQ(askAs(inside, L"POST", L"/stop"), "{}");
    EXPECT_NE(askAs(inside, L"POST", L"/start"), kRefused) << "served: the payload is read";
    for (const auto& client : {relay, outside}) {
        SCOPED_TRACE(client.string());
        EXPECT_EQ(askAs(client, L"POST", L"/stop"), kRefused);
        EXPECT_EQ(askAs(client, L"POST", L"/start"), kRefused);
        EXPECT_TRUE(askAs(client, L"GET", L"/health").starts_with(R"({"healthy":)"));
    }

    const std::vector<std::string> events = test::serviceLogEvents(stage() / L"data" / L"logs");
    const std::string refused =
        "warning Refused POST /stop from a caller not known to be trusted: ";
    EXPECT_TRUE(std::ranges::any_of(events, [&](const std::string& event) {
        return event.starts_with(refused + "pid ") &&
               event.ends_with("\\runtime\\sing-box\\client.exe") &&
               event.find(", image \\Device\\") != std::string::npos;
    })) << ::testing::PrintToString(events);
}

TEST_F(ServiceHostTest, Run_ClosesAnOwnersNinthConnectionAndServesAnotherProgram) {
    installAndWaitUntilServing();  // the quota holds with the switch set too
    std::vector<std::unique_ptr<test::LoopbackClient>> held;
    for (std::size_t i = 0; i <= kMaxConnectionsPerOwner; ++i) {
        held.push_back(std::make_unique<test::LoopbackClient>(kIpcPort));
        ASSERT_TRUE(held.back()->connected());
    }
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(held.back()->readAll(), "") << "closed unanswered";
    EXPECT_TRUE(askAs(test::standIn("client"), L"GET", L"/health").starts_with(R"({"healthy":)"));
    // Still within the held ones' 2 s to send: they were open all along.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1800ms);
    held[1]->send(kHealthRequest);
    EXPECT_TRUE(held[1]->readAll().starts_with("HTTP/1.1 200 OK\r\n"));
}

TEST_F(ServiceHostTest, PortTakenBeforeStart_ReportsStoppedWithAServiceSpecificFailure) {
    const platform::UniqueSocket taken = occupyLoopbackPort(kIpcPort);
    ASSERT_TRUE(taken);

    const ProgramOutcome install = runProgram(installer(), {L"install"}, stage());
    EXPECT_EQ(install.exitCode, 0u) << install.standardError;

    // RUNNING is reported at once, then STOPPED when the bind has failed.
    const auto stopped = waitForServiceState(SERVICE_STOPPED, 20s);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(stopped->dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(stopped->dwServiceSpecificExitCode, 1u);
}

TEST_F(ServiceHostTest, Description_OfAServiceThatIsNotInstalledFailsWithTheToolsExitCode) {
    const Status described = setServiceDescription();
    ASSERT_FALSE(described);
    // Windows' tool exits with 1060 here, Wine's with 1.
    const std::string prefix = "Failed to set service description: exit code: ";
    ASSERT_EQ(described.error().rfind(prefix, 0), 0u) << described.error();
    const std::string code = described.error().substr(prefix.size());
    EXPECT_FALSE(code.empty());
    EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos) << code;
    EXPECT_NE(code, "0");
}

TEST_F(ServiceHostTest, Run_OutsideTheServiceManagerFails) {
    const ProgramOutcome run = runService({L"run"}, 20s);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.standardError, kWinapiError);
}

TEST_F(ServiceHostTest, Version_PrintsNameAndVersionAndEndsWithoutServingOrInstalling) {
    // N.B. the test holds the endpoint's port, so that a run that tried to
    // serve would fail to bind and say so. A service of an earlier test may
    // still come back once through its recovery action: wait for the port.
    platform::UniqueSocket held;
    for (const auto giveUp = std::chrono::steady_clock::now() + 20s;
         !held && std::chrono::steady_clock::now() < giveUp; std::this_thread::sleep_for(200ms)) {
        removeServiceIfPresent();
        held = occupyLoopbackPort(kIpcPort);
    }
    ASSERT_TRUE(held);
    // Either spelling; extra arguments change nothing, as for the other words.
    for (const std::vector<std::wstring>& arguments :
         {std::vector<std::wstring>{L"version"},
          std::vector<std::wstring>{L"--version", L"install"}}) {
        SCOPED_TRACE(arguments.front());
        const test::ProgramOutcome run = runService(arguments, 20s);
        EXPECT_FALSE(run.timedOut) << "a version run must not serve the endpoint";
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.standardOutput, "korvane_service " + std::string(versionText()) + "\n");
        EXPECT_EQ(run.standardError, "") << "a version run must not try to serve the endpoint";
        EXPECT_FALSE(queryService()) << "a version run must not install anything";
    }
}

TEST_F(ServiceHostTest, ConsoleMode_ServesTheEndpointForNoOrAnyUnknownWord) {
    const std::vector<std::vector<std::wstring>> commandLines = {
        {}, {L"RUN"}, {L"Install"}, {L"UNINSTALL"}, {L"serve", L"install"}};
    for (const std::vector<std::wstring>& arguments : commandLines) {
        SCOPED_TRACE(arguments.empty() ? L"(none)" : arguments.front());
        const platform::UniqueProcess console =
            startProgram(service(), arguments, stage() / L"console-stderr.txt");
        ASSERT_TRUE(console);
        const auto answer = waitForEndpoint(20s);
        const bool stillRunning = !waitForExit(console.get(), 0ms);
        ::TerminateProcess(console.get(), 0);
        ASSERT_TRUE(waitForExit(console.get(), 10s));
        ASSERT_TRUE(answer);
        EXPECT_TRUE(isEndpointAnswer(*answer)) << *answer;
        EXPECT_TRUE(stillRunning);
        EXPECT_FALSE(queryService()) << "console mode must not install anything";
        ASSERT_TRUE(waitForEndpointGone(10s));
    }
}

TEST_F(ServiceHostTest, ConsoleMode_EndpointFailureIsTheOneErrorLineAndExitCodeOne) {
    const platform::UniqueSocket taken = occupyLoopbackPort(kIpcPort);
    ASSERT_TRUE(taken);

    const ProgramOutcome console = runService({}, 20s);
    EXPECT_FALSE(console.timedOut);
    EXPECT_EQ(console.exitCode, 1u);
    EXPECT_EQ(console.standardError.rfind("Failed to bind VPN service IPC: ", 0), 0u)
        << console.standardError;
    EXPECT_NE(console.standardError.find(" (os error "), std::string::npos);
    EXPECT_EQ(console.standardError.find('\n'), console.standardError.size() - 1);
}

TEST(ControlHandler, StopAndShutdownSetTheFlagEverythingElseIsNotImplemented) {
    for (const DWORD control :
         std::initializer_list<DWORD>{SERVICE_CONTROL_STOP, SERVICE_CONTROL_SHUTDOWN}) {
        StopFlag flag = std::make_shared<std::atomic<bool>>(false);
        EXPECT_EQ(controlHandler(control, 0, nullptr, &flag), static_cast<DWORD>(NO_ERROR));
        EXPECT_TRUE(flag->load()) << control;
    }
    for (const DWORD control :
         std::initializer_list<DWORD>{SERVICE_CONTROL_INTERROGATE, SERVICE_CONTROL_PAUSE,
                                      SERVICE_CONTROL_CONTINUE, SERVICE_CONTROL_PARAMCHANGE, 200}) {
        StopFlag flag = std::make_shared<std::atomic<bool>>(false);
        EXPECT_EQ(controlHandler(control, 0, nullptr, &flag),
                  static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
        EXPECT_FALSE(flag->load()) << control;
    }
}

}  // namespace
}  // namespace korvane::service::testing
