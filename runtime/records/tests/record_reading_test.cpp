// Reading records straight from JSON text: shapes, defaults, strictness,
// positions in texts that were not written compactly.
#include <gtest/gtest.h>

#include <string>

#include "runtime/records/records.h"

namespace korvane::runtime {
namespace {

template <typename Record>
std::string errorOf(const Result<Record>& read) {
    return read ? std::string("no error") : read.error();
}

std::string serverError(std::string_view json) {
    return errorOf(parseAccessServer(json));
}
std::string presetsError(std::string_view json) {
    return errorOf(parseDomainRoutingPresets(json));
}

TEST(RecordReading, ReadsSettingsWithDefaultsAndSkipsUndeclaredKeys) {
    const auto settings = parseStoredAppSettings(R"({
        "id": {"nested": [1, {"deep": null}]},
        "mode": "Full", "language": "de", "launchOnStartup": true, "connectOnStartup": false,
        "notifications": false, "autoUpdate": true,
        "apps": [{"name": "Chat", "path": "%LOCALAPPDATA%\\Chat\\chat.exe", "id": 7},
                 ["Tool", "tools\\a.exe", "icon.png"]],
        "sites": ["example.org", "video"], "extra": "x", "extra": 1
    })");
    ASSERT_TRUE(settings) << settings.error();
    EXPECT_EQ(settings->mode, "Full");
    EXPECT_EQ(settings->language, "de");
    EXPECT_TRUE(settings->launchOnStartup);
    EXPECT_FALSE(settings->connectOnStartup);
    EXPECT_TRUE(settings->reconnectOnDisconnect);
    EXPECT_FALSE(settings->notifications);
    EXPECT_TRUE(settings->autoUpdate);
    ASSERT_EQ(settings->apps.size(), 2u);
    EXPECT_EQ(settings->apps[0].name, "Chat");
    EXPECT_EQ(settings->apps[0].path, "%LOCALAPPDATA%\\Chat\\chat.exe");
    EXPECT_EQ(settings->apps[0].icon, "");
    EXPECT_EQ(settings->apps[1].icon, "icon.png");
    EXPECT_EQ(settings->sites, (std::vector<std::string>{"example.org", "video"}));

