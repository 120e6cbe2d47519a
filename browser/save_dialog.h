// The Save dialog of the convert command, behind a seam so that tests can
// answer it and see what it was asked.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <optional>
#include <string_view>
#include "core/path_buffer.h"
#include "core/sides.h"

using SaveDialogRunner = BOOL (*)(OPENFILENAMEA* request);
// Replaces GetSaveFileNameA; nullptr puts it back. Returns the one in place.
SaveDialogRunner SetSaveDialogRunner(SaveDialogRunner runner);

// Runs the Save dialog for the target of item_name, a file of the target side
// converted from the other one, and returns the full target path; nothing
// when the user cancels or the path would not fit (which has been reported).
std::optional<PathBuffer> AskTargetPath(HWND main_window, std::string_view item_name, Side target);
