// Which entries of the lists' context menu apply where the menu opens.
#pragma once
#include "core/sides.h"
#include "resources/resource_ids.h"

// The menu's commands, in the order they stand in it.
inline constexpr int kContextMenuCommands[] = {IDM_OPEN_WITH_TOOL, IDM_COPY_BMP, IDM_COPY_AF, IDM_DELETE_FILES};

// Whether a command of the menu applies to the side's list: only bitmaps open
// in the bitmap tool, and only when the tool is there; copying and deleting
// need a selected item, and each list copies only its own kind of file.
// A command that does not apply is greyed.
bool ContextMenuEntryApplies(int command, Side side, bool has_selection, bool tool_exists);
