#include "zvtool/error.h"

#include <string>

TMessage ErrorMessage(const TZvError& error) {
    TMessage message;
    message.kind = TMessageKind::kError;
    message.text = error.message;
    message.command = error.command;
    message.exit = error.exit;
    return message;
}

TMessage Note(const std::string& text) {
    TMessage message;
    message.text = text;
    return message;
}

TMessage Warning(const std::string& text) {
    TMessage message;
    message.kind = TMessageKind::kWarning;
    message.text = text;
    return message;
}

TMessage Info(const std::string& text) {
    TMessage message;
    message.kind = TMessageKind::kInfo;
    message.text = text;
    return message;
}

int TCommandEnd::Say(const TMessage& message) {
    if (message.kind == TMessageKind::kError && message.exit != 0 && error.empty()) {
        error = message.text;
    }
    messages.push_back(message);
    return message.exit;
}

int TCommandEnd::Fail(const TZvError& failure) {
    exit = Say(ErrorMessage(failure));
    return exit;
}
