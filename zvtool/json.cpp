#include "zvtool/json.h"

#include <cstdio>
#include <string>
#include <vector>

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

TJsonObject& TJsonObject::Raw(const char* key, const std::string& json) {
    members += (members.empty() ? "" : ", ") + JsonString(key) + ": " + json;
    return *this;
}

TJsonObject& TJsonObject::String(const char* key, const std::string& value) {
    return Raw(key, JsonString(value));
}

TJsonObject& TJsonObject::StringOrNull(const char* key, const std::string& value) {
    return Raw(key, value.empty() ? "null" : JsonString(value));
}

TJsonObject& TJsonObject::Int(const char* key, long long value) {
    return Raw(key, std::to_string(value));
}

TJsonObject& TJsonObject::IntOrNull(const char* key, long long value) {
    return Raw(key, value < 0 ? "null" : std::to_string(value));
}

TJsonObject& TJsonObject::Seconds(const char* key, double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return Raw(key, text);
}

TJsonObject& TJsonObject::Bool(const char* key, bool value) {
    return Raw(key, value ? "true" : "false");
}

TJsonObject& TJsonObject::Null(const char* key) {
    return Raw(key, "null");
}

std::string TJsonObject::Text() const {
    return "{" + members + "}";
}
