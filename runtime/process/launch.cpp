#include "runtime/process/launch.h"

#include "common/log/service_log.h"
#include "platform/os_error.h"
#include "platform/output_pipe.h"
#include "platform/process_launcher.h"
#include "platform/wide.h"
#include "platform/write_all.h"
#include "runtime/process/file_io.h"
#include "runtime/process/log_tail.h"
#include "runtime/process/previous_log.h"

namespace korvane::runtime {

namespace fs = std::filesystem;
using platform::lastOsErrorText;
using platform::UniqueFile;

namespace {

// The job that holds every child. It is never closed while the service runs;
// when the service process ends, however it ends, the system closes it and so
// ends the children, which would otherwise keep port 1080 bound.
Result<HANDLE> childrenJob() {
    static const Result<HANDLE> job = []() -> Result<HANDLE> {
        platform::UniqueJob created(::CreateJobObjectW(nullptr, nullptr));
        if (!created) {
            return fail(lastOsErrorText());
        }
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!::SetInformationJobObject(created.get(), JobObjectExtendedLimitInformation, &limits,
                                       sizeof limits)) {
            return fail(lastOsErrorText());
        }
        return created.release();  // lives as long as the process
    }();
    return job;
}

}  // namespace

fs::path workingDirectoryFor(const fs::path& program) {
    if (program.has_parent_path()) {
        return program.parent_path();
    }
    std::error_code error;
    fs::path current = fs::current_path(error);
    return error ? fs::path(".") : current;
}

Result<ChildProcess> launchWithLog(const RuntimeLayout& layout, std::string_view logName,
                                   const LaunchCommand& command) {
    const fs::path logPath = layout.logFile(logName);
    if (logPath.has_parent_path()) {
        if (auto created = createFolders(logPath.parent_path()); !created) {
            return fail(created.error());
        }
    }
    keepPreviousLog(logPath);
    UniqueFile log(::CreateFileW(logPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) {
        return fail(lastOsErrorText());
    }
    const std::string banner = "--- starting " + std::string(logName) + " ---\n";
    KORVANE_TRY(platform::writeAll(log.get(), banner));
    const UniqueFile input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!input) {
        return fail(lastOsErrorText());
    }
    KORVANE_TRY_ASSIGN(platform::OutputPipe output, platform::createOutputPipe());
    auto job = childrenJob();
    if (!job) {
        return fail(job.error());
    }
    KORVANE_TRY_ASSIGN(platform::UniqueProcessInformation started,
                       platform::launchProcess({.program = command.program,
                                                .arguments = command.arguments,
                                                .input = input.get(),
                                                .output = output.writeEnd.get(),
                                                .error = output.writeEnd.get(),
                                                .workingDirectory = command.workingDirectory,
                                                .creationFlags = CREATE_NO_WINDOW,
                                                .job = *job}));
    // N.B. The service lets go of the write end at once: the pipe's end then
    // comes when the child, and whatever it started, have closed theirs.
    output.writeEnd.reset();
    auto copier = OutputCopier::start(std::move(log), banner.size(), std::string(logName),
                                      std::move(output.readEnd), started.process.get());
    if (!copier) {
        ::TerminateProcess(started.process.get(), 1);
        return fail(copier.error());
    }
    log::info("Launched " + platform::narrow(command.program.native()) + ": pid " +
              std::to_string(started.id));
    return ChildProcess{std::move(started.process), std::move(started.thread), started.id,
                        std::move(*copier)};
}

std::string readLogTail(const RuntimeLayout& layout, std::string_view logName) {
    const auto tail = readFileTail(layout.logFile(logName), kLogTailBytes);
    return tail ? formatLogTail(wholeLines(tail->content, tail->cut)) : std::string();
}

}  // namespace korvane::runtime
