#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The profile (INI) rules of the Windows private-profile API, applied to a file's bytes, so
// that the POSIX build reads and writes the files as Windows would and a fuzzer can drive
// the parser without touching the disk.
//
// Lines end at CR LF, CR or LF. A line whose first non-blank byte is '[' and that holds a
// ']' starts a section, named by the text up to its last ']'. In a section, a line with an
// '=' is a key (the text before the first '='), unless it starts with ';'. Section and key
// names match case-insensitively (ASCII) after white space is trimmed; the first matching
// section and, in it, the first matching key count. A UTF-8 byte order mark at the start of
// the file is not part of the first line.

// The integer under `key`, as GetPrivateProfileIntA reads it: the value trimmed, one pair
// of matching quotes removed, then white space, one sign, "0x" for hexadecimal and digits
// up to the first other byte, modulo 2^32. `defaultValue` when the section or key is
// missing or the value is empty.
std::uint32_t ProfileTextGetInt(std::string_view text, std::string_view section,
                                std::string_view key, int defaultValue);

// `text` with `key` set to `value`: the first matching key's value is replaced in place; a
// missing key goes after the last non-blank line of the section; a missing section goes at
// the end of the file. Every other byte stays; added lines end in CR LF.
std::string ProfileTextSetString(std::string_view text, std::string_view section,
                                 std::string_view key, std::string_view value);
