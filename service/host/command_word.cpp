#include "service/host/command_word.h"

namespace korvane::service {

CommandWord commandWordFor(std::wstring_view firstArgument) {
    if (firstArgument == L"run") {
        return CommandWord::Run;
    }
    if (firstArgument == L"install") {
        return CommandWord::Install;
    }
    if (firstArgument == L"uninstall") {
        return CommandWord::Uninstall;
    }
    if (firstArgument == L"status") {
        return CommandWord::Status;
    }
    if (firstArgument == L"version" || firstArgument == L"--version") {
        return CommandWord::Version;
    }
    if (firstArgument == L"diagnostics") {
        return CommandWord::Diagnostics;
    }
    return CommandWord::Console;
}

CommandWord selectCommandWord(int argc, const wchar_t* const* argv) {
    if (argc < 2 || argv == nullptr || argv[1] == nullptr) {
        return CommandWord::Console;
    }
    return commandWordFor(argv[1]);
}

std::optional<std::wstring_view> argumentAfterWord(int argc, const wchar_t* const* argv) {
    if (argc < 3 || argv == nullptr || argv[2] == nullptr) {
        return std::nullopt;
    }
    return argv[2];
}

}  // namespace korvane::service
