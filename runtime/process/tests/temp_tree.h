#pragma once
// A fresh folder under the temp folder, removed with everything in it when
// the test ends.

#include <filesystem>
#include <string_view>

namespace korvane::test {

class TempTree {
  public:
    TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;
    ~TempTree();

    const std::filesystem::path& root() const { return root_; }

    // Creates the file (and its folders) with the given content.
    std::filesystem::path file(const std::filesystem::path& relative,
                               std::string_view content = {});
    std::filesystem::path folder(const std::filesystem::path& relative);

  private:
    std::filesystem::path root_;
};

}  // namespace korvane::test
