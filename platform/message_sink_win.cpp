#include <windows.h>
#include <string>
#include "core/message_sink.h"

namespace {
class MessageBoxSink final : public MessageSink {
public:
    int Show(WindowRef owner, std::string_view text, std::string_view caption, unsigned style) override {
        const std::string text_z(text);
        const std::string caption_z(caption);
        return MessageBoxA(static_cast<HWND>(owner), text_z.c_str(), caption_z.c_str(), style);
    }
};
}  // namespace

MessageSink& DefaultMessageSink() {
    static MessageBoxSink sink;
    return sink;
}
