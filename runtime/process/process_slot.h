#pragma once
// A process-wide holder of at most one running child, guarded by its own lock.

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
    explicit ProcessSlot(std::string lockMessage);
    ProcessSlot(const ProcessSlot&) = delete;
    ProcessSlot& operator=(const ProcessSlot&) = delete;

    // Puts the child in. A child already held has its handles released without
    // being ended (callers stop the slot first). On a broken slot the given
    // child's handles are released and its process keeps running.
    Status store(ChildProcess child);

    // Takes the child out and ends it (exit code 1) if it still runs, waiting
    // for its end. Whatever happens past the lock, the slot is empty after.
    // The service log gets the outcome: ended, failed to end, or already
    // exited (with its exit code, unless isRunning logged that before).
    Status stop();

    // True while the held child has not exited; an exited child stays held.
    // The first call that finds it exited logs its exit code.
    Result<bool> isRunning();

    // Runs `action` under the slot's lock the way every operation runs, so that
    // tests can end an operation abnormally.
    Status runLockedForTesting(const std::function<void()>& action);

  private:
    template <typename T, typename Action>
    Result<T> locked(Action action);

    std::mutex mutex_;
    bool broken_ = false;
    std::optional<ChildProcess> child_;
    bool exitLogged_ = false;  // the held child's exit is in the service log
    const std::string lockMessage_;
};

// The slot of naive.exe ("Naive process lock failed.") and that of
// sing-box.exe ("sing-box process lock failed."); both live as long as the
// process.
ProcessSlot& naiveSlot();
ProcessSlot& singBoxSlot();

}  // namespace korvane::runtime
