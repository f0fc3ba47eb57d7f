#include "runtime/profiles/environment_references.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace korvane::runtime {

EnvironmentVariables parseEnvironmentBlock(const wchar_t* block) {
    EnvironmentVariables variables;
    if (block == nullptr) {
        return variables;
    }
    for (std::wstring_view entry(block); !entry.empty(); entry = std::wstring_view(block)) {
        block += entry.size() + 1;
        const std::size_t equals = entry.find(L'=', 1);
        if (equals != std::wstring_view::npos) {
            variables.emplace_back(entry.substr(0, equals), entry.substr(equals + 1));
        }
    }
    return variables;
}

std::wstring expandEnvironmentReferences(std::wstring path, const EnvironmentVariables& variables) {
    constexpr std::size_t kLongestPath = 32767;
    for (const auto& [name, value] : variables) {
        const std::wstring reference = L"%" + name + L"%";
        std::vector<std::size_t> positions;
        for (std::size_t at = path.find(reference); at != std::wstring::npos;
             at = path.find(reference, at + reference.size())) {
            positions.push_back(at);
        }
        const std::size_t expandedSize =
            path.size() - positions.size() * reference.size() + positions.size() * value.size();
        if (positions.empty() || expandedSize > std::max(kLongestPath, path.size())) {
            continue;
        }
        std::wstring expanded;
        expanded.reserve(expandedSize);
        std::size_t from = 0;
        for (std::size_t at : positions) {
            expanded.append(path, from, at - from).append(value);
            from = at + reference.size();
        }
        path = expanded.append(path, from, std::wstring::npos);
    }
    return path;
}

}  // namespace korvane::runtime
