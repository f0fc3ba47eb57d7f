#include "runtime/process/bounded_log.h"

#include <algorithm>

#include "runtime/process/log_tail.h"

namespace korvane::runtime {
namespace {

bool continuesCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The whole lines among the last kLogKept bytes of `output`. Output always
// continues what came before it, so its first line may be the end of one and
// goes in any case.
std::string_view keptLines(std::string_view output) {
    return wholeLines(output.substr(output.size() - std::min(output.size(), kLogKept)), true);
}

}  // namespace

std::string LineCutter::cut(std::string_view piece) {
    std::string kept;
    kept.reserve(piece.size());
    while (!piece.empty()) {
        const std::size_t feed = piece.find('\n');
        const std::size_t length = feed == std::string_view::npos ? piece.size() : feed;
        const std::size_t room = kLineLimit - lineLength_;
        std::size_t taken = std::min(length, room);
        if (taken < length) {
            while (taken > 0 && continuesCharacter(piece[taken])) {
                --taken;
            }
        }
        kept.append(piece.substr(0, taken));
        if (feed == std::string_view::npos) {
            lineLength_ += std::min(length, room);
            break;
        }
        kept += '\n';
        lineLength_ = 0;
        piece.remove_prefix(feed + 1);
    }
    return kept;
}

void OutputBacklog::add(std::string_view output) {
    waiting_.append(output);
    // N.B. Dropped only past kLogLimit, down to kLogKept: each drop copies
    // kLogKept bytes, so it happens once per kLogKept bytes at most.
    if (waiting_.size() > kLogLimit) {
        waiting_ = std::string(keptLines(waiting_));
        dropped_ = true;
    }
}

OutputBacklog::Taken OutputBacklog::take() {
    Taken taken{std::move(waiting_), dropped_};
    waiting_.clear();
    dropped_ = false;
    return taken;
}

BoundedLog::BoundedLog(LogFile& file, std::size_t bannerSize)
    : file_(file), bannerSize_(bannerSize), size_(bannerSize) {}

Status BoundedLog::write(std::string_view output) {
    if (size_ + output.size() <= kLogLimit) {
        KORVANE_TRY(file_.append(output));
        size_ += output.size();
        return {};
    }
    // Past the limit, the output written so far is longer than kLogKept, and
    // `last` is output that began before.
    std::string last;
    if (output.size() < kLogKept) {
        KORVANE_TRY_ASSIGN(last, file_.readFrom(size_ - (kLogKept - output.size())));
    }
    last.append(output);
    return restart(keptLines(last));
}

Status BoundedLog::restart(std::string_view output) {
    const bool fits = bannerSize_ + kDroppedLine.size() + output.size() <= kLogLimit;
    std::string content(kDroppedLine);
    content += fits ? output : keptLines(output);
    KORVANE_TRY(file_.rewrite(bannerSize_, content));
    size_ = bannerSize_ + content.size();
    return {};
}

}  // namespace korvane::runtime
