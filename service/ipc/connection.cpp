#include "service/ipc/connection.h"

#include <algorithm>
#include <climits>

#include "platform/os_error.h"
#include "service/http/http_response.h"

namespace korvane::service {
namespace {

// Receives go in steps of this size: a request of a few hundred bytes costs
// no more than that.
constexpr std::size_t kReceiveStep = 16'384;

constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

}  // namespace

Connection::Connection(platform::UniqueSocket socket, Clock::TimePoint accepted)
    : socket_(std::move(socket)), deadline_(accepted + kReceiveDeadline) {}

short Connection::wantedEvents() const {
    const short output = sent_ < output_.size() ? POLLWRNORM : 0;
    return static_cast<short>(phase_ == Phase::Receiving ? POLLRDNORM | output : output);
}

std::optional<Clock::TimePoint> Connection::deadline() const {
    if (phase_ == Phase::Receiving || phase_ == Phase::Sending) {
        return deadline_;
    }
    return std::nullopt;
}

void Connection::onReady(Clock::TimePoint now) {
    if (phase_ == Phase::Receiving) {
        receive(now);
    }
    send();
}

void Connection::onDeadline(Clock::TimePoint now) {
    if (phase_ == Phase::Receiving) {
        if (received_.empty()) {
            answer(buildResponse(fail(platform::osErrorText(WSAETIMEDOUT))), now);
        } else {
            phase_ = Phase::Complete;  // serve what arrived
        }
    } else if (phase_ == Phase::Sending) {
        close();
    }
}

Connection::Handover Connection::takeRequest() {
    phase_ = Phase::Waiting;
    head_.reset();
    Handover handover{std::exchange(received_, {}), std::move(socket_), std::move(output_)};
    handover.unsent.erase(0, sent_);
    output_.clear();
    sent_ = 0;
    return handover;
}

void Connection::finish(platform::UniqueSocket socket, std::string unsent, Clock::TimePoint now) {
    socket_ = std::move(socket);
    if (!socket_) {
        phase_ = Phase::Closed;
        return;
    }
    output_ = std::move(unsent);
    sent_ = 0;
    phase_ = Phase::Sending;
    deadline_ = now + kSendDeadline;
    send();
}

void Connection::answer(std::string response, Clock::TimePoint now) {
    output_ += response;
    phase_ = Phase::Sending;
    deadline_ = now + kSendDeadline;
    send();
}

void Connection::close() {
    phase_ = Phase::Closed;
    socket_.reset();
}

// A client's TCP stack may split one request across several segments, so
// this keeps receiving until the request is complete.
void Connection::receive(Clock::TimePoint now) {
    while (phase_ == Phase::Receiving) {
        const std::size_t before = received_.size();
        const std::size_t room = std::min(kReceiveStep, kMaxRequestSize - before);
        received_.resize(before + room);
        const int count =
            ::recv(socket_.get(), received_.data() + before, static_cast<int>(room), 0);
        received_.resize(before + static_cast<std::size_t>(std::max(count, 0)));
        if (count == 0) {
            phase_ = Phase::Complete;  // the client has finished sending
            return;
        }
        if (count == SOCKET_ERROR) {
            if (const int error = ::WSAGetLastError(); error != WSAEWOULDBLOCK) {
                answer(
                    buildResponse(fail(platform::osErrorText(static_cast<std::uint32_t>(error)))),
                    now);
            }
            return;
        }
        if (!head_) {
            // Only a blank line that ends in the new bytes can be new.
            head_ = readRequestHead(received_, before >= 3 ? before - 3 : 0);
        }
        if (received_.size() == kMaxRequestSize ||
            (head_ && received_.size() >= head_->neededLength)) {
            phase_ = Phase::Complete;
        } else if (head_ && head_->expectsContinue && received_.size() == head_->headLength) {
            // The client waits for this before it sends the body. Once only:
            // a head arrives once.
            output_ += kContinue;
        }
    }
}

std::optional<std::size_t> sendWithoutWaiting(const platform::UniqueSocket& socket,
                                              std::string_view data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const int count =
            ::send(socket.get(), data.data() + sent,
                   static_cast<int>(std::min<std::size_t>(data.size() - sent, INT_MAX)), 0);
        if (count > 0) {
            sent += static_cast<std::size_t>(count);
        } else if (count == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) {
            break;
        } else {
            return std::nullopt;
        }
    }
    return sent;
}

// Nobody is told when the client has gone away or stopped reading.
void Connection::send() {
    const auto sent = sendWithoutWaiting(socket_, std::string_view(output_).substr(sent_));
    if (!sent) {
        close();
        return;
    }
    sent_ += *sent;
    if (phase_ == Phase::Sending && sent_ == output_.size()) {
        close();
    }
}

}  // namespace korvane::service
