// Every message box of the program goes through ShowMessage: the messages of
// core/messages.h, and what the readers, the writers and the conversion
// return (shown as ShowMessage(owner, *failure.message, failure.path)). Tests
// put a recorder in place of the box, which records the question and
// scripts the answer.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <string_view>
#include "core/messages.h"

// Shows message with path in its slot in a box owned by owner, and returns
// the answer (IDOK, IDYES, IDNO).
int ShowMessage(HWND owner, const Message& message, std::string_view path = {});

// What stands in for MessageBoxA in a test; none puts MessageBoxA back.
using MessageBoxStandIn = std::function<int(HWND owner, const std::string& text, const std::string& caption, unsigned style)>;
void SetMessageBoxStandIn(MessageBoxStandIn stand_in);
