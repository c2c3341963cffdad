#pragma once
#include <map>
#include <string>
#include <vector>

// What zvtool prints with --json: one object on one line. A command's object takes its keys
// and their order from the schema table (json_schema.h); the objects inside it (a port, a
// ledger entry) are built member by member.

// `text` as a JSON string, quoted; control characters as \u00XX.
std::string JsonString(const std::string& text);
// A string, or null when `text` is empty.
std::string JsonStringOrNull(const std::string& text);
std::string JsonInt(long long value);
// An integer, or null when `value` is below 0 (zvtool's "none").
std::string JsonIntOrNull(long long value);
std::string JsonBool(bool value);
// Seconds with one decimal.
std::string JsonSeconds(double seconds);

// A JSON array of values that are already JSON text.
std::string JsonArray(const std::vector<std::string>& values);
// A JSON array of strings, and of integers.
std::string JsonStrings(const std::vector<std::string>& texts);
std::string JsonInts(const std::vector<int>& numbers);

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
    std::string Text() const;
};

// A command's values by key, as JSON text; the schema says which go out and in what order.
using TJsonValues = std::map<std::string, std::string>;

// The object of `objects` (json_schema.h): every key of the schema for it, in the schema's
// order, with its value from `values` (for a key without one: null where the schema allows
// it, else an empty list, false or 0.0).
std::string SchemaObject(unsigned objects, const TJsonValues& values);
