#include "runtime/process/process_slot.h"

#include <algorithm>
#include <system_error>

#include "platform/os_error.h"

namespace korvane::runtime {

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
            return {};
        }
        if (!::TerminateProcess(child->process.get(), 1)) {
            const DWORD error = ::GetLastError();
            // Access is denied to a process that is already ending.
            if (error != ERROR_ACCESS_DENIED || !hasExited(*child)) {
                return fail(platform::osErrorText(error));
            }
        }
        ::WaitForSingleObject(child->process.get(), INFINITE);
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
        return !*exited;
    });
}

Status ProcessSlot::waitForExit(std::chrono::milliseconds limit) {
    // A handle of its own, because a concurrent stop may close the slot's.
    auto watched = locked<platform::UniqueProcess>([&]() -> Result<platform::UniqueProcess> {
        HANDLE duplicate = nullptr;
        if (child_ &&
            !::DuplicateHandle(::GetCurrentProcess(), child_->process.get(), ::GetCurrentProcess(),
                               &duplicate, SYNCHRONIZE, FALSE, 0)) {
            return fail(platform::lastOsErrorText());
        }
        return platform::UniqueProcess(duplicate);
    });
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
