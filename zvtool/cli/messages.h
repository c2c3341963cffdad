#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/message_text.h"

// The one place the terminal writes what a command says: on standard error, errors, warnings
// and notes as "zvtool: ..." ("zvtool check: ..." for a command's own), an info line as it
// is, an account under its heading.

void PrintMessage(const TMessage& message);
void PrintMessages(const std::vector<TMessage>& messages);
