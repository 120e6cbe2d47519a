#include "core/message_sink.h"

MessageSink& DefaultMessageSink();  // one per platform

namespace {
MessageSink* g_sink = nullptr;
}

int ShowMessage(WindowRef owner, std::string_view text, std::string_view caption, unsigned style) {
    MessageSink& sink = g_sink ? *g_sink : DefaultMessageSink();
    return sink.Show(owner, text, caption, style);
}

MessageSink* SetMessageSink(MessageSink* sink) {
    MessageSink* previous = g_sink;
    g_sink = sink;
    return previous;
}
