#pragma once
// The bound of a runtime program's log and the rules that keep its output
// within it. Portable: the file and the pipe are the output copier's.

#include <cstddef>
#include <string>
#include <string_view>

#include "common/result.h"

namespace korvane::runtime {

// A log never holds more than kLogLimit bytes; when output would take it past
// that, it keeps its banner, kDroppedLine and about the last kLogKept bytes.
inline constexpr std::size_t kLogLimit = 16 * 1024 * 1024;
inline constexpr std::size_t kLogKept = 8 * 1024 * 1024;
// Longer lines are cut to this many bytes.
inline constexpr std::size_t kLineLimit = 64 * 1024;
inline constexpr std::string_view kDroppedLine = "(earlier output dropped)\n";

// Cuts the lines of output that arrives in pieces to kLineLimit bytes: the
// rest of a longer line is dropped up to its line feed, and a cut inside a
// UTF-8 character of the same piece moves back to its start.
class LineCutter {
  public:
    std::string cut(std::string_view piece);

  private:
    std::size_t lineLength_ = 0;  // of the line the last piece ended in
};

// Output read but not yet written. It never waits for the file: past
// kLogLimit bytes it keeps only the whole lines among its last kLogKept bytes
// (lines already cut), and says so when taken.
class OutputBacklog {
  public:
    struct Taken {
        std::string output;
        bool dropped = false;  // output before `output` was dropped
    };

    void add(std::string_view output);
    bool empty() const { return waiting_.empty() && !dropped_; }
    Taken take();

  private:
    std::string waiting_;
    bool dropped_ = false;
};

// The file behind a bounded log: appended to at its end.
class LogFile {
  public:
    virtual ~LogFile() = default;
    virtual Status append(std::string_view bytes) = 0;
    // The bytes from `offset` to the end.
    virtual Result<std::string> readFrom(std::size_t offset) = 0;
    // Writes `bytes` at `offset` and ends the file after them.
    virtual Status rewrite(std::size_t offset, std::string_view bytes) = 0;
};

// A log whose first `bannerSize` bytes, the banner line, are in `file`
// already, and which then holds output whose lines are cut (LineCutter).
// Failure: the file's text; the log is then in no known state.
class BoundedLog {
  public:
    BoundedLog(LogFile& file, std::size_t bannerSize);

    // Appends `output`. When the log would pass kLogLimit, it becomes the
    // banner, kDroppedLine and the whole lines among the last kLogKept bytes
    // of its output followed by `output`.
    Status write(std::string_view output);

    // The banner, kDroppedLine, then `output` (its whole lines among its last
    // kLogKept bytes, should it not fit): for output whose earlier part was
    // dropped before it reached the log (OutputBacklog::Taken::dropped).
    //
    // N.B. Written over the old content before the file is cut after it, so
    // that a reader of the file's end meanwhile still finds the last lines.
    Status restart(std::string_view output);

  private:
    LogFile& file_;
    const std::size_t bannerSize_;
    std::size_t size_;
};

}  // namespace korvane::runtime
