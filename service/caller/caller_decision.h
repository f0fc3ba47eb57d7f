#pragma once
// Whether the process that called the endpoint may drive the service: only
// programs installed with it may. Portable, so that the rule is tested
// natively and fuzzed; caller_lookup gathers what it decides on.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvane::service {

enum class CallerVerdict {
    Trusted,  // every owner found is the service itself or runs from the install root
    Refused,  // an owner runs from elsewhere
    Unknown,  // no owner could be determined, or an owner's image could not be read
};

// One owner of the client's end of the connection.
struct CallerImage {
    std::uint32_t pid = 0;
    // The final path of its executable image (as GetFinalPathNameByHandleW
    // gives it); nothing when the process is gone or could not be queried.
    std::optional<std::wstring> finalImagePath;
};

// `path` names something below `folder`: both final paths, compared ignoring
// ASCII case only (a wider folding would let a look-alike folder such as one
// spelt with the Kelvin sign pass for the install root, while the file system
// tells the two apart). The \\?\ and \\?\UNC\ forms count as their plain ones;
// C:\X2\app.exe is not below C:\X, and a path holding "." or ".." components
// (never a final path) is below nothing.
bool isInsideFolder(std::wstring_view path, std::wstring_view folder);

// Refused as soon as one owner with a known image outside `installRoot` is
// found (pid `servicePid` is always trusted); Unknown when there is no owner or
// an image is unknown and nothing refused; Trusted otherwise.
CallerVerdict decideCaller(std::span<const CallerImage> owners, std::uint32_t servicePid,
                           std::wstring_view installRoot);

}  // namespace korvane::service
