#pragma once
// Files that hold the user's secrets. The data directory lies under the
// install folder, which every local user can read, so such a file gets a
// protected DACL: SYSTEM, Administrators and the file's owner only.

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "common/result.h"
#include "platform/handles.h"

namespace korvane::runtime {

// Allocated by the security functions with LocalAlloc.
using SecurityDescriptor = platform::UniqueLocalMemory<PSECURITY_DESCRIPTOR>;

// "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;OW)": full access for SYSTEM, the
// Administrators group and the owner, nothing inherited.
inline constexpr const wchar_t* kPrivateFileSddl = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;OW)";

Result<SecurityDescriptor> privateFileDescriptor();

// The DACL part of a descriptor in SDDL, for checks and tests.
std::string daclText(PSECURITY_DESCRIPTOR descriptor);

// Sets the descriptor's DACL on an open file, protected from inheritance;
// returns the system error code (0 on success).
using DaclApplier = std::function<DWORD(HANDLE file, PSECURITY_DESCRIPTOR descriptor)>;
DWORD applyDacl(HANDLE file, PSECURITY_DESCRIPTOR descriptor);

// Replaces the file in one step (replaceFile) with one that is born with the
// private DACL and holds `content`. Failure: the system's error text. The applier is a seam for
// tests, which cannot see DACLs under Wine.
Status writePrivateFile(const std::filesystem::path& path, std::string_view content,
                        const DaclApplier& apply = applyDacl);

}  // namespace korvane::runtime
