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

    void answerStart(Result<std::string> result) {
        std::lock_guard lock(mutex_);
        start_ = std::move(result);
    }
    void answerStop(Status result) {
        std::lock_guard lock(mutex_);
        stop_ = std::move(result);
    }
    void answerHealth(Result<std::string> result) {
        std::lock_guard lock(mutex_);
        health_ = std::move(result);
    }

    Result<std::string> handleStart(std::string_view settingsJson,
                                    std::string_view serverJson) override {
        std::lock_guard lock(mutex_);
        calls_.push_back("start " + std::string(settingsJson) + " " + std::string(serverJson));
        return start_;
    }
    Status handleStop() override {
        std::lock_guard lock(mutex_);
        calls_.push_back("stop");
        return stop_;
    }
    Result<std::string> handleHealth() override {
        std::lock_guard lock(mutex_);
        calls_.push_back("health");
        return health_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    Result<std::string> start_ = std::string(R"({"started":true})");
    Status stop_;
    Result<std::string> health_ = std::string(R"({"healthy":true})");
};

}  // namespace korvane::service::testing
