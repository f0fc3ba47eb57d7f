#pragma once
// The child processes of one parent, as a test samples them.

#include <windows.h>

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/handles.h"

namespace korvane::test {

// Every child process of one parent that sample() has seen, held open so
// that its end can be awaited even after it has left the process list.
class ChildRecord {
  public:
    explicit ChildRecord(DWORD parent) : parent_(parent) {}
    void sample();
    std::size_t seen() const { return children_.size(); }
    bool hasSeen(std::wstring_view image) const;
    // Image name and exit code of each child, after waiting at most `limit`
    // for all of them (STILL_ACTIVE for one that still runs).
    std::vector<std::pair<std::wstring, DWORD>> exitCodes(std::chrono::milliseconds limit) const;

  private:
    struct Child {
        DWORD id = 0;
        std::wstring image;
        platform::UniqueProcess process;
    };
    DWORD parent_;
    std::vector<Child> children_;
};

}  // namespace korvane::test
