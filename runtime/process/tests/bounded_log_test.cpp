#include "runtime/process/bounded_log.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane::runtime {
namespace {

// The log file in memory.
class MemoryLog final : public LogFile {
  public:
    Status append(std::string_view bytes) override {
        content.append(bytes);
        largest = std::max(largest, content.size());
        return {};
    }
    Result<std::string> readFrom(std::size_t offset) override { return content.substr(offset); }
    Status rewrite(std::size_t offset, std::string_view bytes) override {
        largest = std::max(largest, offset + bytes.size());
        content.resize(offset);
        content.append(bytes);
        return {};
    }

    std::string content;
    std::size_t largest = 0;
};

const std::string kBanner = "--- starting naive ---\n";

std::string numberedLine(int n) {
    // Lengths vary, so that cuts fall anywhere in a line.
    return "line " + std::to_string(n) + " " + std::string(static_cast<std::size_t>(n % 97), 'x') +
           "\n";
}

// Whether `text` is the numbered lines first..last without a gap.
::testing::AssertionResult consecutiveLines(const std::string& text, int last) {
    if (!text.starts_with("line ")) {
        return ::testing::AssertionFailure() << "not at a line start: " << text.substr(0, 40);
    }
    const int first = std::stoi(text.substr(5));
    std::string expected;
    for (int n = first; n <= last; ++n) {
        expected += numberedLine(n);
    }
    if (text != expected) {
        return ::testing::AssertionFailure() << "lines " << first << ".." << last << " differ";
    }
    return ::testing::AssertionSuccess();
}

TEST(LineCutter, CutsLongLinesAcrossPiecesAndKeepsShortOnes) {
    LineCutter cutter;
    std::string kept = cutter.cut("short\n" + std::string(40 * 1024, 'a'));
    kept += cutter.cut(std::string(40 * 1024, 'b'));
    kept += cutter.cut(std::string(1024, 'c') + "\nnext\n");
    EXPECT_EQ(kept,
              "short\n" + std::string(40 * 1024, 'a') + std::string(24 * 1024, 'b') + "\nnext\n");
}

TEST(LineCutter, CutInsideACharacterMovesToItsStart) {
    LineCutter cutter;
    // The three bytes of an em space straddle the limit.
    const std::string line = std::string(kLineLimit - 1, 'a') + "\xE2\x80\x83 rest\n";
    EXPECT_EQ(cutter.cut(line), std::string(kLineLimit - 1, 'a') + "\n");
}

TEST(BoundedLog, OutputPastTheBoundTwiceLeavesTheBannerAndTheLastLines) {
    MemoryLog file;
    file.content = kBanner;
    BoundedLog log(file, kBanner.size());
    std::string piece;
    int n = 0;
    for (std::size_t written = 0; written < kLogLimit + kLogLimit / 2 + kLogKept;) {
        piece.clear();
        while (piece.size() < 60 * 1024) {
            piece += numberedLine(++n);
        }
        ASSERT_TRUE(log.write(piece).has_value());
        written += piece.size();
    }
    EXPECT_LE(file.largest, kLogLimit);
    ASSERT_TRUE(file.content.starts_with(kBanner + std::string(kDroppedLine)));
    const std::string kept = file.content.substr(kBanner.size() + kDroppedLine.size());
    EXPECT_TRUE(consecutiveLines(kept, n));
    EXPECT_GE(file.content.size(), kLogKept - 1024);
}

TEST(BoundedLog, OutputThatStaysWithinTheBoundIsAppendedAsItIs) {
    MemoryLog file;
    file.content = kBanner;
    BoundedLog log(file, kBanner.size());
    const std::string most(kLogLimit - kBanner.size() - 4, 'x');
    ASSERT_TRUE(log.write(most).has_value());
    ASSERT_TRUE(log.write("abc\n").has_value());
    EXPECT_EQ(file.content, kBanner + most + "abc\n");
}

TEST(OutputBacklog, DropsItsOldestLinesPastTheLimitAndTheLogSaysSo) {
    OutputBacklog backlog;
    EXPECT_TRUE(backlog.empty());
    std::string output;
    int n = 0;
    while (output.size() <= kLogLimit) {
        output += numberedLine(++n);
    }
    backlog.add(output.substr(0, 1000));
    backlog.add(output.substr(1000));
    OutputBacklog::Taken taken = backlog.take();
    EXPECT_TRUE(backlog.empty());
    ASSERT_TRUE(taken.dropped);
    EXPECT_LE(taken.output.size(), kLogKept);
    EXPECT_TRUE(consecutiveLines(taken.output, n));

    MemoryLog file;
    file.content = kBanner + "older output\n";
    BoundedLog log(file, kBanner.size());
    ASSERT_TRUE(log.restart(taken.output).has_value());
    EXPECT_EQ(file.content, kBanner + std::string(kDroppedLine) + taken.output);
    // More arrived after the drop than fits.
    ASSERT_TRUE(log.restart(output).has_value());
    EXPECT_LE(file.content.size(), kLogLimit);
    ASSERT_TRUE(file.content.starts_with(kBanner + std::string(kDroppedLine)));
    EXPECT_TRUE(consecutiveLines(file.content.substr(kBanner.size() + kDroppedLine.size()), n));
}

}  // namespace
}  // namespace korvane::runtime
