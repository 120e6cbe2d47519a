#include <gtest/gtest.h>
#include <set>
#include "core/context_menu_entries.h"

namespace {

TEST(ContextMenuEntries, FollowTheListItsSelectionAndTheTool) {
    const struct Row {
        Side side;
        bool selected;
        bool tool;
        std::set<int> enabled;
    } rows[] = {
        {Side::Bitmaps, false, false, {}},
        {Side::Bitmaps, true, false, {IDM_COPY_BMP, IDM_DELETE_FILES}},
        {Side::Bitmaps, false, true, {IDM_OPEN_WITH_TOOL}},
        {Side::Bitmaps, true, true, {IDM_OPEN_WITH_TOOL, IDM_COPY_BMP, IDM_DELETE_FILES}},
        {Side::Textures, false, false, {}},
        {Side::Textures, true, false, {IDM_COPY_AF, IDM_DELETE_FILES}},
        {Side::Textures, false, true, {}},
        {Side::Textures, true, true, {IDM_COPY_AF, IDM_DELETE_FILES}},
    };
    for (const Row& row : rows) {
        std::set<int> enabled;
        for (int command : kContextMenuCommands) {
            if (ContextMenuEntryApplies(command, row.side, row.selected, row.tool)) enabled.insert(command);
        }
        EXPECT_EQ(enabled, row.enabled) << "row " << &row - rows;
    }
}

}  // namespace
