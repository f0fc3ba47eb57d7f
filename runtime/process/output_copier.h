#pragma once
// Copies what a child writes to its standard output and standard error from
// its pipe into its log, bounded (bounded_log.h).

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/result.h"
#include "platform/handles.h"
#include "runtime/process/bounded_log.h"

namespace korvane::runtime {

// Two threads per child: one reads the pipe at all times, so that the child
// never waits on a full pipe while the service handles a request or the disk
// is slow; the other writes what was read to the log. No exception leaves
// either thread. When the log cannot be written (a full disk, say), the output
// is read and discarded from then on, with one warning in the service log.
class OutputCopier {
  public:
    // After the child's exit the reader goes on until the pipe's end, which
    // comes when every holder of its write end has closed it, but no longer
    // than this: a program the child started may hold it for ever.
    static constexpr std::chrono::milliseconds kDrainAfterExit{2'000};

    // Starts copying from the pipe's read end (opened for overlapped reads)
    // into `log`, open for reading and writing and positioned after its banner
    // of `bannerSize` bytes; `logName` names it in the service log. `process`
    // is the child, whose exit starts the drain. Failure: the reason.
    static Result<std::unique_ptr<OutputCopier>> start(platform::UniqueFile log,
                                                       std::size_t bannerSize, std::string logName,
                                                       platform::UniqueFile pipe, HANDLE process);

    // When the child has exited, waits as awaitDrained does; then stops
    // reading, writes what was read and returns once both threads ended.
    ~OutputCopier();
    OutputCopier(const OutputCopier&) = delete;
    OutputCopier& operator=(const OutputCopier&) = delete;

    // Waits until everything read is in the log and the log is closed, which
    // comes after the pipe's end or kDrainAfterExit after the child's exit;
    // gives up after kDrainWait in any case (a disk that stalls).
    void awaitDrained();

  private:
    static constexpr std::chrono::milliseconds kDrainWait{5'000};

    OutputCopier(platform::UniqueFile log, std::size_t bannerSize, std::string logName,
                 platform::UniqueFile pipe, platform::UniqueProcess process,
                 platform::UniqueEvent stop, platform::UniqueEvent readDone,
                 platform::UniqueEvent drained);

    void readPipe() noexcept;
    void readUntilEnd();
    void writeLog() noexcept;
    void writeUntilEnd();

    platform::UniqueFile log_;  // the writer's, closed when it ends
    const std::size_t bannerSize_;
    const std::string logName_;
    platform::UniqueFile pipe_;              // the reader's, closed when it ends
    const platform::UniqueProcess process_;  // SYNCHRONIZE only
    const platform::UniqueEvent stop_;
    const platform::UniqueEvent readDone_;
    const platform::UniqueEvent drained_;

    std::mutex mutex_;
    std::condition_variable changed_;
    OutputBacklog backlog_;     // guarded by mutex_
    bool readerEnded_ = false;  // guarded by mutex_

    std::thread reader_;
    std::thread writer_;
};

}  // namespace korvane::runtime
