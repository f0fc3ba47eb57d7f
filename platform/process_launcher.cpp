#include "platform/process_launcher.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

#include "common/command_line.h"
#include "platform/os_error.h"

namespace korvane::platform {
namespace {

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

bool holdsNul(std::wstring_view text) {
    return text.find(L'\0') != std::wstring_view::npos;
}

bool anyNul(const ProcessLaunch& launch) {
    return holdsNul(launch.program.native()) || holdsNul(launch.workingDirectory.native()) ||
           std::any_of(launch.arguments.begin(), launch.arguments.end(),
                       [](const std::wstring& argument) { return holdsNul(argument); });
}

// GetStdHandle reports "none" with either value.
bool isGiven(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// An attribute list that limits what the child inherits to the handles it
// holds. The list points into its own handle array, so it is neither copied
// nor moved.
class InheritedHandleList {
  public:
    InheritedHandleList() = default;
    InheritedHandleList(const InheritedHandleList&) = delete;
    InheritedHandleList& operator=(const InheritedHandleList&) = delete;
    ~InheritedHandleList() {
        if (initialised_) {
            ::DeleteProcThreadAttributeList(get());
        }
    }

    Status assign(std::vector<HANDLE> handles) {
        handles_ = std::move(handles);
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        if (!::InitializeProcThreadAttributeList(get(), 1, 0, &size)) {
            return fail(lastOsErrorText());
        }
        initialised_ = true;
        if (!::UpdateProcThreadAttribute(get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                         handles_.data(), handles_.size() * sizeof(HANDLE), nullptr,
                                         nullptr)) {
            return fail(lastOsErrorText());
        }
        return {};
    }

    LPPROC_THREAD_ATTRIBUTE_LIST get() {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    }

  private:
    std::vector<std::byte> storage_;
    std::vector<HANDLE> handles_;
    bool initialised_ = false;
};

// Inheritable duplicates of the caller's handles, one for each distinct
// handle, closed when the launch is over.
//
// N.B. Only these duplicates are ever inheritable, and only for the moment of
// the launch; with the handle list, a program that another thread starts at
// the same moment cannot receive them either.
class InheritableCopies {
  public:
    Result<HANDLE> copyOf(HANDLE original) {
        const auto known = std::find_if(copies_.begin(), copies_.end(),
                                        [&](const auto& copy) { return copy.first == original; });
        if (known != copies_.end()) {
            return known->second.get();
        }
        const HANDLE self = ::GetCurrentProcess();
        UniqueKernelHandle copy;
        if (!::DuplicateHandle(self, original, self, copy.put(), 0, TRUE, DUPLICATE_SAME_ACCESS)) {
            return fail(lastOsErrorText());
        }
        const HANDLE inheritable = copy.get();
        copies_.emplace_back(original, std::move(copy));
        return inheritable;
    }

    std::vector<HANDLE> handles() const {
        std::vector<HANDLE> all;
        for (const auto& copy : copies_) {
            all.push_back(copy.second.get());
        }
        return all;
    }

  private:
    std::vector<std::pair<HANDLE, UniqueKernelHandle>> copies_;
};

}  // namespace

Result<UniqueProcessInformation> launchProcess(const ProcessLaunch& launch) {
    // CreateProcessW reads text up to the first NUL: such a text would start
    // another program or the program with another command line.
    if (anyNul(launch)) {
        return fail(osErrorText(ERROR_INVALID_PARAMETER));
    }

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    InheritableCopies copies;
    HANDLE* const streams[] = {&startup.StartupInfo.hStdInput, &startup.StartupInfo.hStdOutput,
                               &startup.StartupInfo.hStdError};
    const HANDLE given[] = {launch.input, launch.output, launch.error};
    for (std::size_t i = 0; i < std::size(given); ++i) {
        if (!isGiven(given[i])) {
            continue;
        }
        Result<HANDLE> copy = copies.copyOf(given[i]);
        if (!copy) {
            return fail(copy.error());
        }
        *streams[i] = *copy;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    }

    DWORD flags = launch.creationFlags;
    const std::vector<HANDLE> inherited = copies.handles();
    InheritedHandleList inheritOnly;
    if (!inherited.empty()) {
        if (Status listed = inheritOnly.assign(inherited); !listed) {
            return fail(listed.error());
        }
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = inheritOnly.get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    // Suspended until it is in the job, so that it cannot start a process of
    // its own outside the job first.
    if (launch.job != nullptr) {
        flags |= CREATE_SUSPENDED;
    }

    std::wstring commandLine = buildCommandLine(launch.program.native(), launch.arguments);
    const wchar_t* folder =
        launch.workingDirectory.empty() ? nullptr : launch.workingDirectory.c_str();
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(launch.program.c_str(), commandLine.data(), nullptr, nullptr,
                          inherited.empty() ? FALSE : TRUE, flags, nullptr, folder,
                          &startup.StartupInfo, &created)) {
        return fail(lastOsErrorText());
    }
    UniqueProcessInformation started{UniqueProcess(created.hProcess), UniqueThread(created.hThread),
                                     created.dwProcessId};
    if (launch.job != nullptr && (!::AssignProcessToJobObject(launch.job, started.process.get()) ||
                                  ::ResumeThread(started.thread.get()) == static_cast<DWORD>(-1))) {
        const std::string error = lastOsErrorText();
        ::TerminateProcess(started.process.get(), 1);
        return fail(error);
    }
    return started;
}

}  // namespace korvane::platform
