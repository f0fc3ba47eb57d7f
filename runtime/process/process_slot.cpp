#include "runtime/process/process_slot.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "common/log/service_log.h"
#include "platform/console_interrupt.h"
#include "platform/os_error.h"

namespace korvane::runtime {
namespace {

// The service log names children by pid; their launch line gives the path.
void logExit(const ChildProcess& child, std::string_view when) {
    DWORD exitCode = 0;
    const std::string code = ::GetExitCodeProcess(child.process.get(), &exitCode)
                                 ? std::to_string(exitCode)
                                 : "unknown (" + platform::lastOsErrorText() + ")";
    log::warning("Process " + std::to_string(child.id) + " had exited " + std::string(when) +
                 ": exit code " + code);
}

Status failedToEnd(const ChildProcess& child, std::string error) {
    log::error("Failed to end process " + std::to_string(child.id) + ": " + error);
    return fail(std::move(error));
}

// Sends the child a console Ctrl+C and waits up to kInterruptWait for its
// exit; false, with the reason in the service log, when it has not exited.
bool exitedAfterInterrupt(const ChildProcess& child) {
    const std::string pid = std::to_string(child.id);
    if (const Status sent = platform::sendConsoleInterrupt(child.id); !sent) {
        log::warning("Could not interrupt process " + pid + " (" + sent.error() + "); ending it");
        return false;
    }
    switch (::WaitForSingleObject(child.process.get(),
                                  static_cast<DWORD>(ProcessSlot::kInterruptWait.count()))) {
        case WAIT_OBJECT_0:
            log::info("Process " + pid + " exited after an interrupt");
            return true;
        case WAIT_TIMEOUT:
            log::warning("Process " + pid + " did not exit within " +
                         std::to_string(ProcessSlot::kInterruptWait.count() / 1000) +
                         " s of an interrupt; ending it");
            return false;
        default:
            log::warning("Could not wait for process " + pid + " after an interrupt (" +
                         platform::lastOsErrorText() + "); ending it");
            return false;
    }
}

}  // namespace

ProcessSlot::ProcessSlot(std::string lockMessage, StopMethod stopMethod,
                         std::chrono::milliseconds terminationWait)
    : stopMethod_(stopMethod),
      terminationWait_(terminationWait),
      lockMessage_(std::move(lockMessage)) {}

template <typename T, typename Action>
Result<T> ProcessSlot::locked(Action action) {
    std::unique_lock lock(mutex_, std::defer_lock);
    try {
        lock.lock();
    } catch (const std::system_error&) {
        return fail(lockMessage_);
    }
    if (broken_) {
        return fail(lockMessage_);
    }
    try {
        return action();
    } catch (...) {
        broken_ = true;
        return fail(lockMessage_);
    }
}

Status ProcessSlot::store(ChildProcess child) {
    // The child given is taken over on every path: on a broken slot it is
    // dropped here, which releases its handles and leaves the process running.
    return locked<void>([&]() -> Status {
        child_ = std::move(child);
        exitLogged_ = false;
        return {};
    });
}

Status ProcessSlot::stop() {
    return locked<void>([&]() -> Status {
        std::optional<ChildProcess> child = std::exchange(child_, std::nullopt);
        if (!child) {
            return {};
        }
        const Result<bool> exited = hasExited(*child);
        if (!exited) {
            return fail(exited.error());
        }
        if (*exited) {
            if (!exitLogged_) {
                logExit(*child, "before the stop");
            }
            return {};
        }
        if (stopMethod_ == StopMethod::InterruptFirst && exitedAfterInterrupt(*child)) {
            return {};
        }
        // Access is denied to a process that is already ending, and to a
        // handle without the right to terminate: the bounded wait tells them
        // apart.
        if (!::TerminateProcess(child->process.get(), 1) &&
            ::GetLastError() != ERROR_ACCESS_DENIED) {
            return failedToEnd(*child, platform::lastOsErrorText());
        }
        switch (::WaitForSingleObject(child->process.get(),
                                      static_cast<DWORD>(terminationWait_.count()))) {
            case WAIT_OBJECT_0:
                log::info("Ended process " + std::to_string(child->id));
                return {};
            case WAIT_TIMEOUT:
                return failedToEnd(*child, "Process " + std::to_string(child->id) +
                                               " did not exit after termination");
            default:
                return failedToEnd(*child, platform::lastOsErrorText());
        }
    });
}

Result<bool> ProcessSlot::isRunning() {
    return locked<bool>([&]() -> Result<bool> {
        if (!child_) {
            return false;
        }
        const Result<bool> exited = hasExited(*child_);
        if (!exited) {
            return fail(exited.error());
        }
        // Health asks every few seconds: the exit is logged once.
        if (*exited && !exitLogged_) {
            logExit(*child_, "when checked");
            exitLogged_ = true;
        }
        return !*exited;
    });
}

Status ProcessSlot::waitForExit(std::chrono::milliseconds limit) {
    auto watched = duplicateHandle();
    if (!watched) {
        return fail(std::move(watched.error()));
    }
    if (!*watched) {
        return {};
    }
    const auto milliseconds =
        static_cast<DWORD>(std::clamp<long long>(limit.count(), 0, INFINITE - 1));
    if (::WaitForSingleObject(watched->get(), milliseconds) == WAIT_FAILED) {
        return fail(platform::lastOsErrorText());
    }
    return {};
}

Result<platform::UniqueProcess> ProcessSlot::duplicateHandle() {
    return locked<platform::UniqueProcess>([&]() -> Result<platform::UniqueProcess> {
        HANDLE duplicate = nullptr;
        if (child_ && !::DuplicateHandle(
                          ::GetCurrentProcess(), child_->process.get(), ::GetCurrentProcess(),
                          &duplicate, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0)) {
            return fail(platform::lastOsErrorText());
        }
        return platform::UniqueProcess(duplicate);
    });
}

Result<std::uint32_t> ProcessSlot::processId() {
    return locked<std::uint32_t>(
        [&]() -> Result<std::uint32_t> { return child_ ? child_->id : 0; });
}

Status ProcessSlot::runLockedForTesting(const std::function<void()>& action) {
    return locked<void>([&]() -> Status {
        action();
        return {};
    });
}

ProcessSlot& naiveSlot() {
    static ProcessSlot slot("Naive process lock failed.");
    return slot;
}

ProcessSlot& singBoxSlot() {
    static ProcessSlot slot("sing-box process lock failed.",
                            ProcessSlot::StopMethod::InterruptFirst);
    return slot;
}

}  // namespace korvane::runtime
