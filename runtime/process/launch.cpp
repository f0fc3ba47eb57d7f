#include "runtime/process/launch.h"

#include <memory>

#include "common/command_line.h"
#include "common/log/service_log.h"
#include "platform/os_error.h"
#include "platform/wide.h"
#include "runtime/process/file_io.h"
#include "runtime/process/log_tail.h"
#include "runtime/process/previous_log.h"
#include "runtime/process/runtime_paths.h"

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

SECURITY_ATTRIBUTES inheritable() {
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.bInheritHandle = TRUE;
    return attributes;
}

struct AttributeListDeleter {
    void operator()(LPPROC_THREAD_ATTRIBUTE_LIST list) const {
        ::DeleteProcThreadAttributeList(list);
        delete[] reinterpret_cast<char*>(list);
    }
};
using AttributeList = std::unique_ptr<_PROC_THREAD_ATTRIBUTE_LIST, AttributeListDeleter>;

// Limits what the child inherits to `handles`, so that a child started at the
// same time by another thread does not receive this child's log handles.
Result<AttributeList> inheritOnly(HANDLE* handles, std::size_t count) {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    auto* storage = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(new char[size]);
    if (!::InitializeProcThreadAttributeList(storage, 1, 0, &size)) {
        const std::string error = lastOsErrorText();
        delete[] reinterpret_cast<char*>(storage);
        return fail(error);
    }
    AttributeList list(storage);
    if (!::UpdateProcThreadAttribute(list.get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                     count * sizeof(HANDLE), nullptr, nullptr)) {
        return fail(lastOsErrorText());
    }
    return list;
}

bool holdsNul(std::wstring_view text) {
    return text.find(L'\0') != std::wstring_view::npos;
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

Result<ChildProcess> launchWithLog(std::string_view logName, const LaunchCommand& command) {
    // CreateProcessW reads text up to the first NUL: an argument holding one
    // would start the program with a different command line.
    bool anyNul = holdsNul(command.program.native()) || holdsNul(command.workingDirectory.native());
    for (const std::wstring& argument : command.arguments) {
        anyNul = anyNul || holdsNul(argument);
    }
    if (anyNul) {
        return fail(platform::osErrorText(ERROR_INVALID_PARAMETER));
    }

    const fs::path logPath = logFilePath(logName);
    if (logPath.has_parent_path()) {
        if (auto created = createFolders(logPath.parent_path()); !created) {
            return fail(created.error());
        }
    }

    keepPreviousLog(logPath);
    SECURITY_ATTRIBUTES attributes = inheritable();
    UniqueFile log(::CreateFileW(logPath.c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 &attributes, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) {
        return fail(lastOsErrorText());
    }
    const std::string banner = "--- starting " + std::string(logName) + " ---\n";
    DWORD written = 0;
    if (!::WriteFile(log.get(), banner.data(), static_cast<DWORD>(banner.size()), &written,
                     nullptr)) {
        return fail(lastOsErrorText());
    }
    UniqueFile output;
    if (!::DuplicateHandle(::GetCurrentProcess(), log.get(), ::GetCurrentProcess(), output.put(), 0,
                           TRUE, DUPLICATE_SAME_ACCESS)) {
        return fail(lastOsErrorText());
    }
    UniqueFile input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &attributes, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!input) {
        return fail(lastOsErrorText());
    }

    HANDLE inherited[] = {input.get(), output.get(), log.get()};
    auto attributeList = inheritOnly(inherited, std::size(inherited));
    if (!attributeList) {
        return fail(attributeList.error());
    }
    auto job = childrenJob();
    if (!job) {
        return fail(job.error());
    }

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input.get();
    startup.StartupInfo.hStdOutput = output.get();
    startup.StartupInfo.hStdError = log.get();
    startup.lpAttributeList = attributeList->get();

    std::wstring commandLine = buildCommandLine(command.program.native(), command.arguments);
    const wchar_t* directory =
        command.workingDirectory.empty() ? nullptr : command.workingDirectory.c_str();
    // Suspended until it is in the job, so it cannot start a process of its
    // own outside the job first.
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(command.program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT,
                          nullptr, directory, &startup.StartupInfo, &info)) {
        return fail(lastOsErrorText());
    }
    ChildProcess child{platform::UniqueProcess(info.hProcess), platform::UniqueThread(info.hThread),
                       info.dwProcessId};
    if (!::AssignProcessToJobObject(*job, child.process.get()) ||
        ::ResumeThread(child.thread.get()) == static_cast<DWORD>(-1)) {
        const std::string error = lastOsErrorText();
        ::TerminateProcess(child.process.get(), 1);
        return fail(error);
    }
    log::info("Launched " + platform::narrow(command.program.native()) + ": pid " +
              std::to_string(child.id));
    return child;
}

std::string readLogTail(std::string_view logName) {
    const auto content = readWholeFile(logFilePath(logName));
    return content ? formatLogTail(*content) : std::string();
}

}  // namespace korvane::runtime
