#pragma once
// The text of `korvane_service.exe diagnostics`: sections under heading lines,
// the files it quotes with their secrets taken out, and the share of each log
// that keeps the report under its bound. Portable: the Windows side only
// gathers what goes in.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace korvane::service {

// The report stays under 32 MiB.
inline constexpr std::size_t kDiagnosticsMaxBytes = 32 * 1024 * 1024 - 1;

// "== <title> ==" and a line break: the line that opens a section.
std::string diagnosticsHeading(std::string_view title);

// How many of each log's last bytes the report keeps so that together they
// take at most `budget`: every log whole when they fit; otherwise each gets
// an equal share, and what a smaller log leaves of its share goes to the
// larger ones.
std::vector<std::size_t> logShares(const std::vector<std::uint64_t>& sizes, std::size_t budget);

// A file's text as the report quotes it: valid UTF-8 (other bytes as U+FFFD)
// and each line through withoutSecrets (common/secret_text.h).
std::string reportedText(std::string_view text);

// The last whole lines of `text` that fit in `maxBytes` (all of it when it
// fits): a cut keeps what follows a line feed.
std::string_view newestLines(std::string_view text, std::size_t maxBytes);

// One log as the report quotes it: its last bytes as read (`cut` when the
// file holds more before them), shown within `share` bytes.
struct LogExcerpt {
    std::string name;
    std::uint64_t fileSize = 0;
    std::string lastBytes;
    bool cut = false;
};

// "--- <name>, <size> bytes ---" and the log's lines, or, when not all of it
// fits, "--- <name>, <size> bytes; only the newest <n> bytes follow, the
// older part is left out to keep this report under 32 MiB ---" and those.
std::string quotedLog(const LogExcerpt& log, std::size_t share);

// A JSON configuration file printed with two-space indentation, every string
// through withUserinfoMasked (common/secret_text.h). Fails, saying so, when
// the text is no JSON: it is then left out whole.
Result<std::string> maskedJsonFile(std::string_view text);

}  // namespace korvane::service