    const auto explicitFalse = parseStoredAppSettings(
        R"({"mode":"split","language":"en","launchOnStartup":false,"connectOnStartup":false,)"
        R"("reconnectOnDisconnect":false,"notifications":true,"autoUpdate":true,"apps":[],"sites":[]})");
    ASSERT_TRUE(explicitFalse) << explicitFalse.error();
    EXPECT_FALSE(explicitFalse->reconnectOnDisconnect);
}

TEST(RecordReading, PositionalForms) {
    const auto server = parseAccessServer(R"(["vpn", 8443, "naiveproxy", "u", "p"])");
    ASSERT_TRUE(server) << server.error();
    EXPECT_EQ(server->host, "vpn");
    EXPECT_EQ(server->port, 8443);
    EXPECT_EQ(server->password, "p");

    // The optional icon takes its default when the array ends at it.
    const auto settings = parseStoredAppSettings(
        R"(["split","en",false,false,false,true,true,[["A","C:\\a.exe"]],[]])");
    ASSERT_TRUE(settings) << settings.error();
    EXPECT_FALSE(settings->reconnectOnDisconnect);
    ASSERT_EQ(settings->apps.size(), 1u);
    EXPECT_EQ(settings->apps[0].icon, "");
    EXPECT_EQ(errorOf(parseStoredAppSettings(R"({"apps":[["A"]]})")),
              "invalid length 1, expected struct StoredApplication with 3 elements at line 1 "
              "column 14");
    // A default in the middle does not let the fields after it go missing.
    EXPECT_EQ(errorOf(parseStoredAppSettings(R"(["split","en",false,false])")),
              "invalid length 5, expected struct StoredAppSettings with 9 elements at line 1 "
              "column 26");

    const auto presets = parseDomainRoutingPresets(R"([{"video":["a.example","b.example"]}])");
    ASSERT_TRUE(presets) << presets.error();
    EXPECT_EQ(presets->domains.at("video").size(), 2u);
    EXPECT_EQ(
        presetsError("[]"),
        "invalid length 0, expected struct DomainRoutingPresets with 1 element at line 1 column 2");
    EXPECT_EQ(presetsError("[{},{}]"), "trailing characters at line 1 column 5");
    EXPECT_EQ(presetsError("[{},]"), "trailing comma at line 1 column 5");
}

TEST(RecordReading, DuplicateDeclaredKeysAreRefused) {
    EXPECT_EQ(serverError(R"({"host":"a","host":"b"})"),
              "duplicate field `host` at line 1 column 18");
    // Escapes in keys are decoded before keys are compared.
    EXPECT_EQ(serverError(R"({"port":1,"\u0070ort":2})"),
              "duplicate field `port` at line 1 column 21");
    // The position takes in the white space that the reader looked past.
    EXPECT_EQ(serverError("{\"host\":\"a\",\n \"host\"  : \"b\"}"),
              "duplicate field `host` at line 2 column 9");
    EXPECT_EQ(errorOf(parseStoredAppSettings(R"({"apps":[{"name":"A","name":"B"}]})")),
              "duplicate field `name` at line 1 column 27");
}

TEST(RecordReading, ValuesAreNeverConverted) {
    EXPECT_EQ(serverError(R"({"host":5})"),
              "invalid type: integer `5`, expected a string at line 1 column 9");
    EXPECT_EQ(serverError(R"({"host":-5})"),
              "invalid type: integer `-5`, expected a string at line 1 column 10");
    EXPECT_EQ(serverError(R"({"host":true})"),
              "invalid type: boolean `true`, expected a string at line 1 column 12");
    EXPECT_EQ(serverError(R"({"host":["a"]})"),
              "invalid type: sequence, expected a string at line 1 column 8");
    EXPECT_EQ(serverError(R"({"host" : {"a":1}})"),
              "invalid type: map, expected a string at line 1 column 10");
    const std::string settingsHead = R"({"mode":"split","language":"en","launchOnStartup":)";
    EXPECT_EQ(errorOf(parseStoredAppSettings(settingsHead + R"("true"})")),
              R"(invalid type: string "true", expected a boolean at line 1 column 56)");
    EXPECT_EQ(errorOf(parseStoredAppSettings(settingsHead + "1.0}")),
              "invalid type: floating point `1.0`, expected a boolean at line 1 column 53");
    EXPECT_EQ(errorOf(parseStoredAppSettings(settingsHead + "nul}")),
              "expected ident at line 1 column 54");
    EXPECT_EQ(errorOf(parseStoredAppSettings(R"({"apps":{}})")),
              "invalid type: map, expected a sequence at line 1 column 8");
}

TEST(RecordReading, PortNumbers) {
    const auto port = [](std::string_view number) {
        const auto read = parseAccessServer(
            std::string(R"({"host":"h","protocol":"p","username":"u","password":"p","port":)") +
            std::string(number) + "}");
        return read ? std::to_string(read->port) : read.error();
    };
    EXPECT_EQ(port("65535"), "65535");
    EXPECT_EQ(port("0"), "0");
    EXPECT_EQ(port("1e2"),
              "invalid type: floating point `100.0`, expected u16 at line 1 column 67");
    EXPECT_EQ(port("-0"), "invalid type: floating point `-0.0`, expected u16 at line 1 column 66");
    EXPECT_EQ(
        port("18446744073709551616"),
        "invalid type: floating point `18446744073709552000.0`, expected u16 at line 1 column 84");
    EXPECT_EQ(port("-9223372036854775808"),
              "invalid value: integer `-9223372036854775808`, expected u16 at line 1 column 84");
    EXPECT_EQ(port("1e400"), "number out of range at line 1 column 69");
    EXPECT_EQ(port("1e-400"),
              "invalid type: floating point `0.0`, expected u16 at line 1 column 70");
    EXPECT_EQ(port("01"), "invalid number at line 1 column 66");
    EXPECT_EQ(port("1."), "invalid number at line 1 column 67");
    EXPECT_EQ(port("-x"), "invalid number at line 1 column 66");
}

TEST(RecordReading, PresetsFile) {
    const auto presets = parseDomainRoutingPresets(
        "{\r\n\t\"domains\": {\"video\": [\"a\"], \"chat\": [], \"video\": [\"b\", "
        "\"c\"]}\r\n}\r\n");
    ASSERT_TRUE(presets) << presets.error();
    EXPECT_EQ(presets->domains.size(), 2u);
    EXPECT_EQ(presets->domains.at("video"), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(presetsError(R"({"domains":[]})"),
              "invalid type: sequence, expected a map at line 1 column 11");
    EXPECT_EQ(presetsError("\xEF\xBB\xBF{\"domains\":{}}"), "expected value at line 1 column 1");
    EXPECT_EQ(presetsError(R"({"domains":{"video":"a"}})"),
              R"(invalid type: string "a", expected a sequence at line 1 column 23)");
    EXPECT_EQ(presetsError("{}"), "missing field `domains` at line 1 column 2");
    EXPECT_EQ(presetsError("{\"domains\":{}} x"), "trailing characters at line 1 column 16");
    EXPECT_EQ(presetsError("\"\""),
              "invalid type: string \"\", expected struct DomainRoutingPresets at line 1 column 2");
    EXPECT_EQ(presetsError(""), "EOF while parsing a value at line 1 column 0");
}

TEST(RecordReading, ProfilesSkipTheirIdAndNeedEveryFlag) {
    const auto profiles = parseApplicationRoutingProfiles(R"({
  "profiles": [
    {
      "id": "chat",
      "matchProcessNames": ["Chat.exe", "Chat"],
      "matchPathContains": ["Yandex\\YandexBrowser"],
      "includeProcessNames": [],
      "includeAppDirectoryExecutables": true,
      "includeResourcesAppExecutables": false,
      "includeAppDirectoryRegex": true,
      "includeResourcesDirectoryRegex": false
    },
    [[], [], ["x.exe"], false, true, false, true]
  ]
})");
    ASSERT_TRUE(profiles) << profiles.error();
    ASSERT_EQ(profiles->profiles.size(), 2u);
    EXPECT_EQ(profiles->profiles[0].matchPathContains[0], "Yandex\\YandexBrowser");
    EXPECT_TRUE(profiles->profiles[0].includeAppDirectoryExecutables);
    EXPECT_FALSE(profiles->profiles[0].includeResourcesDirectoryRegex);
    EXPECT_EQ(profiles->profiles[1].includeProcessNames[0], "x.exe");
    EXPECT_TRUE(profiles->profiles[1].includeResourcesDirectoryRegex);

    EXPECT_EQ(
        errorOf(parseApplicationRoutingProfiles(R"({"profiles":[[[],[],[]]]})")),
        "invalid length 3, expected struct ApplicationRoutingProfile with 7 elements at line 1 "
        "column 23");
    EXPECT_EQ(
        errorOf(parseApplicationRoutingProfiles("{\"profiles\":[{\"matchProcessNames\":[]\n}]}")),
        "missing field `matchPathContains` at line 2 column 1");
    EXPECT_EQ(
        errorOf(parseApplicationRoutingProfiles("[]")),
        "invalid length 0, expected struct ApplicationRoutingProfiles with 1 element at line 1 "
        "column 2");
}

TEST(RecordReading, NestingDeeperThan127IsRefusedEvenUnderSkippedKeys) {
    // The record itself is the first level.
    const auto underSkippedKey = [](int depth) {
        return serverError("{\"x\":" + std::string(depth, '[') + std::string(depth, ']') + "}");
    };
    EXPECT_EQ(underSkippedKey(126), "missing field `host` at line 1 column 258");
    EXPECT_EQ(underSkippedKey(127), "recursion limit exceeded at line 1 column 132");
}

TEST(RecordReading, RecordsWrittenAsArraysGiveTheirLevelBack) {
    // Each record, and each list in it, is one level while it is read: 300 of
    // them in a row stay far from the limit.
    std::string text = "{\"profiles\":[";
    for (int i = 0; i < 300; ++i) {
        text += std::string(i == 0 ? "" : ",") + "[[],[],[],false,true,false,true]";
    }
    const auto profiles = parseApplicationRoutingProfiles(text + "]}");
    ASSERT_TRUE(profiles) << profiles.error();
    EXPECT_EQ(profiles->profiles.size(), 300u);
    // Also when the short array is refused after its closing bracket.
    EXPECT_EQ(errorOf(parseApplicationRoutingProfiles(R"({"profiles":[[[],[]]]})")),
              "invalid length 2, expected struct ApplicationRoutingProfile with 7 elements at line "
              "1 column 20");
}

TEST(RecordReading, SyntaxErrorsInsideRecords) {
    EXPECT_EQ(serverError(R"({"host":"a")"), "EOF while parsing an object at line 1 column 11");
    EXPECT_EQ(serverError(R"({"host":"a",})"), "trailing comma at line 1 column 13");
    EXPECT_EQ(serverError(R"({"host":"a" "port":1})"), "expected `,` or `}` at line 1 column 13");
    EXPECT_EQ(serverError(R"({host:1})"), "key must be a string at line 1 column 2");
    EXPECT_EQ(serverError(R"({"x":[1 2]})"), "expected `,` or `]` at line 1 column 9");
    EXPECT_EQ(
        serverError("{\"host\":\"a\nb\"}"),
        "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0");
    EXPECT_EQ(serverError("{\"host\":\"\xFF\"}"), "invalid unicode code point at line 1 column 11");
    EXPECT_EQ(serverError(R"({"host":"\ud800"})"),
              "unexpected end of hex escape at line 1 column 16");
    EXPECT_EQ(serverError(R"({"host":"\ud800\u0041"})"),
              "lone leading surrogate in hex escape at line 1 column 21");
    EXPECT_EQ(serverError(R"({"host":"\udc00"})"),
              "lone leading surrogate in hex escape at line 1 column 15");
    EXPECT_EQ(serverError(R"({"host":"\x"})"), "invalid escape at line 1 column 11");
    EXPECT_EQ(serverError(R"({"host":"\u12G4"})"), "invalid escape at line 1 column 14");
    EXPECT_EQ(serverError(R"({"host":"\u12)"), "EOF while parsing a string at line 1 column 13");
}

}  // namespace
}  // namespace korvane::runtime
