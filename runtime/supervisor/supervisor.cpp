#include "runtime/supervisor/supervisor.h"

#include <exception>

#include "runtime/records/records.h"

namespace korvane::runtime {
namespace {

constexpr const char* kNotAvailable = "The VPN runtime is not available in this build.";

// Runs a handler body; an exception that escapes it becomes its failure.
template <typename Body>
auto guarded(Body body) -> decltype(body()) {
    try {
        return body();
    } catch (const std::exception& error) {
        return fail(std::string("Internal error: ") + error.what());
    } catch (...) {
        return fail("Internal error.");
    }
}

class RuntimeHandlers final : public service::HandlerSet {
public:
    Result<std::string> handleStart(std::string_view settingsJson,
                                    std::string_view serverJson) override {
        return runtime::handleStart(settingsJson, serverJson);
    }
    Status handleStop() override { return runtime::handleStop(); }
    Result<std::string> handleHealth() override { return runtime::handleHealth(); }
};

}  // namespace

Result<std::string> handleStart(std::string_view settingsJson, std::string_view serverJson) {
    return guarded([&]() -> Result<std::string> {
        auto settings = parseStoredAppSettings(settingsJson);
        if (!settings) {
            return fail("Invalid settings payload: " + settings.error());
        }
        auto server = parseAccessServer(serverJson);
        if (!server) {
            return fail("Invalid server payload: " + server.error());
        }
        return fail(kNotAvailable);
    });
}

Status handleStop() {
    return guarded([]() -> Status { return fail(kNotAvailable); });
}

Result<std::string> handleHealth() {
    return guarded([]() -> Result<std::string> { return fail(kNotAvailable); });
}

service::HandlerSet& runtimeHandlers() {
    static RuntimeHandlers handlers;
    return handlers;
}

}  // namespace korvane::runtime
