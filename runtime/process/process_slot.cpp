#include "runtime/process/process_slot.h"

#include <string>
#include <system_error>

#include "common/log/service_log.h"
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

}  // namespace

ProcessSlot::ProcessSlot(std::string lockMessage) : lockMessage_(std::move(lockMessage)) {}

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
        if (!::TerminateProcess(child->process.get(), 1)) {
            const DWORD error = ::GetLastError();
            // Access is denied to a process that is already ending.
            if (error != ERROR_ACCESS_DENIED || !hasExited(*child)) {
                log::error("Failed to end process " + std::to_string(child->id) + ": " +
                           platform::osErrorText(error));
                return fail(platform::osErrorText(error));
            }
        }
        ::WaitForSingleObject(child->process.get(), INFINITE);
        log::info("Ended process " + std::to_string(child->id));
        return {};
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
    static ProcessSlot slot("sing-box process lock failed.");
    return slot;
}

}  // namespace korvane::runtime
