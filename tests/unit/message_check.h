// The one check of a message, for what a reader or writer returns (native
// tests) and for what the program showed in a box (recorded by the Windows
// tests): its text, caption and style byte for byte.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include "core/failure.h"

struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned style = 0;
    const void* owner = nullptr;  // the box's owner window; none for a returned failure
};

// What result's failure shows; "(no failure)" when it holds a value.
template <typename T>
ShownMessage Shown(const Result<T>& result) {
    if (result) return {"(no failure)", "", 0};
    return {result.Problem().Text(), result.Problem().Caption(), result.Problem().message->style};
}

// "@" as the whole text or caption stands for path.
inline void ExpectMessage(const ShownMessage& shown, const std::string& text, const std::string& caption, unsigned style,
                          const std::string& path = {}, const void* owner = nullptr) {
    EXPECT_EQ(shown.text, text == "@" ? path : text);
    EXPECT_EQ(shown.caption, caption == "@" ? path : caption);
    EXPECT_EQ(shown.style, style);
    EXPECT_EQ(shown.owner, owner);
}
