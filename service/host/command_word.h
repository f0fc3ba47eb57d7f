#pragma once
// The one command-line word that selects what korvane_service.exe does.

#include <optional>
#include <string_view>

namespace korvane::service {

enum class CommandWord {
    Run,          // run as the service under the Service Control Manager
    Install,      // register or update the service, then start it
    Uninstall,    // stop and delete the service
    Status,       // print the service's state, the endpoint's health and the logs
    Version,      // print the program's name and version
    Diagnostics,  // write the file for support and print its path
    Console,      // no recognised word: the endpoint in the foreground
};

// Only the first argument after the program name counts, compared exactly and
// case-sensitively; further arguments are ignored, except the one path that
// diagnostics takes. "version" and "--version" both select Version.
CommandWord selectCommandWord(int argc, const wchar_t* const* argv);

// The argument after the word (diagnostics' path), if there is one.
std::optional<std::wstring_view> argumentAfterWord(int argc, const wchar_t* const* argv);

CommandWord commandWordFor(std::wstring_view firstArgument);

}  // namespace korvane::service
