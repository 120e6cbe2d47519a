// Outside Windows nobody can answer a message box: the message goes to
// standard error and every question is answered No, which writes nothing.
#include <cstdio>
#include "core/message_sink.h"

namespace {
class StderrSink final : public MessageSink {
public:
    int Show(WindowRef, std::string_view text, std::string_view caption, unsigned style) override {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
        return (style & 0xF) == kMbYesNo ? kIdNo : kIdOk;
    }
};
}  // namespace

MessageSink& DefaultMessageSink() {
    static StderrSink sink;
    return sink;
}
