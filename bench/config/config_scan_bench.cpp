// Builds the sing-box configuration for five applications whose resources\app
// trees hold 25,000 entries in all, and walks the same trees with nothing but
// FindFirstFileExW, in the same run; prints both times and their ratio.
//
// Usage: config_scan_bench [rounds]   (default 15; the median of each is used)

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/wide.h"
#include "runtime/process/runtime_layout.h"
#include "runtime/singbox/config_builder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPackagesPerApp = 200;
constexpr int kFilesPerLib = 20;  // 200 * (folder + 3 files + lib + 20 files) = 5,000 per app

struct App {
    const wchar_t* folder;
    const wchar_t* exe;
    const char* name;
};

constexpr App kApps[] = {
    {L"Discord\\app-1.0.9", L"Discord.exe", "Discord"},
    {L"Telegram Desktop", L"Telegram.exe", "Telegram"},
    {L"Signal", L"Signal.exe", "Signal"},
    {L"Spotify", L"Spotify.exe", "Spotify"},
    {L"WhatsApp", L"WhatsApp.exe", "WhatsApp"},
};

void touch(const fs::path& path) {
    std::ofstream(path, std::ios::binary) << "x";
}

// Lays out the five applications; returns the number of entries below their
// resources\app folders.
long layOut(const fs::path& root) {
    long entries = 0;
    for (const App& app : kApps) {
        const fs::path folder = root / app.folder;
        fs::create_directories(folder);
        touch(folder / app.exe);
        touch(folder / L"helper.exe");
        touch(folder / L"Update.exe");
        const fs::path modules = folder / L"resources" / L"app" / L"node_modules";
        for (int p = 0; p < kPackagesPerApp; ++p) {
            const fs::path package = modules / (L"package-" + std::to_wstring(p));
            fs::create_directories(package / L"lib");
            for (const wchar_t* file : {L"package.json", L"index.js", L"README.md"}) {
                touch(package / file);
            }
            for (int f = 0; f < kFilesPerLib; ++f) {
                const wchar_t* extension = f % 10 == 0 ? L".exe" : L".js";
                touch(package / L"lib" / (L"file-" + std::to_wstring(f) + extension));
            }
            entries += 1 + 3 + 1 + kFilesPerLib;
        }
        entries += 1;  // node_modules itself
    }
    return entries;
}

// The floor: every entry listed once, folders told apart by the attributes
// that the listing returns.
long bareWalk(const std::wstring& folder) {
    long entries = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        return 0;
    }
    do {
        const std::wstring_view name(data.cFileName);
        if (name == L"." || name == L"..") {
            continue;
        }
        ++entries;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries += bareWalk(folder + L"\\" + data.cFileName);
        }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return entries;
}

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    wchar_t temp[MAX_PATH + 1];
    const fs::path root = fs::path(std::wstring(temp, ::GetTempPathW(MAX_PATH + 1, temp))) /
                          (L"korvane-config-bench-" + std::to_wstring(::GetCurrentProcessId()));
    fs::remove_all(root);
    const long entries = layOut(root);
    const korvane::runtime::RuntimeLayout layout(root / L"svc" / L"korvane_service.exe");

    korvane::runtime::StoredAppSettings settings;
    settings.mode = "split";
    for (const App& app : kApps) {
        settings.apps.push_back(
            {app.name, korvane::platform::narrow((root / app.folder / app.exe).native()), ""});
    }

    std::vector<double> walkTimes, buildTimes;
    long walked = 0;
    for (int round = -1; round < rounds; ++round) {  // round -1 warms the caches
        const Clock::time_point walkStart = Clock::now();
        walked = 0;
        for (const App& app : kApps) {
            walked += bareWalk((root / app.folder / L"resources" / L"app").native());
        }
        const Clock::time_point buildStart = Clock::now();
        const auto built = korvane::runtime::buildSingBoxConfig(layout, settings, "1.2.3.4");
        const Clock::time_point end = Clock::now();
        if (!built) {
            std::fprintf(stderr, "build failed: %s\n", built.error().c_str());
            return 1;
        }
        if (round >= 0) {
            walkTimes.push_back(milliseconds(buildStart - walkStart));
            buildTimes.push_back(milliseconds(end - buildStart));
        }
    }
    fs::remove_all(root);

    const double walk = median(walkTimes), build = median(buildTimes);
    std::printf("entries below resources\\app: %ld laid out, %ld walked\n", entries, walked);
    std::printf("bare FindFirstFileExW walk: %.1f ms (median of %d)\n", walk, rounds);
    std::printf("buildSingBoxConfig:         %.1f ms (median of %d)\n", build, rounds);
    std::printf("ratio: %.2fx\n", build / walk);
    return 0;
}
