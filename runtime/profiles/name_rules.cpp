#include "runtime/profiles/name_rules.h"

#include "common/text.h"
#include "runtime/profiles/windows_path.h"

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
    const std::optional<std::wstring> extension = fileExtension(name);
    if (!extension || !equalsIgnoringAsciiCase(pathText(*extension), "exe")) {
        return false;
    }
    // Unpaired surrogates become U+FFFD, which no ASCII comparison matches.
    const std::string text = pathText(name);
    return !text.starts_with("unins") && !equalsIgnoringAsciiCase(text, "update.exe") &&
           !equalsIgnoringAsciiCase(text, "updater.exe");
}

}  // namespace korvane::runtime
