#pragma once
// Whether the process that called the endpoint may drive the service: only
// programs installed with it may, and not the programs the service itself
// runs. Portable, so that the rule is tested natively and fuzzed;
// caller_lookup gathers what it decides on.
//
// Every path here is in the system's native form, as
// QueryFullProcessImageNameW gives it with PROCESS_NAME_NATIVE:
// \Device\HarddiskVolume3\Program Files\Korvane\Korvane.exe. A caller's image
// is compared as text and never opened.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::service {

enum class CallerVerdict {
    Trusted,  // every owner runs from a trusted place
    Refused,  // an owner runs from elsewhere
    Unknown,  // no owner but the service itself, or an owner's image could not be read
};

// One owner of the client's end of the connection.
struct CallerImage {
    std::uint32_t pid = 0;
    // The native path of its executable image; nothing when the process is
    // gone or could not be queried.
    std::optional<std::wstring> image;
};

// Where trusted callers run from, each in native form, taken by the service
// from its own files.
struct TrustedPlaces {
    std::wstring installRoot;  // empty when unknown: nothing is trusted then
    // The folders holding the naive.exe and sing-box.exe that the service
    // runs: a program there could relay anyone's requests.
    std::vector<std::wstring> programFolders;
    std::wstring serviceImage;  // the service's own executable
};

// `path` names something below `folder`, compared ignoring ASCII case only (a
// wider folding would let a look-alike folder such as one spelt with the
// Kelvin sign pass for the install root, while the file system tells the two
// apart). "/" counts as "\"; the \\?\ and \\?\UNC\ forms count as their plain
// ones; C:\X2\app.exe is not below C:\X, and a path holding "." or ".."
// components is below nothing.
bool isInsideFolder(std::wstring_view path, std::wstring_view folder);

// The same path by the rules of isInsideFolder.
bool isSamePath(std::wstring_view path, std::wstring_view other);

// A native path on a local volume: \Device\HarddiskVolume<number>\...; not a
// redirector's (\Device\Mup\..., \Device\WebDavRedirector\...) or any other
// device's.
bool isOnLocalVolume(std::wstring_view nativePath);

// On a local volume, inside the install root, outside every program folder,
// and not the service's own executable.
bool isTrustedImage(std::wstring_view nativeImage, const TrustedPlaces& places);

struct CallerDecision {
    CallerVerdict verdict = CallerVerdict::Unknown;
    // The owner the verdict rests on: the first refused one, else the first
    // whose image is unknown, else the first one; nothing when no owner but
    // the service (pid `servicePid`) was found.
    std::optional<CallerImage> owner;
};

// Refused as soon as one owner other than the service has a known image that
// is not trusted; Unknown when there is no other owner, or an image is unknown
// and nothing refused; Trusted otherwise. The service's own pid vouches for
// nothing: a connection owned only by it counts as unknown.
CallerDecision decideCaller(std::span<const CallerImage> owners, std::uint32_t servicePid,
                            const TrustedPlaces& places);

}  // namespace korvane::service
