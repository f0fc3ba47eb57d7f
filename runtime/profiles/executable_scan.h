#pragma once
// Finding an application's executables on disk. Links (junctions, symbolic
// links) are followed. Nothing here fails but the budget: what cannot be read
// is skipped.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/result.h"
#include "runtime/profiles/file_identity.h"
#include "runtime/profiles/scan_budget.h"

namespace korvane::runtime {

// The file system reports metadata for `path`, links followed: it exists and
// can be reached.
bool hasMetadata(const std::wstring& path);

// `path` names a regular file (links followed) whose name passes
// isCandidateExecutableName.
bool isCandidateExecutable(const std::wstring& path);

// The folder reads of one derivation. Folders are known by identity (volume
// serial number and file id), so that any number of spellings of one folder
// (".." steps, case, slashes, "\\?\", a trailing dot) cost one read, and each
// executable is reported under the first path that reached it. Every entry
// listed and every executable reported counts against one budget; past a
// limit the scan reads nothing more and fails.
class ExecutableScan {
  public:
    explicit ExecutableScan(ScanLimits limits = {});

    // The candidate executables directly in `folder`, each as `folder` joined
    // with its name; nothing when the folder cannot be listed. A folder listed
    // before under another path gives that listing.
    const std::vector<std::wstring>& executablesIn(const std::wstring& folder);

    // The candidate executables anywhere below `folder`, in folders that this
    // scan has not entered before: a link that leads back to an ancestor ends
    // the descent instead of looping, and a tree reached again gives nothing.
    std::vector<std::wstring> executablesBelow(const std::wstring& folder);

    // The budget's failure once a limit was passed.
    Status status() const;

  private:
    template <typename Visit>
    void forEachEntry(const std::wstring& folder, Visit visit);
    bool report(std::vector<std::wstring>& found, std::wstring path);

    ScanBudget budget_;
    std::set<FileIdentity> entered_;
    std::map<FileIdentity, std::vector<std::wstring>> listed_;
};

}  // namespace korvane::runtime
