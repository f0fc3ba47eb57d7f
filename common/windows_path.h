#pragma once
// Windows path rules on plain wide text, portable so that they can be tested
// natively and fuzzed: separators, volume roots (C:, \\server\share,
// \\?\C:, \\?\UNC\server\share, \\.\...), joining, and the parent, file
// name, stem and extension of a path. Repeated separators and "." components
// are ignored and a trailing separator does not count, so the file name of
// C:\Apps\Tool\ is Tool and its parent is C:\Apps. Names are compared with
// equalsIgnoringAsciiCase (common/text.h).

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// "\" or "/".
bool isPathSeparator(wchar_t c);

// `path` without the separators at its end.
std::wstring_view withoutTrailingSeparators(std::wstring_view path);

// The volume that `path` lies on, as its beginning without a separator after
// it: "C:", "\\server\share", "\\?\C:", "\\?\UNC\server\share",
// "\\.\pipe"; empty for a relative path or one rooted without a drive.
std::wstring_view volumeRoot(std::wstring_view path);

// A drive letter with a root separator, or a UNC, verbatim or device prefix.
bool isAbsolutePath(std::wstring_view path);

// A drive letter with a root separator (C:\...), or its verbatim form
// \\?\C:\...: a path on a local volume rather than a share, pipe or device.
bool isDrivePath(std::wstring_view path);

// `relative` appended to `base`: an absolute or prefixed `relative` replaces
// `base`; one that begins with a separator keeps only the prefix of `base`
// (its drive); otherwise a separator is put between the two when needed.
std::wstring joinPath(std::wstring_view base, std::wstring_view relative);

// The path without its last component; nothing when the path ends in its
// root or prefix, or is empty.
std::optional<std::wstring> parentPath(std::wstring_view path);

// The last component, when it is a name (not a root, prefix or "..").
std::optional<std::wstring> fileName(std::wstring_view path);

// Whether the last component is the name `name`, ignoring ASCII case.
bool fileNameIs(std::wstring_view path, std::wstring_view name);

// Stem and extension of the file name: Telegram.exe gives Telegram and exe;
// a name without a dot, or only a leading one, has no extension.
std::optional<std::wstring> fileStem(std::wstring_view path);
std::optional<std::wstring> fileExtension(std::wstring_view path);

}  // namespace korvane
