#include "platform/message_box.h"

namespace {
MessageBoxStandIn g_stand_in;
}

int ShowMessage(HWND owner, const Message& message, std::string_view path) {
    const std::string text = MessageText(message, path);
    const std::string caption = MessageCaption(message, path);
    if (g_stand_in) return g_stand_in(owner, text, caption, message.style);
    return MessageBoxA(owner, text.c_str(), caption.c_str(), message.style);
}

void SetMessageBoxStandIn(MessageBoxStandIn stand_in) { g_stand_in = std::move(stand_in); }
