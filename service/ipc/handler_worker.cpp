#include "service/ipc/handler_worker.h"

#include <exception>

#include "service/http/http_response.h"

namespace korvane::service {
namespace {

// Empty only when not even a failure answer could be built.
std::string answerRequest(std::string_view request, HandlerSet& handlers,
                          const DriveCheck& mayDrive) noexcept {
    try {
        try {
            return buildResponse(serveRequest(request, handlers, mayDrive));
        } catch (const std::exception& error) {
            return buildResponse(fail(std::string("Unexpected failure: ") + error.what()));
        } catch (...) {
            return buildResponse(fail("Unexpected failure"));
        }
    } catch (...) {
        return {};
    }
}

// Sends what the socket takes at once; closes it when that is everything,
// or when there is no answer to send.
void answerJob(Connection::Handover& job, std::string answer) noexcept {
    try {
        job.unsent += answer;
    } catch (...) {
        answer.clear();
    }
    const auto sent = answer.empty() ? std::nullopt : sendWithoutWaiting(job.socket, job.unsent);
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

void HandlerWorker::submit(std::uint64_t connection, Connection::Handover handover,
                           DriveCheck mayDrive) {
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(Job{connection, std::move(handover), std::move(mayDrive)});
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
        answerJob(job, answerRequest(job.request, handlers_, current.front().mayDrive));
        const bool unfinished = static_cast<bool>(job.socket);
        lock.lock();
        answered_.splice(answered_.end(), current);
        if (unfinished) {
            unfinished_();
        }
    }
}

}  // namespace korvane::service
