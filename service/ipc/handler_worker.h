#pragma once
// The endpoint's handler thread: requests are read on the endpoint's thread
// and served here, one at a time, in the order they were handed in, so that
// a start that runs for seconds never keeps other connections from being read.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "service/http/handler_set.h"

namespace korvane::service {

class HandlerWorker {
  public:
    struct Job {
        std::uint64_t connection = 0;
        std::string request;   // the bytes received
        std::string response;  // the whole answer; empty when none could be built
    };

    // Starts the thread. `answered` is called on it after each answer; it must
    // not throw.
    HandlerWorker(HandlerSet& handlers, std::function<void()> answered);
    HandlerWorker(const HandlerWorker&) = delete;
    HandlerWorker& operator=(const HandlerWorker&) = delete;
    ~HandlerWorker() { stop(); }

    void submit(std::uint64_t connection, std::string request);

    // The jobs answered since the last call, in the order they were handed in.
    std::list<Job> takeAnswered();

    // Drops the requests not yet started, lets a running one finish (its answer
    // stays to be taken) and ends the thread. Idempotent.
    void stop() noexcept;

  private:
    void run() noexcept;

    HandlerSet& handlers_;
    const std::function<void()> onAnswer_;
    std::mutex mutex_;
    std::condition_variable submitted_;
    // N.B. lists, so that moving a job from one to the other (splice) never
    // allocates: an answer cannot get lost on the way back for want of memory.
    std::list<Job> waiting_;
    std::list<Job> answered_;
    bool stopping_ = false;
    std::thread thread_;
};

// The answer to `request`: its outcome from serveRequest, as a response. An
// exception from a handler becomes a 500 with its text; empty only when not
// even that could be built.
std::string answerRequest(std::string_view request, HandlerSet& handlers) noexcept;

}  // namespace korvane::service
