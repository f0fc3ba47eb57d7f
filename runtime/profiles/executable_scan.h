#pragma once
// Finding an application's executables on disk. Links (junctions, symbolic
// links) are followed. Nothing here fails: what cannot be read is skipped.

#include <string>
#include <vector>

namespace korvane::runtime {

// The file system reports metadata for `path`, links followed: it exists and
// can be reached.
bool hasMetadata(const std::wstring& path);

// `path` names a regular file (links followed) whose name passes
// isCandidateExecutableName.
bool isCandidateExecutable(const std::wstring& path);

// The candidate executables directly in `folder`, each as `folder` joined with
// its name; nothing when the folder cannot be listed.
std::vector<std::wstring> candidateExecutablesIn(const std::wstring& folder);

// The candidate executables anywhere below `folder`. Each folder, identified
// by volume serial number and file index, is entered at most once, so a link
// that leads back to an ancestor ends the descent instead of looping.
std::vector<std::wstring> scanExecutablesRecursively(const std::wstring& folder);

}  // namespace korvane::runtime
