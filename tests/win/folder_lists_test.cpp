#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include "browser/folder_lists.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "tests/win/picture_files.h"
#include "tests/win/win_test_support.h"

namespace {

std::uint32_t PaneCentre(HWND pane) {
    RECT client{};
    GetClientRect(pane, &client);
    return ColourAt(pane, client.right / 2, client.bottom / 2);
}

void RepaintNow(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
}

class FolderListsTest : public WindowTest {
protected:
    void SetUp() override {
        bitmaps_.Write("green.bmp", Bmp24(40, 30, [](int, int) { return CubeColour(0, 5, 0); }));
        textures_.Write("red.oaf", Texture([](int, int) { return static_cast<std::uint8_t>(CubeIndex(5, 0, 0)); }));
        StartMainWindow();
    }
};

TEST_F(FolderListsTest, ClickingAListEnablesItsButtonPreviewsAndMakesItActive) {
    SetItemState(Item(IDC_BITMAPS_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_BMP_TO_AF)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_AF_TO_BMP)));
    EXPECT_EQ(PaneCentre(Item(IDC_SOURCE_PANE)), CubeColour(0, 5, 0));
    EXPECT_EQ(PaneCentre(Item(IDC_DESTINATION_PANE)), CubeColour(0, 5, 0));

    SetItemState(Item(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_AF_TO_BMP)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_BMP_TO_AF)));
    EXPECT_EQ(PaneCentre(Item(IDC_SOURCE_PANE)), CubeColour(5, 0, 0));
    // The Bitmaps list keeps its selection.
    EXPECT_EQ(SendMessageA(Item(IDC_BITMAPS_LIST), LVM_GETSELECTEDCOUNT, 0, 0), 1);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(FolderListsTest, TheFocusedItemIsPreviewedEvenWhenItIsNotSelected) {
    SetItemState(Item(IDC_TEXTURES_LIST), 0, LVIS_FOCUSED);
    EXPECT_EQ(SendMessageA(Item(IDC_TEXTURES_LIST), LVM_GETSELECTEDCOUNT, 0, 0), 0);
    EXPECT_EQ(PaneCentre(Item(IDC_DESTINATION_PANE)), CubeColour(5, 0, 0));
    EXPECT_STREQ(GetFocusedItemText(main_->Get(), Side::Textures), "red.oaf");
    EXPECT_EQ(GetFocusedItemText(main_->Get(), Side::Bitmaps), nullptr);
}

TEST_F(FolderListsTest, RepaintsBringThePanesBackAndARefillLeavesNoFocus) {
    SetItemState(Item(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    RepaintNow(main_->Get());
    EXPECT_EQ(PaneCentre(Item(IDC_DESTINATION_PANE)), CubeColour(5, 0, 0));
    RefillList(main_->Get(), Side::Textures);
    EXPECT_EQ(SendMessageA(Item(IDC_TEXTURES_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), -1);
    std::filesystem::remove(textures_.Path() / "red.oaf");
    RepaintNow(main_->Get());
    EXPECT_TRUE(messages_.Messages().empty()) << "a refilled list has nothing to preview";
}

TEST_F(FolderListsTest, AVanishedFileGivesOneMessageUntilItChangesNotOnePerRepaintOrClick) {
    std::filesystem::remove(textures_.Path() / "red.oaf");
    SetItemState(Item(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].caption, "Error opening file !");
    EXPECT_EQ(messages_.Messages()[0].text, (textures_.Path() / "red.oaf").string());
    for (int i = 0; i < 5; ++i) RepaintNow(main_->Get());
    EXPECT_EQ(messages_.Messages().size(), 1u);

    // Asking again for the same file, as it still is, tells nothing new;
    // the file in another state is read again and told once.
    PreviewFocusedItem(main_->Get(), Side::Textures);
    EXPECT_EQ(messages_.Messages().size(), 1u);
    textures_.Write("red.oaf", {1, 2, 3});
    for (int i = 0; i < 3; ++i) RepaintNow(main_->Get());
    ASSERT_EQ(messages_.Messages().size(), 2u);
    EXPECT_EQ(messages_.Messages()[1].text, (textures_.Path() / "red.oaf").string());
}

TEST_F(FolderListsTest, AFileThatComesBackIsPreviewedByTheNextRepaint) {
    const Bytes texture = ReadWholeFile(textures_.Path() / "red.oaf");
    std::filesystem::remove(textures_.Path() / "red.oaf");
    SetItemState(Item(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(messages_.Messages().size(), 1u);
    textures_.Write("red.oaf", texture);
    RepaintNow(main_->Get());
    EXPECT_EQ(PaneCentre(Item(IDC_SOURCE_PANE)), CubeColour(5, 0, 0));
    EXPECT_EQ(messages_.Messages().size(), 1u);
}

}  // namespace
