#include "zvtool/cli/messages.h"

#include <cstdio>
#include <string>

void PrintMessage(const TMessage& message) {
    std::fputs(MessageText(message).c_str(), stderr);
    std::fflush(stderr);
}

void PrintMessages(const std::vector<TMessage>& messages) {
    for (const TMessage& message : messages) {
        PrintMessage(message);
    }
}
