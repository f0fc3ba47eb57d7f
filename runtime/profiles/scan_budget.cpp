#include "runtime/profiles/scan_budget.h"

namespace korvane::runtime {

bool ScanBudget::spendFolderEntry() {
    return spend(folderEntries_, limits_.folderEntries);
}

bool ScanBudget::spendExecutablePath() {
    return spend(executablePaths_, limits_.executablePaths);
}

bool ScanBudget::spend(std::size_t& count, std::size_t limit) {
    if (exhausted()) {
        return false;
    }
    if (count == limit) {
        passedLimit_ = limit;
        return false;
    }
    ++count;
    return true;
}

std::string ScanBudget::failure() const {
    return "Too many files in the application folders to route (limit " +
           std::to_string(passedLimit_.value_or(0)) + ").";
}

}  // namespace korvane::runtime
