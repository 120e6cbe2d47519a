#include "core/context_menu_entries.h"

bool ContextMenuEntryApplies(int command, Side side, bool has_selection, bool tool_exists) {
    if (command == IDM_OPEN_WITH_TOOL) return side == Side::Bitmaps && tool_exists;
    if (command == IDM_DELETE_FILES) return has_selection;
    return command == TraitsOf(side).copy_command && has_selection;
}
