#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>

#include "common/text.h"
#include "common/windows_path.h"
#include "platform/handles.h"
#include "platform/wide.h"
#include "runtime/process/runtime_layout.h"
#include "runtime/profiles/built_in_profiles.h"
#include "runtime/profiles/derive_application_lists.h"
#include "runtime/profiles/executable_scan.h"
#include "runtime/profiles/name_rules.h"
#include "tests/support/build_paths.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_tree.h"

namespace korvane::runtime {
namespace {

using Strings = std::set<std::string>;

std::string text(const std::wstring& path) {
    return narrow(path);
}

Strings regexesOf(std::initializer_list<std::wstring> folders) {
    Strings regexes;
    for (const std::wstring& folder : folders) {
        for (const std::string& regex : directoryRegexes(text(folder))) {
            regexes.insert(regex);
        }
    }
    return regexes;
}

class ApplicationLists : public ::testing::Test {
  protected:
    runtime::ApplicationLists derive(std::vector<StoredApplication> apps) const {
        Result<runtime::ApplicationLists> lists = deriveApplicationLists(apps, profiles_, layout_);
        EXPECT_TRUE(lists) << lists.error();
        return lists.value_or(runtime::ApplicationLists{});
    }

    test::TempTree tree_;
    const RuntimeLayout layout_{tree_.path(L"svc\\korvane_service.exe")};
    const std::vector<ApplicationRoutingProfile> profiles_ = loadBuiltInProfiles();
};

TEST_F(ApplicationLists, DiscordProfileAddsNamesFolderExecutablesResourcesTreeAndRegexes) {
    const std::wstring exe = tree_.file(L"Discord\\app-1.0.9\\Discord.exe");
    const std::wstring helper = tree_.file(L"Discord\\app-1.0.9\\helper.EXE");
    const std::wstring uninstall = tree_.file(L"Discord\\app-1.0.9\\Uninstall.exe");
    tree_.file(L"Discord\\app-1.0.9\\Update.exe");
    tree_.file(L"Discord\\app-1.0.9\\unins000.exe");
    tree_.file(L"Discord\\app-1.0.9\\readme.txt");
    tree_.file(L"Discord\\app-1.0.9\\sub\\nested.exe");  // not below resources\app
    tree_.file(L"Discord\\app-1.0.9\\resources\\outside.exe");
    const std::wstring inApp = tree_.file(L"Discord\\app-1.0.9\\resources\\app\\a.exe");
    const std::wstring deep =
        tree_.file(L"Discord\\app-1.0.9\\resources\\app\\node_modules\\x\\bin\\b.exe");
    tree_.file(L"Discord\\app-1.0.9\\resources\\app\\updater.exe");
    tree_.file(L"Discord\\Update.exe");

    const auto lists = derive({{"Discord", text(exe), ""}});

    EXPECT_EQ(lists.processPaths,
              (Strings{text(exe), text(helper), text(uninstall), text(inApp), text(deep)}));
    EXPECT_EQ(lists.processNames, (Strings{"Discord.exe", "Discord", "DiscordCanary.exe",
                                           "DiscordPTB.exe", "Update.exe", "Squirrel.exe"}));
    EXPECT_EQ(lists.pathRegexes, regexesOf({tree_.path(L"Discord\\app-1.0.9"),
                                            tree_.path(L"Discord\\app-1.0.9\\resources")}));
    EXPECT_EQ(lists.pathRegexes.size(), 4u);
}

TEST_F(ApplicationLists, YandexBrowserLeavesTheResourcesOutAndBrowserAddsNoDisplayNames) {
    const std::wstring exe = tree_.file(L"Yandex\\YandexBrowser\\Application\\browser.exe");
    const std::wstring service =
        tree_.file(L"Yandex\\YandexBrowser\\Application\\service_update.exe");
    tree_.file(L"Yandex\\YandexBrowser\\Application\\resources\\app\\x.exe");

    const auto lists = derive({{"Browser", text(exe), ""}});

    EXPECT_EQ(lists.processPaths, (Strings{text(exe), text(service)}));
    EXPECT_EQ(lists.processNames, (Strings{"browser.exe", "browser", "service_update.exe"}));
    EXPECT_EQ(lists.pathRegexes, regexesOf({tree_.path(L"Yandex\\YandexBrowser\\Application")}));
}

TEST_F(ApplicationLists, BlankPathGivesOnlyTheDisplayNames) {
    EXPECT_EQ(derive({{" Browser", " \t", ""}}).processNames, (Strings{"Browser", "Browser.exe"}));
    EXPECT_EQ(derive({{" Tool.exe ", "", ""}}).processNames, (Strings{"Tool.exe", "Tool.exe.exe"}));
    const auto nothing = derive({{"Browser", "", ""}, {" \xE3\x80\x80", "\xC2\xA0", ""}});
    EXPECT_TRUE(nothing.processPaths.empty());
    EXPECT_TRUE(nothing.processNames.empty());
    EXPECT_TRUE(nothing.pathRegexes.empty());
}

TEST_F(ApplicationLists, EnvironmentReferencesExpandWithTheirExactName) {
    const std::wstring exe = tree_.file(L"Local\\Telegram Desktop\\Telegram.exe");
    const auto lists = [&] {
        const test::ScopedEnvironment local(L"LOCALAPPDATA", tree_.path(L"Local"));
        return derive({{"Telegram", "%LOCALAPPDATA%\\Telegram Desktop\\Telegram.exe", ""},
                       {"Lower", "%localappdata%\\tool.exe", ""}});
    }();
    const std::wstring unexpanded = tree_.path(L"svc\\%localappdata%\\tool.exe");
    EXPECT_EQ(lists.processPaths, (Strings{text(exe), text(unexpanded)}));
    EXPECT_TRUE(lists.processNames.contains("Telegram.exe"));
    EXPECT_TRUE(lists.processNames.contains("tool.exe"));
    EXPECT_EQ(lists.pathRegexes, regexesOf({tree_.path(L"Local\\Telegram Desktop")}));
}

TEST_F(ApplicationLists, RelativePathsJoinTheServiceFolderOrItsDrive) {
    const std::wstring tool = tree_.file(L"svc\\tools\\a.exe");
    const std::wstring sibling = tree_.file(L"svc\\tools\\b.exe");

    const auto lists = derive({{"", "tools\\a.exe", ""}, {"", "\\elsewhere\\c.exe", ""}});

    const std::wstring drive = tree_.root().native().substr(0, 2);
    EXPECT_EQ(lists.processPaths, (Strings{text(tool), text(drive + L"\\elsewhere\\c.exe")}));
    EXPECT_FALSE(lists.processPaths.contains(text(sibling)));  // no profile matches
    EXPECT_EQ(lists.processNames, (Strings{"a.exe", "a", "c.exe", "c"}));
    EXPECT_TRUE(lists.pathRegexes.empty());
}

TEST_F(ApplicationLists, TwoApplicationsInOneFolderGiveEachFolderStringOnce) {
    const std::wstring spotify = tree_.file(L"Spotify\\Spotify.exe");
    const std::wstring helper = tree_.file(L"Spotify\\SpotifyHelper.exe");
    const std::wstring web = tree_.file(L"Spotify\\resources\\app\\web.exe");

    const auto both = derive({{"Spotify", text(spotify), ""}, {"Helper", text(helper), ""}});
    const auto one = derive({{"Spotify", text(spotify), ""}});

    EXPECT_EQ(both.processPaths, (Strings{text(spotify), text(helper), text(web)}));
    EXPECT_EQ(both.processPaths, one.processPaths);
    EXPECT_EQ(both.pathRegexes, one.pathRegexes);
    EXPECT_EQ(both.pathRegexes.size(), 4u);
}

TEST_F(ApplicationLists, FolderWrittenWithForwardSlashesKeepsItsSpelling) {
    tree_.file(L"Viber\\Viber.exe");
    tree_.file(L"Viber\\resources\\app\\node.exe");
    std::wstring slashed = tree_.path(L"Viber");
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');

    const auto lists = derive({{"Viber", text(slashed + L"/Viber.exe"), ""}});

    EXPECT_EQ(lists.processPaths,
              (Strings{text(slashed + L"/Viber.exe"), text(slashed + L"\\Viber.exe"),
                       text(slashed + L"\\resources\\app\\node.exe")}));
    // The folder itself has only the first form; its resources folder, joined
    // with a backslash, has both.
    EXPECT_EQ(lists.pathRegexes, regexesOf({slashed, slashed + L"\\resources"}));
    EXPECT_EQ(lists.pathRegexes.size(), 3u);
}

TEST_F(ApplicationLists, MissingFolderLeavesThePathAndItsNames) {
    const std::wstring missing = tree_.path(L"Signal\\Signal.exe");
    const auto lists = derive({{"Signal", text(missing), ""}});
    EXPECT_EQ(lists.processPaths, Strings{text(missing)});
    EXPECT_EQ(lists.processNames, (Strings{"Signal.exe", "Signal"}));
    EXPECT_TRUE(lists.pathRegexes.empty());
}

TEST_F(ApplicationLists, PathsOffLocalVolumesAreNeverOpened) {
    // A pipe that the client names as an application's folder: had the
    // service opened it, the pipe's owner could act as SYSTEM.
    const std::wstring pipe =
        L"\\\\.\\pipe\\korvane-profiles-" + std::to_wstring(::GetCurrentProcessId());
    const platform::UniqueFile server(::CreateNamedPipeW(
        pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 0, 0, 0, nullptr));
    ASSERT_TRUE(server);

    const auto lists = derive({{"Code", text(pipe + L"\\Code.exe"), ""}});

    EXPECT_EQ(lists.processPaths, Strings{text(pipe + L"\\Code.exe")});
    EXPECT_TRUE(lists.pathRegexes.empty());
    EXPECT_FALSE(hasMetadata(pipe));
    // Still listening: no client ever connected.
    EXPECT_FALSE(::ConnectNamedPipe(server.get(), nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PIPE_LISTENING));
}

// Discord\app-1.0.9 holds Discord.exe and 24 more executables, resources\app
// 20 and resources\app\sub 5: 50 executables in 52 folder entries (the
// folders resources and sub among them).
class OneFolderManyAliases : public ApplicationLists {
  protected:
    static constexpr ScanLimits kOneRead{52, 50};

