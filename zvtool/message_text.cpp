#include "zvtool/message_text.h"

#include <string>

std::string MessageText(const TMessage& message) {
    const std::string tool =
        "zvtool" + (message.command.empty() ? std::string() : " " + message.command) + ": ";
    switch (message.kind) {
        case TMessageKind::kError:
        case TMessageKind::kNote:
            return tool + message.text + "\n";
        case TMessageKind::kWarning:
            return tool + "warning: " + message.text + "\n";
        case TMessageKind::kInfo:
            return message.text + "\n";
        case TMessageKind::kAccount:
            break;
    }
    std::string text = "zvtool: the driver's trace (" + message.text + ") tells:\n";
    for (const std::string& line : message.lines) {
        text += "  " + line + "\n";
    }
    return text;
}
