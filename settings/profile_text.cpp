#include "settings/profile_text.h"

#include <cstddef>

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

// Besides the usual blanks, Ctrl-Z counts as white space: DOS editors leave it at the end
// of a file, and the Windows profile reader skips it too.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// Where the key lies in the file and, when it is missing, where it goes.
struct Lookup {
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t valueBegin = 0;  // the key's trimmed value, as offsets into the text
    std::size_t valueEnd = 0;
    std::size_t insertAt = 0;         // just past the last non-blank line of the section
    bool insertNeedsLineEnd = false;  // that line is the last of the file and has no line end
};

Lookup Find(std::string_view text, std::string_view section, std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    Lookup found;
    bool inSection = false;
    std::size_t pos = text.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
    while (pos < text.size()) {
        const std::size_t begin = pos;
        std::size_t end = begin;
        while (end < text.size() && !IsLineEnd(text[end])) {
            ++end;
        }
        pos = end;
        if (pos < text.size() && text[pos] == '\r') {
            ++pos;
        }
        if (pos < text.size() && text[pos] == '\n' && (pos == end || text[pos - 1] == '\r')) {
            ++pos;
        }

        const std::string_view line = Trim(text.substr(begin, end - begin));
        if (line.empty()) {
            continue;
        }
        const std::size_t close = line.rfind(']');
        const bool header = line.front() == '[' && close != std::string_view::npos;
        if (header) {
            if (inSection) {
                break;  // the first matching section has ended
            }
            inSection = SameName(Trim(line.substr(1, close - 1)), section);
            found.sectionFound = inSection;
        }
        if (!inSection) {
            continue;
        }
        found.insertAt = pos;
        found.insertNeedsLineEnd = pos == end;

        const std::size_t equals = line.find('=');
        if (header || line.front() == ';' || equals == std::string_view::npos ||
            !SameName(Trim(line.substr(0, equals)), key)) {
            continue;
        }
        std::size_t valueBegin = static_cast<std::size_t>(line.data() - text.data()) + equals + 1;
        std::size_t valueEnd = end;
        while (valueBegin < valueEnd && IsBlank(text[valueBegin])) {
            ++valueBegin;
        }
        while (valueEnd > valueBegin && IsBlank(text[valueEnd - 1])) {
            --valueEnd;
        }
        found.keyFound = true;
        found.valueBegin = valueBegin;
        found.valueEnd = valueEnd;
        break;
    }
    return found;
}

// The run-time library's reading of a number: no overflow check, so the value wraps.
std::uint32_t ParseInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t base = 10;
    if (i + 1 < text.size() && text[i] == '0' && text[i + 1] == 'x') {
        base = 16;
        i += 2;
    }
    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        std::uint32_t digit = base;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        }
        if (digit >= base) {
            break;
        }
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

}  // namespace

std::uint32_t ProfileTextGetInt(std::string_view text, std::string_view section,
                                std::string_view key, int defaultValue) {
    const Lookup found = Find(text, section, key);
    if (!found.keyFound) {
        return static_cast<std::uint32_t>(defaultValue);
    }
    std::string_view value = text.substr(found.valueBegin, found.valueEnd - found.valueBegin);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    // The Windows reader works on C strings: a NUL byte ends the value.
    value = value.substr(0, value.find('\0'));
    if (value.empty()) {
        return static_cast<std::uint32_t>(defaultValue);
    }
    return ParseInt(value);
}

std::string ProfileTextSetString(std::string_view text, std::string_view section,
                                 std::string_view key, std::string_view value) {
    const Lookup found = Find(text, section, key);
    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    if (found.keyFound) {
        out.append(text.substr(0, found.valueBegin));
        out.append(value);
        out.append(text.substr(found.valueEnd));
        return out;
    }
    if (found.sectionFound) {
        out.append(text.substr(0, found.insertAt));
        if (found.insertNeedsLineEnd) {
            out.append(kLineEnd);
        }
        out.append(key).append("=").append(value).append(kLineEnd);
        out.append(text.substr(found.insertAt));
        return out;
    }
    out.append(text);
    const bool onlyBom = text == kUtf8Bom;
    if (!text.empty() && !onlyBom && !IsLineEnd(text.back())) {
        out.append(kLineEnd);
    }
    out.append("[").append(section).append("]").append(kLineEnd);
    out.append(key).append("=").append(value).append(kLineEnd);
    return out;
}
