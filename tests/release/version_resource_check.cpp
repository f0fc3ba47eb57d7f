// version_resource_check <program.exe> <expected version>: reads the program's
// version resource through GetFileVersionInfoW and its manifest resource, as
// Windows does, and says what differs from the expected version. Exit 0 when
// nothing does.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;

void expectEqual(const wchar_t* what, const std::wstring& actual, const std::wstring& expected) {
    if (actual != expected) {
        std::fwprintf(stderr, L"%ls: \"%ls\", expected \"%ls\"\n", what, actual.c_str(),
                      expected.c_str());
        ++failures;
    }
}

std::wstring stringValue(const std::vector<BYTE>& block, const wchar_t* name) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) {
        return L"(missing)";
    }
    return std::wstring(value, length > 0 ? length - 1 : 0);
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: version_resource_check <program.exe> <version>\n");
        return 2;
    }
    const std::wstring program = argv[1];
    const std::wstring version = argv[2];
    const std::wstring fileName = program.substr(program.find_last_of(L"\\/") + 1);

    const DWORD size = ::GetFileVersionInfoSizeW(program.c_str(), nullptr);
    std::vector<BYTE> block(size);
    if (size == 0 || !::GetFileVersionInfoW(program.c_str(), 0, size, block.data())) {
        std::fwprintf(stderr, L"%ls: no version resource\n", program.c_str());
        return 1;
    }
    expectEqual(L"FileVersion", stringValue(block, L"FileVersion"), version);
    expectEqual(L"ProductVersion", stringValue(block, L"ProductVersion"), version);
    expectEqual(L"ProductName", stringValue(block, L"ProductName"), L"Korvane VPN");
    expectEqual(L"OriginalFilename", stringValue(block, L"OriginalFilename"), fileName);

    // The numeric version is the text's leading major.minor.patch, then 0.
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    unsigned major = 0, minor = 0, patch = 0;
    std::swscanf(version.c_str(), L"%u.%u.%u", &major, &minor, &patch);
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
        expectEqual(L"fixed file information", L"(missing)", L"present");
    } else {
        expectEqual(L"numeric FileVersion",
                    std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                        std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                        std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
                        std::to_wstring(LOWORD(fixed->dwFileVersionLS)),
                    std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." +
                        std::to_wstring(patch) + L".0");
    }

    const HMODULE image = ::LoadLibraryExW(
        program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    const HRSRC manifest =
        image ? ::FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr;
    const HGLOBAL loaded = manifest ? ::LoadResource(image, manifest) : nullptr;
    const std::string text = loaded ? std::string(static_cast<const char*>(::LockResource(loaded)),
                                                  ::SizeofResource(image, manifest))
                                    : std::string();
    for (const char* needle : {"level=\"asInvoker\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                               ">true</longPathAware>"}) {
        if (text.find(needle) == std::string::npos) {
            std::fprintf(stderr, "manifest: no %s\n", needle);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
