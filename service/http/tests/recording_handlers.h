#pragma once
// A handler set for tests: records every call and answers what the test set.
// Safe to use from the endpoint's thread while the test thread reads it.

#include <mutex>
#include <string>
#include <vector>

#include "service/http/handler_set.h"

namespace korvane::service::testing {

class RecordingHandlers final : public HandlerSet {
  public:
    // "start <settings> <server>", "stop" or "health", in call order.
    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    // Makes every handler fail with `message`.
    void failWith(std::string message) {
        std::lock_guard lock(mutex_);
        failure_ = std::move(message);
    }

    Result<std::string> handleStart(std::string_view settingsJson,
                                    std::string_view serverJson) override {
        return answer("start " + std::string(settingsJson) + " " + std::string(serverJson),
                      R"({"started":true})");
    }
    Status handleStop() override {
        if (auto stopped = answer("stop", ""); !stopped) {
            return fail(stopped.error());
        }
        return {};
    }
    Result<std::string> handleHealth() override { return answer("health", R"({"healthy":true})"); }

  private:
    Result<std::string> answer(std::string call, std::string body) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
        if (!failure_.empty()) {
            return fail(failure_);
        }
        return body;
    }

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::string failure_;
};

}  // namespace korvane::service::testing
