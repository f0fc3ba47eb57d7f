#pragma once
// Whether someone other than the system's own accounts could replace what the
// service runs or writes as SYSTEM: its install root, its runtime folder, its
// executable, its data folder or the programs it starts being writable by
// ordinary users makes every one of them SYSTEM.

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
// administrators can change, such as Program Files": one line for each of
// `paths` (outermost first) that someone else can change, in that order;
// nothing for a path whose descriptor cannot be read (one not there yet).
std::vector<std::string> installFolderWarnings(const std::vector<std::filesystem::path>& paths,
                                               const DescriptorReader& read = readFileDescriptor);

// What install and status check for `executable` (the registered service
// program): the install root (the folder whose "data" folder the
// service uses), the folder of its programs (the runtime folder that holds the
// executable, or the one beside an executable in the root itself), the
// executable, the data folder, and for naive.exe and then sing-box.exe as the
// program lookup finds them today, the folder that holds it and the program.
std::vector<std::filesystem::path> installPaths(const std::filesystem::path& executable);

}  // namespace korvane::service
