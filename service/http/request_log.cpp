#include "service/http/request_log.h"

#include <atomic>
#include <nlohmann/json.hpp>

#include "common/log/service_log.h"

namespace korvane::service {
namespace {

std::atomic<std::uint64_t> healthRequests{0};

// The member's string value, or "?" when the answer has none.
std::string member(const nlohmann::json& answer, const char* name) {
    const auto found = answer.find(name);
    return found != answer.end() && found->is_string() ? found->get<std::string>() : "?";
}

}  // namespace

void logStartOutcome(const Result<std::string>& outcome) {
    if (!outcome) {
        log::error("Start failed: " + outcome.error());
        return;
    }
    const nlohmann::json answer = nlohmann::json::parse(*outcome, nullptr, false);
    log::info("Start succeeded: interface " + member(answer, "interfaceName") + ", address " +
              member(answer, "address"));
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
