#pragma once
// Processes that the tests watch: their command lines, their end, whether
// they still run.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace korvane::test {

// The arguments that a started program reads back from `commandLine`, as
// CommandLineToArgvW splits it (argv[0] included).
std::vector<std::wstring> parseCommandLine(const std::wstring& commandLine);

// Whether the process ended within `limit`.
bool waitForExit(HANDLE process, std::chrono::milliseconds limit);

// Whether the process with that id is still alive (false when it is gone).
bool processAlive(DWORD id);

// Ends a process that a test left running on purpose.
void terminateById(DWORD id);

// Ids of the running processes whose image is that file.
std::vector<DWORD> processesRunning(const std::filesystem::path& image);

// A program of the system folder, such as sc.exe.
std::filesystem::path systemTool(const wchar_t* fileName);

bool runningUnderWine();

// Polls until nothing else holds the file open (it opens with no sharing);
// false after `limit`. N.B. Under Wine an exited child may hold its inherited
// handles a moment after its end is signalled.
bool waitUntilUnshared(const std::filesystem::path& file, std::chrono::milliseconds limit);

}  // namespace korvane::test
