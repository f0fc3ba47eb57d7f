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

HandlerWorker::HandlerWorker(HandlerSet& handlers, std::function<void()> answered)
    : handlers_(handlers), onAnswer_(std::move(answered)), thread_([this] { run(); }) {}

void HandlerWorker::submit(std::uint64_t connection, std::string request) {
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(Job{connection, std::move(request), {}});
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
        Job& job = current.front();
        job.response = answerRequest(job.request, handlers_);
        lock.lock();
        answered_.splice(answered_.end(), current);
        onAnswer_();
    }
}

}  // namespace korvane::service
