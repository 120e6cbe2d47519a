// Putting text on the clipboard, for the tool windows' copy commands.
#pragma once
#include <windows.h>
#include <string_view>

// Replaces what the clipboard holds with the text (CF_TEXT). False when the
// clipboard is held open by another program or memory runs out.
bool PutTextOnClipboard(HWND owner, std::string_view text);
