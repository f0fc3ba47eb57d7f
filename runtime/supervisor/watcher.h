#pragma once
// Keeps a VPN that is meant to be up. One thread waits on the process handles
// of naive.exe and sing-box.exe; when one exits, it restarts that program from
// the files already on disk as the RestartPolicy allows. A restart that fails,
// or one past the limit, gives up and ends the other program too, sing-box.exe
// first: it must never route into a port 1080 where nothing of ours listens.
// Everything the runtime keeps between requests is here.

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/clock.h"
#include "platform/handles.h"
#include "runtime/process/process_slot.h"
#include "runtime/process/runtime_layout.h"
#include "runtime/singbox/singbox_runner.h"
#include "runtime/supervisor/restart_policy.h"

namespace korvane::runtime {

// What restarts need besides the process slots.
struct WatchedVpn {
    RuntimeLayout layout;
    std::filesystem::path naiveConfig;  // config.json on disk
    SingBoxLaunch singBox;              // tun.json on disk and its interface
};

class Watcher {
  public:
    // Names the moment of a cancel(), for the start that follows it.
    using Ticket = std::uint64_t;

    Watcher();
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;
    ~Watcher();  // end()

    // Held by a start for its whole run and by each restart and give-up for
    // theirs, so that none of them overlaps another.
    std::mutex& turn() { return turn_; }

    // No VPN is meant to be up from now on: a pending restart is dropped, and
    // a restart in progress ends what it launched once its launch returns.
    // Never waits for either.
    Ticket cancel();

    // The cancel() of a start: the same, and the thread is started if it does
    // not run yet (throws std::system_error when it cannot be).
    Ticket cancelForStart();

    // The VPN now in the slots is meant to be up: its programs are watched
    // and restarted with `vpn`, restarts counted from none and paced by
    // `clock`, which outlives the watcher. Does nothing when cancel() was
    // called again since the one that gave `ticket`, or after end().
    void watch(WatchedVpn vpn, Clock& clock, Ticket ticket);

    // After a start that failed: the VPN it found is meant to be up again,
    // counts kept, when one of its programs still runs. Same conditions as
    // watch(), and nothing happens unless a VPN was meant to be up when the
    // cancel() that gave `ticket` came.
    void resume(Ticket ticket);

    // Cancels and ends the thread, once a restart in progress has ended what
    // it launched. Later calls of watch() and resume() do nothing.
    void end();

  private:
    enum Program : std::size_t { Naive, SingBox };

    struct Watched {
        RestartPolicy policy;
        std::optional<Clock::TimePoint> restartAt;  // a pending restart
        int attempt = 0;                            // of the pending restart
    };

    // What one pass of the thread acts on, read under the state lock.
    struct Snapshot {
        Ticket generation = 0;
        bool up = false;
        Clock* clock = nullptr;
        std::array<std::optional<Clock::TimePoint>, 2> restartAt;
    };

    void run() noexcept;
    // One wait and what follows it; false once the thread is to end.
    bool step();
    void onExit(Program program, std::uint32_t processId, Ticket generation);
    void restart(Program program, Ticket generation);
    // Ends the VPN of `generation` for `cause`, unless it is no longer the
    // one meant to be up.
    void giveUp(const std::string& cause, Ticket generation);
    void failClosed(const std::string& cause) noexcept;
    bool current(Ticket generation);
    void wake();
    static ProcessSlot& slotOf(Program program);
    static const char* nameOf(Program program);

    const platform::UniqueEvent wake_;  // auto-reset: the state changed
    std::mutex turn_;
    std::mutex state_;  // guards what follows; held only briefly
    Ticket generation_ = 0;
    bool up_ = false;
    bool upBeforeCancel_ = false;
    bool ending_ = false;
    std::optional<WatchedVpn> vpn_;
    Clock* clock_ = nullptr;
    std::array<Watched, 2> programs_;
    std::thread thread_;
};

// The runtime's one watcher; it lives as long as the process.
Watcher& watcher();

}  // namespace korvane::runtime
