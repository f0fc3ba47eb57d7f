#include "service/ipc/handler_worker.h"

#include <exception>

#include "service/http/http_response.h"
#include "service/http/request_router.h"

namespace korvane::service {

std::string answerRequest(std::string_view request, HandlerSet& handlers) noexcept {
    try {
        try {
            return buildResponse(serveRequest(request, handlers));
        } catch (const std::exception& error) {
            return buildResponse(fail(std::string("Unexpected failure: ") + error.what()));
        } catch (...) {
            return buildResponse(fail("Unexpected failure"));
        }
    } catch (...) {
        return {};
    }
}

namespace {

// Sends what the socket takes at once; closes it when that is everything.
void answerJob(Connection::Handover& job, std::string answer) noexcept {
    if (job.unsent.empty()) {
        job.unsent = std::move(answer);
    } else {
        try {
            job.unsent += answer;
        } catch (...) {
            job.unsent.clear();  // no answer then: the connection is closed
        }
    }
    const auto sent =
        job.unsent.empty() ? std::nullopt : sendWithoutWaiting(job.socket, job.unsent);
    if (!sent || *sent == job.unsent.size()) {
        job.socket.reset();
        job.unsent.clear();
    } else {
        job.unsent.erase(0, *sent);
    }
}

}  // namespace

HandlerWorker::HandlerWorker(HandlerSet& handlers, std::function<void()> unfinished)
    : handlers_(handlers), unfinished_(std::move(unfinished)), thread_([this] { run(); }) {}

void HandlerWorker::submit(std::uint64_t connection, Connection::Handover handover) {
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(Job{connection, std::move(handover)});
    }
    submitted_.notify_one();
}

std::list<HandlerWorker::Job> HandlerWorker::takeAnswered() {
    std::list<Job> taken;
    std::lock_guard lock(mutex_);
    taken.splice(taken.end(), answered_);
    return taken;
}

void HandlerWorker::stop() noexcept {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    submitted_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void HandlerWorker::run() noexcept {
    std::unique_lock lock(mutex_);
    for (;;) {
        submitted_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_) {
            return;
        }
        std::list<Job> current;
        current.splice(current.end(), waiting_, waiting_.begin());
        lock.unlock();
        Connection::Handover& job = current.front().handover;
        answerJob(job, answerRequest(job.request, handlers_));
        const bool unfinished = static_cast<bool>(job.socket);
        lock.lock();
        answered_.splice(answered_.end(), current);
        if (unfinished) {
            unfinished_();
        }
    }
}

}  // namespace korvane::service
