// Any bytes as a profile file, with a section, key and value of the fuzzer's choosing set in
// it. The input is three lines and the file: the section name, the key name, the value,
// then every byte after the third '\n' as the file's text.
//
// After ProfileTextSetString(text, s, k, v):
// - the value reads back as it would from a file that holds nothing but that key, and a
//   numeric value reads back as its number;
// - every other key reads as before;
// - nothing of the text went away but the key's old value;
// - setting the same trimmed value again changes nothing.
// These hold for names that a profile line can carry. So the names lose their CR bytes, a
// key loses its '=' bytes, and a key that would start with ';' (a comment) or '[' (a
// section header, once the value holds a ']') gets a letter in front; values lose CR.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "settings/profile_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// What no key holds in any of the inputs that matter: a lookup that gives it found nothing.
constexpr int kMissing = 0x5A5A5A5A;
constexpr std::size_t kMaxNames = 8;
constexpr std::string_view kBlanks = " \t\v\f\x1a";

std::string_view Trim(std::string_view s) {
    const std::size_t begin = s.find_first_not_of(kBlanks);
    if (begin == std::string_view::npos) {
        return {};
    }
    return s.substr(begin, s.find_last_not_of(kBlanks) - begin + 1);
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Section and key names are the same when they are after trimming, ASCII case aside.
bool SameName(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

std::string Without(std::string_view s, std::string_view drop) {
    std::string out;
    for (const char c : s) {
        if (drop.find(c) == std::string_view::npos) {
            out.push_back(c);
        }
    }
    return out;
}

// The next line of the input, up to its '\n'; empty once the input has run out.
std::string_view TakeLine(std::string_view& input) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return line;
}

// Names that the text may hold, taken loosely from its lines (the part between the first
// '[' and the last ']', the part in front of the first '='): enough to look up the keys the
// file has, and harmless when a guess is no key at all.
void AddNamesFrom(std::string_view text, std::vector<std::string>& sections,
                  std::vector<std::string>& keys) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && !IsLineEnd(text[end])) {
            ++end;
        }
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t open = line.find('[');
        const std::size_t close = line.rfind(']');
        if (open != std::string_view::npos && close != std::string_view::npos && open < close &&
            sections.size() < kMaxNames) {
            sections.emplace_back(line.substr(open + 1, close - open - 1));
        }
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && keys.size() < kMaxNames) {
            keys.emplace_back(line.substr(0, equals));
        }
    }
}

// Sets `value` and checks every property that holds for any value; returns the new text.
std::string SetAndCheck(const std::string& text, const std::string& section, const std::string& key,
                        const std::string& value) {
    const std::string after = ProfileTextSetString(text, section, key, value);

    const std::string alone = "[" + section + "]\r\n" + key + "=" + value + "\r\n";
    Require(ProfileTextGetInt(after, section, key, kMissing) ==
                ProfileTextGetInt(alone, section, key, kMissing),
            "the value reads back as from a file that holds only that key");

    std::vector<std::string> sections{section};
    std::vector<std::string> keys{key};
    AddNamesFrom(text, sections, keys);
    for (const std::string& otherSection : sections) {
        for (const std::string& otherKey : keys) {
            if (SameName(otherSection, section) && SameName(otherKey, key)) {
                continue;
            }
            Require(ProfileTextGetInt(after, otherSection, otherKey, kMissing) ==
                        ProfileTextGetInt(text, otherSection, otherKey, kMissing),
                    "every other key reads as before");
        }
    }

    // What the old text has beyond the longest common head and tail of the two texts went
    // away; only the key's old value may, and a value holds no line end.
    const std::size_t shorter = std::min(text.size(), after.size());
    std::size_t head = 0;
    while (head < shorter && text[head] == after[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (head + tail < shorter &&
           text[text.size() - 1 - tail] == after[after.size() - 1 - tail]) {
        ++tail;
    }
    for (std::size_t i = head; i < text.size() - tail; ++i) {
        Require(!IsLineEnd(text[i]), "no line of the text went away");
    }

    if (Trim(value) == value) {
        Require(ProfileTextSetString(after, section, key, value) == after,
                "setting the same value again changes nothing");
    }
    return after;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string section = Without(TakeLine(input), "\r");
    std::string key = Without(TakeLine(input), "\r=");
    const std::string value = Without(TakeLine(input), "\r");
    const std::string text(input);
    const std::string_view trimmedKey = Trim(key);
    if (!trimmedKey.empty() && (trimmedKey.front() == ';' || trimmedKey.front() == '[')) {
        key.insert(0, "k");
    }

    SetAndCheck(text, section, key, value);

    // A number of the input's choosing, written as the host or the driver would write it.
    std::uint32_t number = 2166136261u;
    for (const char c : value) {
        number = (number ^ static_cast<std::uint8_t>(c)) * 16777619u;
    }
    char written[16];
    switch (number % 3) {
        case 0:
            std::snprintf(written, sizeof(written), "%u", number);
            break;
        case 1:
            std::snprintf(written, sizeof(written), "%d", static_cast<std::int32_t>(number));
            break;
        default:
            std::snprintf(written, sizeof(written), "0x%x", number);
            break;
    }
    const std::string after = SetAndCheck(text, section, key, written);
    Require(ProfileTextGetInt(after, section, key, kMissing) == number,
            "a number reads back as that number");
    return 0;
}
