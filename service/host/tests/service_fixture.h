#pragma once
// The service staged for the Wine tests: the built executable in a folder
// whose name has a space (so that the registered command line needs quotes),
// a differently named copy that does the installing, and the runtime's
// programs as stand-ins. Every test leaves the machine without the service.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "service/host/tests/host_test_support.h"
#include "tests/support/build_paths.h"
#include "tests/support/program_runs.h"
#include "tests/support/temp_tree.h"

#include "platform/wide.h"
#include "service/host/caller_policy.h"

namespace korvane::service::testing {

class ServiceHostTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        stage_.emplace(L"korvane host test ");
        const std::filesystem::path built = test::hostPath(KORVANE_SERVICE_EXE);
        std::filesystem::copy_file(built, service(),
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(built, installer(),
                                   std::filesystem::copy_options::overwrite_existing);
        // The runtime finds its programs in the runtime folder beside the
        // service; the stand-ins take their default behaviour there, since the
        // service does not inherit this process's environment.
        for (const char* name : {"naive", "sing-box"}) {
            const std::filesystem::path program = test::standIn(name);
            const std::filesystem::path folder = stage_->path(L"runtime") / program.stem();
            std::filesystem::create_directories(folder);
            std::filesystem::copy_file(program, folder / program.filename(),
                                       std::filesystem::copy_options::overwrite_existing);
        }
        removeServiceIfPresent();
    }

    static void TearDownTestSuite() {
        removeServiceIfPresent();
        stage_.reset();
    }

    // Every test leaves the machine without the service, whatever failed.
    void TearDown() override {
        removeServiceIfPresent();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServiceParametersKey);
    }

    // The folder of the staged programs, which also takes the standard
    // streams of the programs that the tests run.
    static const std::filesystem::path& stage() { return stage_->root(); }
    static std::filesystem::path service() { return stage_->path(L"korvane_service.exe"); }
    static std::filesystem::path installer() { return stage_->path(L"korvane setup copy.exe"); }

    static test::ProgramOutcome runService(
        const std::vector<std::wstring>& arguments,
        std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        return test::runProgram(service(), arguments, stage(), limit);
    }

    // The service refuses callers that run from outside its folder, as this
    // test does (Wine names the owners of loopback connections), unless the
    // administrators' switch is set before it starts.
    static void installAndWaitUntilServing(bool allowAnyLocalClient = true) {
        if (allowAnyLocalClient) {
            const DWORD one = 1;
            ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kServiceParametersKey,
                                        kAllowAnyLocalClientValue, REG_DWORD, &one, sizeof one),
                      ERROR_SUCCESS);
        }
        const test::ProgramOutcome install = test::runProgram(installer(), {L"install"}, stage());
        ASSERT_EQ(install.exitCode, 0u) << install.standardError;
        // The stage lies in this user's temp folder, which the user may
        // change: install says so and goes on.
        const std::string warning = "Warning: " + platform::narrow(stage().native()) +
                                    " is writable by ";
        EXPECT_TRUE(install.standardError.starts_with(warning)) << install.standardError;
        EXPECT_TRUE(install.standardError.ends_with(
            "; install into a folder only administrators can change, such as Program Files\n"))
            << install.standardError;
        const auto running = waitForServiceState(SERVICE_RUNNING, std::chrono::seconds(20));
        ASSERT_TRUE(running);
        ASSERT_EQ(running->dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
        ASSERT_TRUE(waitForEndpoint(std::chrono::seconds(20)))
            << "the service's endpoint never answered";
    }

    static inline std::optional<test::TempTree> stage_;
};

}  // namespace korvane::service::testing
