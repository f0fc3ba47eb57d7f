#pragma once
// A folder tree under the temporary folder for one test, removed afterwards.

#include <string>
#include <string_view>

namespace korvane::runtime::testing {

class FolderTree {
  public:
    FolderTree();
    ~FolderTree();
    FolderTree(const FolderTree&) = delete;
    FolderTree& operator=(const FolderTree&) = delete;

    // The tree's root, without a trailing separator.
    const std::wstring& root() const { return root_; }

    // root\relative
    std::wstring path(std::wstring_view relative) const;

    // Creates the folder root\relative with its parents.
    std::wstring folder(std::wstring_view relative) const;

    // Creates an empty file root\relative with its parent folders.
    std::wstring file(std::wstring_view relative) const;

  private:
    std::wstring root_;
};

}  // namespace korvane::runtime::testing
