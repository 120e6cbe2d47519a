// Every message box of the program goes through here, so that a test can
// script the answer and record the question, and the batch converter can
// print the message instead of showing it.
#pragma once
#include <string_view>

// An owner window as the portable code sees it: an HWND on Windows, opaque here.
using WindowRef = void*;

// Style bits and answers, with the values MessageBoxA uses.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbYesNo = 0x4;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconWarning = 0x30;  // same value as MB_ICONEXCLAMATION
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual int Show(WindowRef owner, std::string_view text, std::string_view caption, unsigned style) = 0;
};

// Shows a message through the current sink and returns the answer.
int ShowMessage(WindowRef owner, std::string_view text, std::string_view caption, unsigned style);

// Replaces the sink; nullptr puts the default back (MessageBoxA on Windows,
// standard error elsewhere). Returns the sink that was in place.
MessageSink* SetMessageSink(MessageSink* sink);