    OneFolderManyAliases() {
        const auto add = [&](const std::wstring& folder, const wchar_t* stem, int count) {
            for (int i = 1; i <= count; ++i) {
                executables_.insert(
                    text(tree_.file(folder + L"\\" + stem + std::to_wstring(i) + L".exe")));
            }
        };
        executables_.insert(text(tree_.file(L"Discord\\app-1.0.9\\Discord.exe")));
        add(L"Discord\\app-1.0.9", L"tool", 24);
        add(L"Discord\\app-1.0.9\\resources\\app", L"a", 20);
        add(L"Discord\\app-1.0.9\\resources\\app\\sub", L"b", 5);
    }

    // 200 spellings of Discord\app-1.0.9, the plain one first: ".." steps,
    // case, "/", ".\", "\\?\", a trailing dot or space, each with its own
    // number of ".\" steps (or, for "\\?\", which takes the path verbatim,
    // its own mix of case).
    std::vector<std::wstring> aliases() const {
        const std::wstring root = tree_.root().native();
        std::vector<std::wstring> spellings;
        for (int round = 0; spellings.size() < 200; ++round) {
            std::wstring dots;
            for (int i = 0; i < round; ++i) {
                dots += L"\\.";
            }
            const std::wstring plain = root + L"\\Discord" + dots + L"\\app-1.0.9";
            std::wstring upper = plain;
            std::transform(upper.begin(), upper.end(), upper.begin(),
                           [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
            std::wstring slashed = plain;
            std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
            std::wstring mixed = L"Discord\\app-1.0.9";
            for (std::size_t i = 0, bit = 0; i < mixed.size(); ++i) {
                if (std::iswalpha(mixed[i]) && ((round >> bit++) & 1) != 0) {
                    mixed[i] =
                        static_cast<wchar_t>(std::iswupper(mixed[i]) ? std::towlower(mixed[i])
                                                                     : std::towupper(mixed[i]));
                }
            }
            for (std::wstring spelling :
                 {plain, root + L"\\Discord\\gone" + dots + L"\\..\\app-1.0.9", upper, slashed,
                  root + L"\\.\\Discord" + dots + L"\\app-1.0.9", L"\\\\?\\" + root + L"\\" + mixed,
                  plain + L".", plain + L" "}) {
                spellings.push_back(std::move(spelling));
            }
        }
        return spellings;
    }

    Result<runtime::ApplicationLists> deriveFor(const std::vector<std::wstring>& folders,
                                                ScanLimits limits) const {
        std::vector<StoredApplication> apps;
        for (const std::wstring& folder : folders) {
            apps.push_back({"Discord", text(folder + L"\\Discord.exe"), ""});
        }
        return deriveApplicationLists(apps, profiles_, layout_, limits);
    }

    Strings executables_;
};

TEST_F(OneFolderManyAliases, TwoHundredSpellingsGiveOneReadAndFiftyPaths) {
    const std::vector<std::wstring> folders = aliases();
    ASSERT_EQ(std::set<std::wstring>(folders.begin(), folders.end()).size(), 200u);
    Strings expected = executables_;
    for (const std::wstring& folder : folders) {
        ASSERT_TRUE(hasMetadata(folder)) << text(folder);
        expected.insert(text(folder + L"\\Discord.exe"));  // each application's own path
    }
    ASSERT_EQ(executables_.size(), 50u);

    // Within the budget of one read, which a second read would pass.
    const auto lists = deriveFor(folders, kOneRead);
    ASSERT_TRUE(lists) << lists.error();
    EXPECT_EQ(lists->processPaths, expected);
}

TEST_F(OneFolderManyAliases, PastEitherLimitTheDerivationFailsNamingIt) {
    const std::vector<std::wstring> folders = aliases();
    EXPECT_EQ(deriveFor({folders[0]}, {kOneRead.folderEntries - 1, kOneRead.executablePaths}),
              fail("Too many files in the application folders to route (limit 51)."));
    EXPECT_EQ(deriveFor(folders, {kOneRead.folderEntries, kOneRead.executablePaths - 1}),
              fail("Too many files in the application folders to route (limit 49)."));
    // Two folders that are not aliases are two reads.
    tree_.file(L"Discord\\app-2.0\\Discord.exe");
    EXPECT_EQ(deriveFor({folders[0], tree_.path(L"Discord\\app-2.0")}, kOneRead),
              fail("Too many files in the application folders to route (limit 52)."));
}

TEST(ExecutableScan, CandidateMustBeARegularFile) {
    test::TempTree tree;
    EXPECT_TRUE(isCandidateExecutable(tree.file(L"tool.exe")));
    EXPECT_FALSE(isCandidateExecutable(tree.folder(L"folder.exe")));
    EXPECT_FALSE(isCandidateExecutable(tree.path(L"missing.exe")));
    EXPECT_EQ(ExecutableScan().executablesIn(tree.path(L"missing")), std::vector<std::wstring>{});
    EXPECT_EQ(ExecutableScan().executablesBelow(tree.path(L"tool.exe")),
              std::vector<std::wstring>{});
}

TEST(ExecutableScan, ReachesFilesBeyondTheOrdinaryPathLength) {
    test::TempTree tree;
    std::wstring relative;
    for (int level = 0; level < 6; ++level) {
        relative += std::wstring(60, static_cast<wchar_t>(L'a' + level)) + L"\\";
    }
    // The test itself needs the \\?\ form to create what lies so deep.
    const std::wstring deep = tree.path(relative + L"deep.exe");
    ASSERT_GT(deep.size(), static_cast<std::size_t>(MAX_PATH));
    std::filesystem::create_directories(L"\\\\?\\" + tree.path(relative).native());
    ASSERT_TRUE(platform::UniqueFile(::CreateFileW((L"\\\\?\\" + deep).c_str(), GENERIC_WRITE, 0,
                                                   nullptr, CREATE_NEW, 0, nullptr)));

    EXPECT_EQ(ExecutableScan().executablesBelow(tree.root()), std::vector<std::wstring>{deep});
}

#ifdef KORVANE_LINK_LOOP_DIR
// Wine can make neither junctions nor symbolic links, but it shows a symbolic
// link of the host's file system as a folder link. The build lays out
// app\resources\app\sub\tool.exe, the link app\resources\app\sub\back to
// app\resources, and the link app\resources\app\shared to shared, which holds
// other.exe.
TEST(ExecutableScan, FollowsLinksAndEntersEachFolderOnce) {
    const std::wstring resources =
        test::hostPath(KORVANE_LINK_LOOP_DIR).native() + L"\\app\\resources";
    if (!hasMetadata(resources + L"\\app\\sub\\back") ||
        !hasMetadata(resources + L"\\app\\shared")) {
        GTEST_SKIP() << "the build could not make the links";
    }
    const auto sorted = [](std::vector<std::wstring> paths) {
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    const std::vector<std::wstring> expected{resources + L"\\app\\shared\\other.exe",
                                             resources + L"\\app\\sub\\tool.exe"};

    EXPECT_EQ(sorted(ExecutableScan().executablesBelow(resources + L"\\app")), expected);
    // Started above the link's target, the scan meets it again through the link.
    EXPECT_EQ(sorted(ExecutableScan().executablesBelow(resources)), expected);
}
#endif

}  // namespace
}  // namespace korvane::runtime
