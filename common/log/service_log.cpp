#include "common/log/service_log.h"

#include <spdlog/logger.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/rotating_file_sink.h>

#include <exception>
#include <memory>
#include <mutex>
#include <string>

#include "common/log/log_text.h"
#include "common/secret_text.h"

namespace korvane::log {
namespace {

// N.B. ISO 8601 in UTC: %e is the milliseconds, the pattern's 'Z' is literal.
constexpr char kLinePattern[] = "%Y-%m-%dT%H:%M:%S.%eZ %l %v";

// The open log, shared so that a line being written keeps its logger alive
// while another thread closes or replaces it.
std::mutex loggerMutex;
std::shared_ptr<spdlog::logger> currentLogger;

std::shared_ptr<spdlog::logger> loggerInUse() {
    std::lock_guard lock(loggerMutex);
    return currentLogger;
}

void replaceLogger(std::shared_ptr<spdlog::logger> logger) noexcept {
    std::shared_ptr<spdlog::logger> previous;
    {
        std::lock_guard lock(loggerMutex);
        previous = std::exchange(currentLogger, std::move(logger));
    }
    if (previous) {
        try {
            previous->flush();
        } catch (...) {
            // Nowhere to report it.
        }
    }
}

void write(spdlog::level::level_enum level, std::string_view message) noexcept {
    try {
        const std::shared_ptr<spdlog::logger> logger = loggerInUse();
        if (logger) {
            logger->log(level, "{}", escapeControlBytes(withoutSecrets(message)));
        }
    } catch (...) {
        // A line that cannot be written is lost, nothing else.
    }
}

}  // namespace

Status openServiceLog(const std::filesystem::path& logsFolder, FileLimits limits) {
    try {
        const std::filesystem::path file = logsFolder / kServiceLogName;
        auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
            file.native(), limits.maxBytes, limits.keptFiles);
        auto logger = std::make_shared<spdlog::logger>("service", std::move(sink));
        logger->set_formatter(std::make_unique<spdlog::pattern_formatter>(
            kLinePattern, spdlog::pattern_time_type::utc));
        logger->set_level(spdlog::level::info);
        // Every line reaches the file at once: status reads it while the
        // service runs, and a crash loses nothing.
        logger->flush_on(spdlog::level::trace);
        // spdlog's default prints failures to standard error; a failed write
        // or rotation is simply lost.
        logger->set_error_handler([](const std::string&) {});
        replaceLogger(std::move(logger));
        return {};
    } catch (const std::exception& failure) {
        return fail(failure.what());
    } catch (...) {
        return fail("The service log cannot be opened");
    }
}

void closeServiceLog() noexcept {
    replaceLogger(nullptr);
}

void info(std::string_view message) noexcept {
    write(spdlog::level::info, message);
}

void warning(std::string_view message) noexcept {
    write(spdlog::level::warn, message);
}

void error(std::string_view message) noexcept {
    write(spdlog::level::err, message);
}

}  // namespace korvane::log
