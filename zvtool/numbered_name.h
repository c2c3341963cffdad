#pragma once
#include <functional>
#include <string>

// The one rule for a name that is taken: "unit.dat", then "unit-2.dat", "unit-3.dat", ...,
// the number before the extension of the last path component (at its end when it has none).

// `path` with `suffix` before the extension of its last component: ("a.dat", "-x") "a-x.dat".
std::string WithSuffix(const std::string& path, const std::string& suffix);

// `path` with "-N" before its extension; `path` itself for N below 2.
std::string NumberedName(const std::string& path, int number);

// The first of `path`, `path`-2, `path`-3, ... for which `taken` is false; "" when the first
// 9999 are all taken (a folder that says every name is taken is not one to write into).
std::string FirstFreeName(const std::string& path,
                          const std::function<bool(const std::string&)>& taken);
