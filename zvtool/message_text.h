#pragma once
#include <string>

#include "zvtool/error.h"

// What a command says, in the words every front end shows: errors, warnings and notes as
// "zvtool: ..." ("zvtool check: ..." for a command's own), an info line as it is, an account
// under its heading. The terminal writes them on standard error, a window in its log.

// The message with its line end (the lines of an account each with one).
std::string MessageText(const TMessage& message);
