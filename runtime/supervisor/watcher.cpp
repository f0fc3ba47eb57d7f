#include "runtime/supervisor/watcher.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <system_error>
#include <utility>

#include "common/log/service_log.h"
#include "platform/os_error.h"
#include "runtime/naive/local_socks_port.h"
#include "runtime/naive/naive_runner.h"
#include "runtime/naive/server_check.h"
#include "runtime/process/process_slot.h"

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;

// The longest sleep on the clock while a restart is pending.
constexpr auto kPendingSlice = 100ms;
// How often an exit that the handle signalled is asked of the slot again, when
// the slot does not report it yet.
constexpr DWORD kConfirmPauseMs = 25;

std::string describe(const char* name, std::uint32_t processId) {
    return std::string(name) + " (process " + std::to_string(processId) + ")";
}

Result<std::uint32_t> restartNaive(const WatchedVpn& vpn) {
    if (!loopbackPortFree(kLocalSocksPort)) {
        return fail("Local SOCKS5 port " + std::to_string(kLocalSocksPort) + " is already in use.");
    }
    return launchNaive(vpn.layout, vpn.naiveConfig);
}

Result<std::uint32_t> restartSingBox(const WatchedVpn& vpn) {
    KORVANE_TRY(launchSingBox(vpn.layout, vpn.singBox));
    return singBoxSlot().processId();
}

}  // namespace

Watcher::Watcher() : wake_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    if (!wake_) {
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                "CreateEventW");
    }
    // N.B. Made before this watcher, so that they outlive its thread when the
    // process ends.
    (void)naiveSlot();
    (void)singBoxSlot();
    (void)systemClock();
}

Watcher::~Watcher() {
    end();
}

Watcher::Ticket Watcher::cancel() {
    Ticket ticket = 0;
    {
        const std::lock_guard lock(state_);
        upBeforeCancel_ = up_;
        up_ = false;
        ticket = ++generation_;
        for (Watched& watched : programs_) {
            watched.restartAt.reset();
        }
    }
    wake();
    return ticket;
}

Watcher::Ticket Watcher::cancelForStart() {
    {
        const std::lock_guard lock(state_);
        if (!thread_.joinable() && !ending_) {
            thread_ = std::thread([this] { run(); });
        }
    }
    return cancel();
}

void Watcher::watch(WatchedVpn vpn, Clock& clock, Ticket ticket) {
    {
        const std::lock_guard lock(state_);
        if (ending_ || ticket != generation_) {
            return;
        }
        ++generation_;
        up_ = true;
        vpn_ = std::move(vpn);
        clock_ = &clock;
        for (Watched& watched : programs_) {
            watched = Watched{};
        }
    }
    wake();
}

void Watcher::resume(Ticket ticket) {
    if (!naiveSlot().isRunning().value_or(false) && !singBoxSlot().isRunning().value_or(false)) {
        return;
    }
    {
        const std::lock_guard lock(state_);
        if (ending_ || ticket != generation_ || !upBeforeCancel_) {
            return;
        }
        ++generation_;
        up_ = true;
    }
    log::info("The start failed; the VPN it found is watched again");
    wake();
}

void Watcher::end() {
    std::thread thread;
    {
        const std::lock_guard lock(state_);
        ending_ = true;
        up_ = false;
        ++generation_;
        thread = std::move(thread_);
    }
    wake();
    if (thread.joinable()) {
        thread.join();
    }
}

void Watcher::wake() {
    ::SetEvent(wake_.get());
}

bool Watcher::current(Ticket generation) {
    const std::lock_guard lock(state_);
    return generation == generation_ && up_;
}

ProcessSlot& Watcher::slotOf(Program program) {
    return program == Naive ? naiveSlot() : singBoxSlot();
}

const char* Watcher::nameOf(Program program) {
    return program == Naive ? "naive.exe" : "sing-box.exe";
}

void Watcher::run() noexcept {
    for (;;) {
        try {
            if (!step()) {
                return;
            }
        } catch (const std::exception& error) {
            failClosed(std::string("Watcher fault: ") + error.what());
        } catch (...) {
            failClosed("Watcher fault");
        }
    }
}

