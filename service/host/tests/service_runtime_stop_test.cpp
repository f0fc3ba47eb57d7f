// Stopping the service ends the runtime's programs, also when the stop comes
// while a start request is being served.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "platform/wide.h"
#include "service/host/service_names.h"
#include "service/host/tests/host_test_support.h"
#include "service/host/tests/service_fixture.h"
#include "tests/support/child_record.h"
#include "tests/support/loopback.h"
#include "tests/support/processes.h"
#include "tests/support/program_runs.h"

namespace korvane::service::testing {
namespace {

using namespace std::chrono_literals;
using test::ChildRecord;
using test::freeLoopbackPort;
using test::occupyLoopbackPort;
using test::ProgramOutcome;
using test::runProgram;
using test::systemTool;

// A start request for full routing through a server that accepts TCP
// connections on `port`.
std::string startRequest(unsigned port) {
    const std::string body =
        R"({"settings":{"mode":"full","language":"en","launchOnStartup":false,)"
        R"("connectOnStartup":false,"notifications":false,"autoUpdate":false,"apps":[],)"
        R"("sites":[]},"server":{"host":"127.0.0.1","port":)" +
        std::to_string(port) +
        R"(,"protocol":"naiveproxy","username":"user","password":"secret"}})";
    return "POST /start HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The runtime ends naive.exe with exit code 1 and interrupts sing-box.exe,
// whose stand-in then exits with 130; one that were only swept away with the
// service process's job would show another code.
void expectAllEndedByTheRuntime(const ChildRecord& children) {
    for (const auto& [image, code] : children.exitCodes(10s)) {
        EXPECT_EQ(code, image.ends_with(L"sing-box.exe") ? 130u : 1u) << platform::narrow(image);
    }
}

TEST_F(ServiceHostTest, ScStop_EndsTheRuntimesChildren) {
    const std::uint16_t serverPort = freeLoopbackPort();
    const platform::UniqueSocket server = occupyLoopbackPort(serverPort);
    ASSERT_TRUE(server);
    installAndWaitUntilServing();
    ChildRecord children(queryService()->dwProcessId);

    const auto started = askEndpoint(startRequest(serverPort));
    ASSERT_TRUE(started);
    ASSERT_TRUE(started->starts_with("HTTP/1.1 200 OK\r\n")) << *started;
    children.sample();
    EXPECT_TRUE(children.hasSeen(L"naive.exe"));
    EXPECT_TRUE(children.hasSeen(L"sing-box.exe"));

    ASSERT_EQ(runProgram(systemTool(L"sc.exe"), {L"stop", kServiceName}, stage()).exitCode, 0u);
    const auto stopped = waitForServiceState(SERVICE_STOPPED, 15s);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(stopped->dwWin32ExitCode, 0u);
    expectAllEndedByTheRuntime(children);
}

TEST_F(ServiceHostTest, ScStop_WhileAStartIsServed_AnswersTheStartAndLeavesNoChildren) {
    const std::uint16_t serverPort = freeLoopbackPort();
    const platform::UniqueSocket server = occupyLoopbackPort(serverPort);
    ASSERT_TRUE(server);
    installAndWaitUntilServing();
    ChildRecord children(queryService()->dwProcessId);

    std::optional<std::string> startAnswer;
    std::atomic<bool> answered = false;
    std::thread client([&] {
        startAnswer = askEndpoint(startRequest(serverPort));
        answered = true;
    });
    // Stop as soon as the start has launched its first program.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (children.seen() == 0 && !answered && std::chrono::steady_clock::now() < deadline) {
        children.sample();
        std::this_thread::sleep_for(20ms);
    }
    const bool stoppedDuringStart = !answered;
    const ProgramOutcome stop = runProgram(systemTool(L"sc.exe"), {L"stop", kServiceName}, stage());
    while (!answered) {
        children.sample();
        std::this_thread::sleep_for(20ms);
    }
    client.join();

    EXPECT_TRUE(stoppedDuringStart);
    EXPECT_NE(children.seen(), 0u) << "the start never launched a program";
    EXPECT_EQ(stop.exitCode, 0u) << stop.standardOutput;
    ASSERT_TRUE(startAnswer) << "the start request was not answered";
    EXPECT_TRUE(isEndpointAnswer(*startAnswer)) << *startAnswer;
    const auto stopped = waitForServiceState(SERVICE_STOPPED, 15s);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(stopped->dwWin32ExitCode, 0u);
    // What the start brought up after the control handler's stop is ended
    // once the endpoint has returned.
    children.sample();
    expectAllEndedByTheRuntime(children);
}

}  // namespace
}  // namespace korvane::service::testing
