#pragma once
// Whether someone other than the system's own accounts could replace what the
// service runs as SYSTEM: its install root, its runtime folder or its
// executable being writable by ordinary users makes every one of them SYSTEM.

#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/result.h"
#include "platform/handles.h"

namespace korvane::service {

using SecurityDescriptor = platform::UniqueLocalMemory<PSECURITY_DESCRIPTOR>;

// The principals, as "DOMAIN\name" (or the SID text where the name is not
// known), whom the descriptor's DACL allows to write, append, delete, change
// permissions or take ownership: everyone but SYSTEM, Administrators,
// TrustedInstaller and an inherit-only CREATOR OWNER entry. Inherit-only
// entries of other principals count, since they reach what the folder holds.
// A missing or null DACL lets everyone in. Each principal once, in ACE order.
std::vector<std::string> principalsThatCanReplace(PSECURITY_DESCRIPTOR descriptor);

// Reads the DACL of a file or folder (a seam: Wine keeps no file DACLs).
using DescriptorReader = std::function<Result<SecurityDescriptor>(const std::filesystem::path&)>;
Result<SecurityDescriptor> readFileDescriptor(const std::filesystem::path& path);

// "Warning: <path> is writable by <principals>; install into a folder only
// administrators can change, such as Program Files" for the first of `paths`
// (outermost first) that someone else can change; nothing when none can, or
// when a descriptor cannot be read.
std::optional<std::string> installFolderWarning(const std::vector<std::filesystem::path>& paths,
                                                const DescriptorReader& read = readFileDescriptor);

// What install checks for `executable` (the registered service program):
// the install root (the folder whose "data" folder the service uses), the
// folder of its programs (the runtime folder that holds the executable, or
// the one beside an executable in the root itself) and the executable.
std::vector<std::filesystem::path> installPaths(const std::filesystem::path& executable);

}  // namespace korvane::service
