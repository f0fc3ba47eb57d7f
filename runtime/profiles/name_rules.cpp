#include "runtime/profiles/name_rules.h"

#include "common/text.h"

namespace korvane::runtime {
namespace {

constexpr std::string_view kRegexSpecials = "\\.+*?()|[]{}^$";

}  // namespace

std::string escapeRegex(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) {
        if (kRegexSpecials.find(c) != std::string_view::npos) {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    return out;
}

std::vector<std::string> directoryRegexes(std::string_view folder) {
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        folder.remove_suffix(1);
    }
    std::vector<std::string> regexes{"^" + escapeRegex(folder) + "\\\\.*$"};
    if (folder.find('\\') != std::string_view::npos) {
        std::string slashed(folder);
        for (char& c : slashed) {
            c = c == '\\' ? '/' : c;
        }
        regexes.push_back("^" + escapeRegex(slashed) + "/.*$");
    }
    return regexes;
}

bool isCandidateExecutableName(std::wstring_view name) {
    // Called for every file of the scanned trees: no allocation here. Unpaired
    // surrogates equal no ASCII letter, so they fail none of the name tests.
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos || dot == 0 ||
        !equalsIgnoringAsciiCase(name.substr(dot + 1), L"exe")) {
        return false;
    }
    return !name.starts_with(L"unins") && !equalsIgnoringAsciiCase(name, L"update.exe") &&
           !equalsIgnoringAsciiCase(name, L"updater.exe");
}

}  // namespace korvane::runtime
