#include "runtime/profiles/built_in_profiles.h"

namespace korvane::runtime {

std::string_view builtInProfilesText() {
    // Each profile's "id" names it for people; the reader skips it.
    static constexpr std::string_view text = R"json(
{
  "profiles": [
    {
      "id": "vscode",
      "matchProcessNames": [
        "Code.exe",
        "Code"
      ],
      "matchPathContains": [
        "Microsoft VS Code"
      ],
      "includeProcessNames": [
        "Code Helper.exe",
        "Code Helper (Renderer).exe",
        "Code Helper (Plugin).exe",
        "Code Helper (GPU).exe",
        "node.exe",
        "cmd.exe",
        "codex.exe",
        "codex-command-runner.exe",
        "codex-windows-sandbox.exe",
        "curl.exe",
        "dotnet.exe",
        "escape-node-job.exe",
        "git.exe",
        "mcp-server-windows-x64.exe",
        "npm.exe",
        "npx.exe",
        "powershell.exe",
        "pwsh.exe",
        "python.exe",
        "python3.exe",
        "ssh.exe"
      ],
      "includeAppDirectoryExecutables": true,
      "includeResourcesAppExecutables": true,
      "includeAppDirectoryRegex": true,
      "includeResourcesDirectoryRegex": true
    },
    {
      "id": "yandex-browser",
      "matchProcessNames": [
        "browser.exe",
        "browser"
      ],
      "matchPathContains": [
        "YandexBrowser",
        "Yandex\\YandexBrowser"
      ],
      "includeProcessNames": [
        "browser.exe",
        "service_update.exe"
      ],
      "includeAppDirectoryExecutables": true,
      "includeResourcesAppExecutables": false,
      "includeAppDirectoryRegex": true,
      "includeResourcesDirectoryRegex": false
    },
    {
      "id": "telegram",
      "matchProcessNames": [
        "Telegram.exe",
        "Telegram Desktop.exe"
      ],
      "matchPathContains": [
        "Telegram"
      ],
      "includeProcessNames": [],
      "includeAppDirectoryExecutables": true,
      "includeResourcesAppExecutables": true,
      "includeAppDirectoryRegex": true,
      "includeResourcesDirectoryRegex": true
    },
    {
      "id": "whatsapp",
      "matchProcessNames": [
        "WhatsApp.exe",
        "WhatsApp"
      ],
      "matchPathContains": [
        "WhatsApp"
      ],
      "includeProcessNames": [
        "WhatsApp.exe",
        "WhatsAppHelper.exe"
      ],
      "includeAppDirectoryExecutables": true,
      "includeResourcesAppExecutables": true,
      "includeAppDirectoryRegex": true,
      "includeResourcesDirectoryRegex": true
    },
    {
      "id": "discord",
      "matchProcessNames": [
        "Discord.exe",
        "Discord"
      ],
      "matchPathContains": [
        "Discord"
      ],
      "includeProcessNames": [
        "Discord.exe",
        "DiscordCanary.exe",
        "DiscordPTB.exe",
        "Update.exe",
        "Squirrel.exe"
      ],
      "includeAppDirectoryExecutables": true,
      "includeResourcesAppExecutables": true,
      "includeAppDirectoryRegex": true,
      "includeResourcesDirectoryRegex": true
    },
    {
      "id": "signal",
      "matchProcessNames": [
        "Signal.exe",
        "Signal"
      ],
      "matchPathContains": [
        "signal-desktop",
        "Signal"
      ],
      "includeProcessNames": [
        "Signal.exe"
      ],
      "includeAppDirectoryExecutables": true,
      "includeResourcesAppExecutables": true,
      "includeAppDirectoryRegex": true,
      "includeResourcesDirectoryRegex": true
    },
    {
      "id": "viber",
      "matchProcessNames": [
        "Viber.exe",
        "Viber"
      ],
      "matchPathContains": [
        "Viber"
      ],
      "includeProcessNames": [
        "Viber.exe"
      ],
      "includeAppDirectoryExecutables": true,
      "includeResourcesAppExecutables": true,
      "includeAppDirectoryRegex": true,
      "includeResourcesDirectoryRegex": true
    },
    {
      "id": "spotify",
      "matchProcessNames": [
        "Spotify.exe",
        "Spotify"
      ],
      "matchPathContains": [
        "Spotify"
      ],
      "includeProcessNames": [
        "Spotify.exe",
        "SpotifyWebHelper.exe"
      ],
      "includeAppDirectoryExecutables": true,
      "includeResourcesAppExecutables": true,
      "includeAppDirectoryRegex": true,
      "includeResourcesDirectoryRegex": true
    }
  ]
}
)json";
    return text.substr(1);  // the line break after the opening delimiter
}

std::vector<ApplicationRoutingProfile> loadBuiltInProfiles() {
    Result<ApplicationRoutingProfiles> parsed =
        parseApplicationRoutingProfiles(builtInProfilesText());
    if (!parsed) {
        return {};
    }
    return std::move(parsed->profiles);
}

}  // namespace korvane::runtime
