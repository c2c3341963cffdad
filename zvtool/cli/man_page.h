#pragma once
#include <string>

// zvtool's manual page, its sections made from the tables they describe: the commands and
// their help (SYNOPSIS, COMMANDS), the options (OPTIONS), the JSON schema (JSON KEYS) and the
// exit statuses (EXIT STATUS), as scdoc text. The page's template (docs/man/zvtool.1.scd)
// holds the prose and a marker {{NAME}} where each of these goes.

// The section's scdoc text; "" for a name that is none of them.
std::string ManSection(const std::string& name);

// The template with every marker replaced: false and `error` for a marker that names no
// section.
bool FillManPage(const std::string& page, std::string* filled, std::string* error);
