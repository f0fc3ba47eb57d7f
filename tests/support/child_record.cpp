#include "tests/support/child_record.h"

#include <tlhelp32.h>

#include <algorithm>

#include "tests/support/processes.h"

namespace korvane::test {

using Clock = std::chrono::steady_clock;

void ChildRecord::sample() {
    const platform::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        const bool known = std::any_of(children_.begin(), children_.end(),
                                       [&](const Child& c) { return c.id == entry.th32ProcessID; });
        if (entry.th32ParentProcessID != parent_ || known) {
            continue;
        }
        platform::UniqueProcess process(::OpenProcess(
            SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (process) {
            children_.push_back({entry.th32ProcessID, entry.szExeFile, std::move(process)});
        }
    }
}

bool ChildRecord::hasSeen(std::wstring_view image) const {
    return std::any_of(children_.begin(), children_.end(),
                       [&](const Child& child) { return child.image == image; });
}

std::vector<std::pair<std::wstring, DWORD>> ChildRecord::exitCodes(
    std::chrono::milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    std::vector<std::pair<std::wstring, DWORD>> codes;
    for (const Child& child : children_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::max(Clock::duration::zero(), deadline - Clock::now()));
        waitForExit(child.process.get(), left);
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(child.process.get(), &code);
        codes.emplace_back(child.image, code);
    }
    return codes;
}

}  // namespace korvane::test
