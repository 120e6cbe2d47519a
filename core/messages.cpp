#include "core/messages.h"

namespace {

// text with every {name} of values replaced; other braces stay as they are.
std::string Filled(std::string_view text, std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    std::string filled;
    while (!text.empty()) {
        bool replaced = false;
        if (text.front() == '{') {
            for (const auto& [name, value] : values) {
                if (text.size() > name.size() + 1 && text.substr(1, name.size()) == name && text[name.size() + 1] == '}') {
                    filled += value;
                    text.remove_prefix(name.size() + 2);
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            filled += text.front();
            text.remove_prefix(1);
        }
    }
    return filled;
}

}  // namespace

std::string MessageText(const Message& message, std::string_view path) {
    return Filled(message.text, {{kPathSlot.substr(1, kPathSlot.size() - 2), path}});
}

std::string MessageCaption(const Message& message, std::string_view path) {
    return Filled(message.caption, {{kPathSlot.substr(1, kPathSlot.size() - 2), path}});
}

std::string FilledLine(const ConverterLine& line, std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    return Filled(line.text, values);
}
