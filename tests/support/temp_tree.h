#pragma once
// A fresh folder under the temp folder for one test, removed with everything
// in it when the test ends.

#include <filesystem>
#include <string>
#include <string_view>

namespace korvane::test {

class TempTree {
  public:
    // The folder is named `prefix`, the process id and a counter; a prefix
    // with a space gives a path that needs quoting on a command line.
    explicit TempTree(std::wstring_view prefix = L"korvane-");
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;
    ~TempTree();

    // Absolute, without a trailing separator.
    const std::filesystem::path& root() const { return root_; }

    // root\relative, created or not.
    std::filesystem::path path(const std::filesystem::path& relative) const;

    // Creates the file (and its folders) with the given content; a file that
    // cannot be written fails the test.
    std::filesystem::path file(const std::filesystem::path& relative,
                               std::string_view content = {}) const;

    // Creates the folder with its parents.
    std::filesystem::path folder(const std::filesystem::path& relative) const;

  private:
    std::filesystem::path root_;
};

}  // namespace korvane::test
