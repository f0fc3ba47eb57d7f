#pragma once
// The runtime's three handlers behind the endpoint's routes, for one install
// layout.

#include <string>
#include <string_view>

#include "runtime/process/runtime_layout.h"
#include "service/http/handler_set.h"

namespace korvane::service {

class RuntimeHandlers final : public HandlerSet {
  public:
    explicit RuntimeHandlers(runtime::RuntimeLayout layout);

    Result<std::string> handleStart(std::string_view settingsJson,
                                    std::string_view serverJson) override;
    Status handleStop() override;
    Result<std::string> handleHealth() override;

  private:
    const runtime::RuntimeLayout layout_;
};

}  // namespace korvane::service
