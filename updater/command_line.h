#pragma once
// The updater's command line: four flags, each followed by its value. Paths
// stay in the platform's wide text so that any file name survives unchanged.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/result.h"

namespace korvane::updater {

// What the command line set; an option is empty when it was not given, when
// its flag was the last argument, or (pid) when its value is not a number.
struct UpdaterOptions {
    std::optional<std::uint32_t> pid;
    std::optional<std::wstring> source;
    std::optional<std::wstring> target;
    std::optional<std::wstring> launch;
};

// Every option present.
struct UpdateRequest {
    std::uint32_t pid = 0;
    std::wstring source;
    std::wstring target;
    std::wstring launch;
};

// An unsigned 32-bit decimal number: an optional "+", then ASCII digits only.
std::optional<std::uint32_t> parsePid(std::wstring_view text);

// `arguments` excludes the program's own name. "--pid", "--source", "--target"
// and "--launch" (matched exactly) take the next argument whatever it looks
// like; a later occurrence replaces an earlier one; anything else is skipped.
UpdaterOptions parseUpdaterArguments(std::span<const std::wstring> arguments);

// Whether the command line is "--version" and nothing else; with other
// arguments the flag is skipped like any unknown one.
bool asksForVersion(std::span<const std::wstring> arguments);

// The first missing option in the order pid, source, target, launch gives
// "Missing updater <name> argument".
Result<UpdateRequest> requireUpdaterOptions(const UpdaterOptions& options);

}  // namespace korvane::updater
