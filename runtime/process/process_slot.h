#pragma once
// A process-wide holder of at most one running child, guarded by its own lock.

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "common/result.h"
#include "runtime/process/child_process.h"

namespace korvane::runtime {

// Every operation holds the slot's lock for its whole duration. A slot whose
// operation ends abnormally while holding the lock (an exception escaping)
// becomes broken for good: from then on every operation fails with the slot's
// lock message and touches nothing.
class ProcessSlot {
  public:
    // How stop ends a child that still runs.
    enum class StopMethod {
        Terminate,  // TerminateProcess at once
        // A console Ctrl+C first (platform/console_interrupt.h), then up to
        // kInterruptWait for the child to exit by itself, then Terminate.
        InterruptFirst,
    };

    // How long stop waits for a child to exit after an interrupt.
    static constexpr std::chrono::milliseconds kInterruptWait{5'000};
    // How long stop waits for a child to end once it was terminated.
    static constexpr std::chrono::milliseconds kTerminationWait{10'000};

    // `terminationWait` is a seam for tests; the process-wide slots use
    // kTerminationWait.
    explicit ProcessSlot(std::string lockMessage, StopMethod stopMethod = StopMethod::Terminate,
                         std::chrono::milliseconds terminationWait = kTerminationWait);
    ProcessSlot(const ProcessSlot&) = delete;
    ProcessSlot& operator=(const ProcessSlot&) = delete;

    // Puts the child in. A child already held has its handles released without
    // being ended (callers stop the slot first). On a broken slot the given
    // child's handles are released and its process keeps running.
    Status store(ChildProcess child);

    // Takes the child out and ends it if it still runs: with InterruptFirst an
    // interrupt and up to kInterruptWait for its exit; then (or at once with
    // Terminate, or when the interrupt could not be sent) termination with
    // exit code 1 and up to the termination wait for its end. A process still
    // there after it gives "Process <pid> did not exit after termination".
    // Whatever happens past the lock, the slot is empty after and the child's
    // handles are released. The service log gets the outcome: exited after
    // the interrupt, ended, failed to end, or already exited (with its exit
    // code, unless isRunning logged that before), and why an interrupt did
    // not do.
    Status stop();

    // True while the held child has not exited; an exited child stays held.
    // The first call that finds it exited logs its exit code.
    Result<bool> isRunning();

    // Waits up to `limit` for the held child to exit; returns at once when the
    // slot is empty. The lock is held only to take a handle on the child, not
    // while waiting, so stop and isRunning go on meanwhile. Fails with the
    // system's text when the child cannot be waited on.
    Status waitForExit(std::chrono::milliseconds limit);

    // A handle of its own on the held child, to wait for its end and ask its
    // id; none when the slot is empty. A concurrent stop closes the slot's
    // handle, never this one. Fails with the system's text.
    Result<platform::UniqueProcess> duplicateHandle();

    // The held child's process id, exited or not; 0 when the slot is empty.
    Result<std::uint32_t> processId();

    // Runs `action` under the slot's lock the way every operation runs, so that
    // tests can end an operation abnormally.
    Status runLockedForTesting(const std::function<void()>& action);

  private:
    template <typename T, typename Action>
    Result<T> locked(Action action);

    std::mutex mutex_;
    const StopMethod stopMethod_;
    const std::chrono::milliseconds terminationWait_;
    bool broken_ = false;
    std::optional<ChildProcess> child_;
    bool exitLogged_ = false;  // the held child's exit is in the service log
    const std::string lockMessage_;
};

// The slot of naive.exe ("Naive process lock failed.", Terminate) and that of
// sing-box.exe ("sing-box process lock failed.", InterruptFirst: it removes
// its adapter, routes and firewall session on an interrupt); both live as
// long as the process.
ProcessSlot& naiveSlot();
ProcessSlot& singBoxSlot();

}  // namespace korvane::runtime
