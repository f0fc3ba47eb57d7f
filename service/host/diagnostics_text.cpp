#include "service/host/diagnostics_text.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <numeric>

#include "common/secret_text.h"
#include "common/text.h"
#include "runtime/process/log_tail.h"

namespace korvane::service {
namespace {

void maskStrings(nlohmann::json& value) {
    if (value.is_string()) {
        value = withUserinfoMasked(value.get_ref<const std::string&>());
        return;
    }
    if (value.is_structured()) {
        for (auto& member : value) {
            maskStrings(member);
        }
    }
}

}  // namespace

std::string diagnosticsHeading(std::string_view title) {
    return "== " + std::string(title) + " ==\n";
}

std::vector<std::size_t> logShares(const std::vector<std::uint64_t>& sizes, std::size_t budget) {
    std::vector<std::size_t> order(sizes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return sizes[a] < sizes[b]; });
    std::vector<std::size_t> shares(sizes.size());
    std::size_t left = budget;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::size_t equal = left / (order.size() - i);
        const std::size_t share =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizes[order[i]], equal));
        shares[order[i]] = share;
        left -= share;
    }
    return shares;
}

std::string reportedText(std::string_view text) {
    const std::string valid = utf16ToUtf8(utf8ToUtf16(text));
    std::string reported;
    reported.reserve(valid.size());
    std::string_view rest = valid;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::size_t next = end == std::string_view::npos ? rest.size() : end + 1;
        reported += withoutSecrets(rest.substr(0, next));
        rest.remove_prefix(next);
    }
    return reported;
}

std::string_view newestLines(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    const std::string_view last = text.substr(text.size() - maxBytes);
    const std::size_t lineFeed = last.find('\n');
    return lineFeed == std::string_view::npos ? std::string_view() : last.substr(lineFeed + 1);
}

std::string quotedLog(const LogExcerpt& log, std::size_t share) {
    const std::string text = reportedText(runtime::wholeLines(log.lastBytes, log.cut));
    const std::string_view kept = newestLines(text, share);
    std::string quoted = "--- " + log.name + ", " + std::to_string(log.fileSize) + " bytes";
    if (log.cut || kept.size() < text.size()) {
        quoted += "; only the newest " + std::to_string(kept.size()) +
                  " bytes follow, the older part is left out to keep this report under 32 MiB";
    }
    quoted += " ---\n";
    quoted += kept;
    if (!kept.empty() && !kept.ends_with('\n')) {
        quoted += '\n';
    }
    return quoted;
}

Result<std::string> maskedJsonFile(std::string_view text) {
    nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded()) {
        return fail("not valid JSON, left out");
    }
    maskStrings(document);
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace korvane::service