bool Watcher::step() {
    Snapshot now;
    {
        const std::lock_guard lock(state_);
        if (ending_) {
            return false;
        }
        now.generation = generation_;
        now.up = up_;
        now.clock = clock_;
        for (const Program program : {Naive, SingBox}) {
            now.restartAt[program] = programs_[program].restartAt;
        }
    }
    if (!now.up) {
        ::WaitForSingleObject(wake_.get(), INFINITE);
        return true;
    }

    // The pending restart that is due first, run when it is due.
    std::optional<Program> pending;
    for (const Program program : {Naive, SingBox}) {
        if (now.restartAt[program] &&
            (!pending || *now.restartAt[program] < *now.restartAt[*pending])) {
            pending = program;
        }
    }
    const Clock::TimePoint time = now.clock->now();
    if (pending && *now.restartAt[*pending] <= time) {
        restart(*pending, now.generation);
        return true;
    }

    // Otherwise wait for the wake event or an exit of a program that is not
    // waiting for its restart.
    std::array<platform::UniqueProcess, 2> children;
    std::array<HANDLE, 3> handles{wake_.get()};
    std::array<Program, 3> owners{};
    DWORD count = 1;
    for (const Program program : {Naive, SingBox}) {
        if (now.restartAt[program]) {
            continue;
        }
        auto child = slotOf(program).duplicateHandle();
        if (!child) {
            giveUp(std::string(nameOf(program)) + ": " + child.error(), now.generation);
            return true;
        }
        if (!*child) {  // the slot lost its child
            onExit(program, 0, now.generation);
            return true;
        }
        children[program] = std::move(*child);
        handles[count] = children[program].get();
        owners[count] = program;
        ++count;
    }
    // N.B. While a restart is pending, the pause passes on the clock in
    // slices, with a look at the handles between them: tests pass a clock
    // whose pauses take no time.
    const DWORD signalled =
        ::WaitForMultipleObjects(count, handles.data(), FALSE, pending ? 0 : INFINITE);
    if (pending && signalled == WAIT_TIMEOUT) {
        now.clock->sleep(std::min<Clock::Duration>(*now.restartAt[*pending] - time, kPendingSlice));
        return true;
    }
    if (signalled > WAIT_OBJECT_0 && signalled < WAIT_OBJECT_0 + count) {
        const Program program = owners[signalled - WAIT_OBJECT_0];
        onExit(program, ::GetProcessId(children[program].get()), now.generation);
    } else if (signalled == WAIT_FAILED) {
        giveUp("Failed to wait for the programs: " + platform::lastOsErrorText(), now.generation);
    }
    return true;
}

void Watcher::onExit(Program program, std::uint32_t processId, Ticket generation) {
    // N.B. Confirmed through the slot, which reports an exit only once the
    // child's output is in its log (and logs its exit code).
    for (;;) {
        const Result<bool> running = slotOf(program).isRunning();
        if (!running) {
            giveUp(std::string(nameOf(program)) + ": " + running.error(), generation);
            return;
        }
        if (!*running) {
            break;
        }
        if (!current(generation) ||
            ::WaitForSingleObject(wake_.get(), kConfirmPauseMs) == WAIT_OBJECT_0) {
            return;
        }
    }
    const std::string exited = describe(nameOf(program), processId) + " exited";
    std::optional<RestartPolicy::Restart> next;
    {
        const std::lock_guard lock(state_);
        if (generation != generation_ || !up_) {
            return;
        }
        const Clock::TimePoint time = clock_->now();
        Watched& watched = programs_[program];
        next = watched.policy.next(time);
        if (next) {
            watched.restartAt = time + next->delay;
            watched.attempt = next->attempt;
        }
    }
    if (!next) {
        giveUp(exited + " once more: already restarted " + std::to_string(RestartPolicy::kLimit) +
                   " times within " + std::to_string(RestartPolicy::kWindow.count()) + " s",
               generation);
        return;
    }
    log::warning(exited + "; restart " + std::to_string(next->attempt) + " of " +
                 std::to_string(RestartPolicy::kLimit) + " in " +
                 std::to_string(std::chrono::ceil<std::chrono::seconds>(next->delay).count()) +
                 " s");
}

void Watcher::restart(Program program, Ticket generation) {
    std::unique_lock turn(turn_);
    std::optional<WatchedVpn> vpn;
    int attempt = 0;
    {
        const std::lock_guard lock(state_);
        if (generation != generation_ || !up_) {
            return;
        }
        programs_[program].restartAt.reset();
        attempt = programs_[program].attempt;
        vpn = vpn_;
    }
    const Result<std::uint32_t> launched =
        program == Naive ? restartNaive(*vpn) : restartSingBox(*vpn);
    if (!current(generation)) {
        // N.B. A stop, a start or the service's end came during the launch,
        // and may have looked at the slot before the launch filled it.
        (void)slotOf(program).stop();
        log::info(std::string("The restart of ") + nameOf(program) + " was cancelled");
        return;
    }
    if (!launched) {
        turn.unlock();
        giveUp(std::string("The restart of ") + nameOf(program) + " failed: " + launched.error(),
               generation);
        return;
    }
    log::info(std::string("Restarted ") + nameOf(program) + " (attempt " + std::to_string(attempt) +
              " of " + std::to_string(RestartPolicy::kLimit) + "): process " +
              std::to_string(*launched));
}

void Watcher::giveUp(const std::string& cause, Ticket generation) {
    const std::lock_guard turn(turn_);
    {
        const std::lock_guard lock(state_);
        if (generation != generation_ || !up_) {
            return;
        }
        up_ = false;
        for (Watched& watched : programs_) {
            watched.restartAt.reset();
        }
    }
    // sing-box.exe first, whichever program failed: it must not route into a
    // port where nothing of ours listens. The slots log what they ended.
    log::error("Giving up: " + cause + ". Stopping sing-box.exe, then naive.exe; the VPN is down");
    (void)singBoxSlot().stop();
    (void)naiveSlot().stop();
}

void Watcher::failClosed(const std::string& cause) noexcept {
    try {
        Ticket generation = 0;
        {
            const std::lock_guard lock(state_);
            generation = generation_;
        }
        giveUp(cause, generation);
    } catch (...) {
        // The thread goes on; the next pass finds the state as it is.
    }
}

Watcher& watcher() {
    static Watcher instance;
    return instance;
}

}  // namespace korvane::runtime
