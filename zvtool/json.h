#pragma once
#include <string>
#include <vector>

// What zvtool prints with --json: one object on one line, its members in the order they are
// added, so that every command and every failure prints the same keys in the same order.

// The schema of zvtool's JSON output, its "version" key: raised when a key changes meaning or
// goes away (new keys may come without it).
constexpr int kJsonSchemaVersion = 1;

// `text` as a JSON string, quoted; control characters as \u00XX.
std::string JsonString(const std::string& text);

// A JSON array of values that are already JSON text.
std::string JsonArray(const std::vector<std::string>& values);
// A JSON array of strings.
std::string JsonStrings(const std::vector<std::string>& texts);

// An object built member by member: JsonObject().Int("exit", 0).String("file", path).Text().
struct TJsonObject {
    std::string members;

    TJsonObject& Raw(const char* key, const std::string& json);
    TJsonObject& String(const char* key, const std::string& value);
    // A string, or null when `value` is empty.
    TJsonObject& StringOrNull(const char* key, const std::string& value);
    TJsonObject& Int(const char* key, long long value);
    // An integer, or null when `value` is below 0 (zvtool's "none").
    TJsonObject& IntOrNull(const char* key, long long value);
    TJsonObject& Seconds(const char* key, double seconds);
    TJsonObject& Bool(const char* key, bool value);
    TJsonObject& Null(const char* key);
    std::string Text() const;
};
