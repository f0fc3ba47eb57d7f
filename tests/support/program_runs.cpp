#include "tests/support/program_runs.h"

#include <gtest/gtest.h>

#include "platform/os_error.h"
#include "platform/process_launcher.h"
#include "tests/support/file_content.h"
#include "tests/support/processes.h"

namespace korvane::test {
namespace {

platform::UniqueFile openFile(const std::filesystem::path& file, DWORD access, DWORD disposition) {
    return platform::UniqueFile(::CreateFileW(file.c_str(), access,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

platform::UniqueProcess launch(const std::filesystem::path& program,
                               const std::vector<std::wstring>& arguments, HANDLE output,
                               HANDLE error) {
    const platform::UniqueFile input = openFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    Result<platform::UniqueProcessInformation> started =
        platform::launchProcess({.program = program,
                                 .arguments = arguments,
                                 .input = input.get(),
                                 .output = output,
                                 .error = error});
    if (!started) {
        return {};
    }
    return std::move(started->process);
}

}  // namespace

ProgramOutcome runProgram(const std::filesystem::path& program,
                          const std::vector<std::wstring>& arguments,
                          const std::filesystem::path& scratch, std::chrono::milliseconds limit) {
    const std::filesystem::path outputFile = scratch / L"stdout.txt";
    const std::filesystem::path errorFile = scratch / L"stderr.txt";
    ProgramOutcome outcome;
    {
        const platform::UniqueFile output = openFile(outputFile, GENERIC_WRITE, CREATE_ALWAYS);
        const platform::UniqueFile error = openFile(errorFile, GENERIC_WRITE, CREATE_ALWAYS);
        const platform::UniqueProcess process =
            launch(program, arguments, output.get(), error.get());
        if (!process) {
            outcome.exitCode = static_cast<DWORD>(-1);
            outcome.standardError = "could not start the program";
            return outcome;
        }
        if (!waitForExit(process.get(), limit)) {
            outcome.timedOut = true;
            ::TerminateProcess(process.get(), 99);
            ::WaitForSingleObject(process.get(), 10000);
        }
        ::GetExitCodeProcess(process.get(), &outcome.exitCode);
    }
    outcome.standardOutput = readFile(outputFile).value_or("");
    outcome.standardError = readFile(errorFile).value_or("");
    return outcome;
}

platform::UniqueProcess startProgram(const std::filesystem::path& program,
                                     const std::vector<std::wstring>& arguments,
                                     const std::filesystem::path& errorFile) {
    const platform::UniqueFile error = openFile(errorFile, GENERIC_WRITE, CREATE_ALWAYS);
    const platform::UniqueFile output = openFile(L"NUL", GENERIC_WRITE, OPEN_EXISTING);
    return launch(program, arguments, output.get(), error.get());
}

namespace {

std::string readToEnd(HANDLE pipe) {
    std::string content;
    char buffer[4096];
    DWORD received = 0;
    while (::ReadFile(pipe, buffer, sizeof(buffer), &received, nullptr) && received > 0) {
        content.append(buffer, received);
    }
    return content;
}

}  // namespace

Child startChild(const std::filesystem::path& program, const std::vector<std::wstring>& arguments) {
    Child child;
    platform::UniqueFile outputWriteEnd;
    platform::UniqueFile errorWriteEnd;
    // N.B. The outputs are small: reading the pipes one after the other once
    // the child has ended cannot block it.
    if (!::CreatePipe(child.output.put(), outputWriteEnd.put(), nullptr, 0) ||
        !::CreatePipe(child.errorOutput.put(), errorWriteEnd.put(), nullptr, 0)) {
        ADD_FAILURE() << "pipe: " << platform::lastOsErrorText();
        return child;
    }
    Result<platform::UniqueProcessInformation> started =
        platform::launchProcess({.program = program,
                                 .arguments = arguments,
                                 .output = outputWriteEnd.get(),
                                 .error = errorWriteEnd.get(),
                                 .workingDirectory = program.parent_path(),
                                 .creationFlags = CREATE_NO_WINDOW});
    if (!started) {
        ADD_FAILURE() << "cannot start " << program << ": " << started.error();
        return child;
    }
    child.process = std::move(started->process);
    child.pid = started->id;
    return child;
}

bool isRunning(const Child& child) {
    return ::WaitForSingleObject(child.process.get(), 0) == WAIT_TIMEOUT;
}

Finished finishChild(Child& child, std::chrono::milliseconds limit) {
    Finished finished;
    if (!waitForExit(child.process.get(), limit)) {
        ADD_FAILURE() << "the child still runs after " << limit.count() << " ms";
        ::TerminateProcess(child.process.get(), 99);
        ::WaitForSingleObject(child.process.get(), INFINITE);
    }
    ::GetExitCodeProcess(child.process.get(), &finished.exitCode);
    finished.output = readToEnd(child.output.get());
    finished.errorOutput = readToEnd(child.errorOutput.get());
    return finished;
}

}  // namespace korvane::test
