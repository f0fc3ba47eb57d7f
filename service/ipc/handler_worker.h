#pragma once
// The endpoint's handler thread: requests are read on the endpoint's thread
// and served here, one at a time, in the order they were handed in, so that
// a start that runs for seconds never keeps other connections from being read.
// The answer is sent from here as far as the socket takes it at once, which
// for the endpoint's small answers is all of it: the client has its answer
// without waiting for the endpoint's thread to wake.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "service/http/handler_set.h"
#include "service/http/request_router.h"
#include "service/ipc/connection.h"

namespace korvane::service {

class HandlerWorker {
  public:
    struct Job {
        std::uint64_t connection = 0;
        // Once answered: the socket is empty when the whole answer went out
        // (or the connection failed) and it is closed; otherwise `unsent` is
        // the rest of the answer.
        Connection::Handover handover;
        // Asked before a request that drives the service runs (see
        // request_router.h); none lets every request through.
        DriveCheck mayDrive;
    };

    // Starts the thread. Each request is answered with its outcome from
    // serveRequest with the job's check; an exception from a handler becomes a 500 "Unexpected
    // failure: " + its text, and the thread goes on. `unfinished` is called on it after an answer
    // that the socket did not take whole; it must not throw.
    HandlerWorker(HandlerSet& handlers, std::function<void()> unfinished);
    HandlerWorker(const HandlerWorker&) = delete;
    HandlerWorker& operator=(const HandlerWorker&) = delete;
    ~HandlerWorker() { stop(); }

    void submit(std::uint64_t connection, Connection::Handover handover, DriveCheck mayDrive);

    // The jobs answered since the last call, in the order they were handed in.
    std::list<Job> takeAnswered();

    // Drops the requests not yet started (closing their connections), lets a
    // running one finish (its answer sent as far as the socket takes it at
    // once) and ends the thread. Idempotent.
    void stop() noexcept;

  private:
    void run() noexcept;

    HandlerSet& handlers_;
    const std::function<void()> unfinished_;
    std::mutex mutex_;
    std::condition_variable submitted_;
    // N.B. lists, so that moving a job from one to the other (splice) never
    // allocates: an answer cannot get lost on the way back for want of memory.
    std::list<Job> waiting_;
    std::list<Job> answered_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace korvane::service
