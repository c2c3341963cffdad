#include "zvtool/cli/json.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/cli/json_schema.h"

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x",
                          static_cast<unsigned>(static_cast<unsigned char>(c)));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string JsonStringOrNull(const std::string& text) {
    return text.empty() ? "null" : JsonString(text);
}

std::string JsonInt(long long value) {
    return std::to_string(value);
}

std::string JsonIntOrNull(long long value) {
    return value < 0 ? "null" : std::to_string(value);
}

std::string JsonBool(bool value) {
    return value ? "true" : "false";
}

std::string JsonSeconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

std::string JsonArray(const std::vector<std::string>& values) {
    std::string json = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        json += (i == 0 ? "" : ", ") + values[i];
    }
    return json + "]";
}

std::string JsonStrings(const std::vector<std::string>& texts) {
    std::vector<std::string> values;
    values.reserve(texts.size());
    for (const std::string& text : texts) {
        values.push_back(JsonString(text));
    }
    return JsonArray(values);
}

std::string JsonInts(const std::vector<int>& numbers) {
    std::vector<std::string> values;
    for (const int number : numbers) {
        values.push_back(std::to_string(number));
    }
    return JsonArray(values);
}

TJsonObject& TJsonObject::Raw(const char* key, const std::string& json) {
    members += (members.empty() ? "" : ", ") + JsonString(key) + ": " + json;
    return *this;
}

TJsonObject& TJsonObject::String(const char* key, const std::string& value) {
    return Raw(key, JsonString(value));
}

TJsonObject& TJsonObject::StringOrNull(const char* key, const std::string& value) {
    return Raw(key, JsonStringOrNull(value));
}

TJsonObject& TJsonObject::Int(const char* key, long long value) {
    return Raw(key, JsonInt(value));
}

TJsonObject& TJsonObject::IntOrNull(const char* key, long long value) {
    return Raw(key, JsonIntOrNull(value));
}

TJsonObject& TJsonObject::Seconds(const char* key, double seconds) {
    return Raw(key, JsonSeconds(seconds));
}

TJsonObject& TJsonObject::Bool(const char* key, bool value) {
    return Raw(key, JsonBool(value));
}

std::string TJsonObject::Text() const {
    return "{" + members + "}";
}

namespace {

// What a key without a value holds: null where the schema allows it, else its type's empty
// value (an empty list, false, no seconds).
std::string Unset(const TJsonKey& key) {
    if (key.null != nullptr) {
        return "null";
    }
    switch (key.type) {
        case TJsonType::kList:
            return "[]";
        case TJsonType::kBoolean:
            return "false";
        case TJsonType::kNumber:
            return JsonSeconds(0);
        default:
            return "null";
    }
}

}  // namespace

std::string SchemaObject(unsigned objects, const TJsonValues& values) {
    TJsonObject json;
    for (const TJsonKey* key : JsonKeysOf(objects)) {
        const auto found = values.find(key->key);
        json.Raw(key->key, found == values.end() ? Unset(*key) : found->second);
    }
    return json.Text();
}
