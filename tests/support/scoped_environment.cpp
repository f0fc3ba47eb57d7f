#include "tests/support/scoped_environment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/wide.h"

namespace korvane::test {

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
    // 32767 characters is the longest value a variable can have.
    std::wstring buffer(32767, L'\0');
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length =
        ::GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    // An empty value also reads as 0 characters, but leaves no error.
    if (length < buffer.size() && (length > 0 || ::GetLastError() != ERROR_ENVVAR_NOT_FOUND)) {
        buffer.resize(length);
        previous_ = std::move(buffer);
    }
    EXPECT_TRUE(::SetEnvironmentVariableW(name, value.c_str()))
        << "cannot set " << platform::narrow(name_);
}

ScopedEnvironment::~ScopedEnvironment() {
    ::SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

}  // namespace korvane::test
