#pragma once
// An environment variable of the test process (inherited by the children it
// starts) set for the lifetime of the object; the previous state comes back
// after.

#include <optional>
#include <string>

namespace korvane::test {

class ScopedEnvironment {
  public:
    // A variable that cannot be set fails the test.
    ScopedEnvironment(const wchar_t* name, const std::wstring& value);
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

  private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

}  // namespace korvane::test
