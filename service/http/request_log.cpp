#include "service/http/request_log.h"

#include <atomic>

#include "common/log/service_log.h"

namespace korvane::service {
namespace {

std::atomic<std::uint64_t> healthRequests{0};

}  // namespace

void logStartFailure(const std::string& message) {
    log::error("Start failed: " + message);
}

void logStopOutcome(const Status& outcome) {
    if (outcome) {
        log::info("Stop succeeded");
    } else {
        log::error("Stop failed: " + outcome.error());
    }
}

void countHealthRequest() {
    healthRequests.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t healthRequestCount() {
    return healthRequests.load(std::memory_order_relaxed);
}

}  // namespace korvane::service
