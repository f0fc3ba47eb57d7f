#include "service/host/runtime_handlers.h"

#include <utility>

#include "runtime/supervisor/supervisor.h"

namespace korvane::service {

RuntimeHandlers::RuntimeHandlers(runtime::RuntimeLayout layout) : layout_(std::move(layout)) {}

Result<std::string> RuntimeHandlers::handleStart(std::string_view settingsJson,
                                                 std::string_view serverJson) {
    return runtime::handleStart(layout_, settingsJson, serverJson);
}

Status RuntimeHandlers::handleStop() {
    return runtime::handleStop();
}

Result<std::string> RuntimeHandlers::handleHealth() {
    return runtime::handleHealth();
}

}  // namespace korvane::service
