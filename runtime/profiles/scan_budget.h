#pragma once
// The bound on what one derivation of the application lists may read. The
// folders come from the client, and the service reads them as SYSTEM on the
// endpoint's thread: without a bound, a request naming a huge tree (or one
// tree many times) would hold the endpoint and make the service build paths
// and a tun.json of gigabytes. Portable: plain counting.

#include <cstddef>
#include <optional>
#include <string>

namespace korvane::runtime {

struct ScanLimits {
    std::size_t folderEntries = 100'000;  // entries of every folder listed
    std::size_t executablePaths = 10'000;
};

class ScanBudget {
  public:
    explicit ScanBudget(ScanLimits limits = {}) : limits_(limits) {}

    // Count one more of each; false once its count passes its limit, and from
    // the first cap passed on, for every call.
    bool spendFolderEntry();
    bool spendExecutablePath();

    bool exhausted() const { return passedLimit_.has_value(); }

    // "Too many files in the application folders to route (limit N)." with the
    // limit that was passed first; meaningful once exhausted.
    std::string failure() const;

  private:
    bool spend(std::size_t& count, std::size_t limit);

    ScanLimits limits_;
    std::size_t folderEntries_ = 0;
    std::size_t executablePaths_ = 0;
    std::optional<std::size_t> passedLimit_;
};

}  // namespace korvane::runtime
