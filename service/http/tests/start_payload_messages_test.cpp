// The messages that a start request's body produces, through the endpoint's
// payload reading and the runtime's record readers: the columns are those of
// the compact, key-sorted member texts that the endpoint hands over.
#include <gtest/gtest.h>

#include <string>

#include "runtime/records/json_document.h"
#include "runtime/records/records.h"
#include "service/http/start_payload.h"

namespace korvane {
namespace {

using runtime::parseJsonDocument;

const std::string baseSettings =
    R"({"mode":"split","language":"en","launchOnStartup":false,"connectOnStartup":false,)"
    R"("notifications":true,"autoUpdate":true,"apps":[],"sites":[]})";
const std::string baseServer =
    R"({"host":"vpn.example.com","port":443,"protocol":"naiveproxy","username":"u","password":"p"})";

// Replaces the value of `key` in a flat JSON object text (or removes the key
// when `value` is empty).
std::string with(std::string object, const std::string& key, const std::string& value) {
    auto document = parseJsonDocument(object);
    EXPECT_TRUE(document) << document.error();
    if (value.empty()) {
        document->erase(key);
    } else {
        auto parsed = parseJsonDocument(value);
        EXPECT_TRUE(parsed) << parsed.error();
        (*document)[key] = *parsed;
    }
    return document->dump();
}

// What a start request's body comes to before the VPN is brought up: the
// endpoint's failure, the records' failure, or "ok".
std::string bodyOutcome(std::string_view body) {
    const auto payload = service::readStartPayload(body);
    if (!payload) {
        return payload.error();
    }
    const auto records = runtime::readStartRecords(payload->settingsJson, payload->serverJson);
    return records ? "ok" : records.error();
}

std::string startOutcome(const std::string& settings, const std::string& server) {
    return bodyOutcome(R"({"settings":)" + settings + R"(,"server":)" + server + "}");
}

std::string serverWith(const std::string& key, const std::string& value) {
    return startOutcome(baseSettings, with(baseServer, key, value));
}

std::string settingsWith(const std::string& key, const std::string& value) {
    return startOutcome(with(baseSettings, key, value), baseServer);
}

TEST(StartPayloadMessages, BaseRecordsAreAccepted) {
    EXPECT_EQ(startOutcome(baseSettings, baseServer), "ok");
    EXPECT_EQ(serverWith("port", "65535"), "ok");
    EXPECT_EQ(serverWith("port", "0"), "ok");
}

TEST(StartPayloadMessages, PortMustBeAnIntegerFrom0To65535) {
    EXPECT_EQ(
        serverWith("port", R"("443")"),
        R"(Invalid server payload: invalid type: string "443", expected u16 at line 1 column 53)");
    EXPECT_EQ(
        serverWith("port", "443.0"),
        "Invalid server payload: invalid type: floating point `443.0`, expected u16 at line 1 "
        "column 53");
    EXPECT_EQ(
        serverWith("port", "-1"),
        "Invalid server payload: invalid value: integer `-1`, expected u16 at line 1 column 50");
    EXPECT_EQ(
        serverWith("port", "65536"),
        "Invalid server payload: invalid value: integer `65536`, expected u16 at line 1 column 53");
}

TEST(StartPayloadMessages, PortStringsAreShownEscaped) {
    EXPECT_EQ(serverWith("port", R"("a\nb\t\"q\" \\ '")"),
              R"(Invalid server payload: invalid type: string "a\nb\t\"q\" \\ '", expected u16)"
              " at line 1 column 66");
    EXPECT_EQ(serverWith("port", R"("\u0007\u200b")"),
              R"(Invalid server payload: invalid type: string "\u{7}\u{200b}", expected u16)"
              " at line 1 column 59");
}

TEST(StartPayloadMessages, ServerShapeErrors) {
    EXPECT_EQ(serverWith("password", ""),
              "Invalid server payload: missing field `password` at line 1 column 76");
    EXPECT_EQ(startOutcome(baseSettings, R"(["vpn",443])"),
              "Invalid server payload: invalid length 2, expected struct AccessServer with 5 "
              "elements at line 1 column 11");
    EXPECT_EQ(startOutcome(baseSettings, R"(["vpn",443,"naiveproxy","u","p",1])"),
              "Invalid server payload: trailing characters at line 1 column 33");
    EXPECT_EQ(startOutcome(baseSettings, R"("vpn")"),
              R"(Invalid server payload: invalid type: string "vpn", expected struct AccessServer)"
              " at line 1 column 5");
    EXPECT_EQ(startOutcome(baseSettings, "null"),
              "Invalid server payload: invalid type: null, expected struct AccessServer at line 1 "
              "column 4");
}

TEST(StartPayloadMessages, ApplicationErrors) {
    EXPECT_EQ(
        settingsWith("apps", R"([{"name":"A","path":"C:\\a.exe","icon":null}])"),
        "Invalid settings payload: invalid type: null, expected a string at line 1 column 21");
    EXPECT_EQ(settingsWith("apps", R"([{"name":"A"}])"),
              "Invalid settings payload: missing field `path` at line 1 column 21");
    EXPECT_EQ(settingsWith("apps", R"([["A","C:\\a.exe","i","x"]])"),
              "Invalid settings payload: trailing characters at line 1 column 31");
}

TEST(StartPayloadMessages, SettingsValueErrors) {
    EXPECT_EQ(settingsWith("launchOnStartup", "1"),
              "Invalid settings payload: invalid type: integer `1`, expected a boolean at line 1 "
              "column 89");
    EXPECT_EQ(settingsWith("sites", R"("x")"),
              R"(Invalid settings payload: invalid type: string "x", expected a sequence at line 1)"
              " column 141");
    EXPECT_EQ(
        settingsWith("sites", R"(["a",{"b":1}])"),
        "Invalid settings payload: invalid type: map, expected a string at line 1 column 143");
}

TEST(StartPayloadMessages, OnlyTheFirstProblemIsReported) {
    // Missing mode and sites: the first absent key in declared order.
    EXPECT_EQ(startOutcome(with(with(baseSettings, "mode", ""), "sites", ""), baseServer),
              "Invalid settings payload: missing field `mode` at line 1 column 115");
    // Both records invalid: only the settings are reported.
    EXPECT_EQ(
        startOutcome(with(baseSettings, "language", "null"), with(baseServer, "port", R"("x")")),
        "Invalid settings payload: invalid type: null, expected a string at line 1 column 69");
}

TEST(StartPayloadMessages, BodyErrors) {
    EXPECT_EQ(bodyOutcome(R"({"settings":{}, "server":{}} GET /health HTTP/1.1)"),
              "Invalid start payload: trailing characters at line 1 column 30");
    EXPECT_EQ(bodyOutcome(R"({"settings":)"),
              "Invalid start payload: EOF while parsing a value at line 1 column 12");
    EXPECT_EQ(bodyOutcome(""),
              "Invalid start payload: EOF while parsing a value at line 1 column 0");
}

}  // namespace
}  // namespace korvane
