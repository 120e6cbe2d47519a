#include "gallery/gallery.h"
#include <commctrl.h>
#include "platform/program_instance.h"
#include "gallery/gallery_list.h"
#include "gallery/owned_image_list.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "skin/skinned_dialog.h"

namespace {

OwnedImageList CreateThumbnailList(int size) {
    // No mask; room for one image at first, growing by 512.
    return OwnedImageList(ImageList_Create(size, size, ILC_COLOR16, 1, 512));
}

// What one opening of the gallery holds.
struct GalleryOpening final : DialogOpening {
    HWND dialog = nullptr;
    OwnedImageList bitmap_images;
    OwnedImageList texture_images;

    // The list views let go of their image lists first: each would otherwise
    // destroy its list a second time when it goes, as it does not share them.
    ~GalleryOpening() override {
        for (const auto& [list_id, images] : {std::pair{IDC_GALLERY_TEXTURES, &texture_images},
                                              std::pair{IDC_GALLERY_BITMAPS, &bitmap_images}}) {
            SendDlgItemMessageA(dialog, list_id, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
            images->Close();
        }
        SendDlgItemMessageA(dialog, IDC_GALLERY_TEXTURES, LVM_DELETEALLITEMS, 0, 0);
        SendDlgItemMessageA(dialog, IDC_GALLERY_BITMAPS, LVM_DELETEALLITEMS, 0, 0);
    }
};

// OK is the only owner-drawn control; Close ends the gallery as OK does.
constexpr ButtonPictures kGalleryButtons[] = {{kEveryButton, IDB_GALLERY_OK_NORMAL, IDB_GALLERY_OK_PRESSED}};
constexpr SkinnedDialogLook kGalleryLook{kGalleryButtons, true, true};

void InitGallery(HWND dialog) {
    GalleryOpening* opening = AttachNewOpening<GalleryOpening>(dialog, kGalleryLook);
    if (!opening) return;
    opening->dialog = dialog;
    const int thumbnail_size = ThumbnailSizeFor(GetThumbs());
    opening->bitmap_images = CreateThumbnailList(thumbnail_size);
    opening->texture_images = CreateThumbnailList(thumbnail_size);
    FillGalleryList(dialog, kTexturesPairing, thumbnail_size, opening->texture_images.Get());
    FillGalleryList(dialog, kBitmapsPairing, thumbnail_size, opening->bitmap_images.Get());
}

void RunGalleryCommand(HWND dialog, int command) {
    if (command == IDC_GALLERY_OK) EndSkinnedDialog(dialog);
}

}  // namespace

void ShowGallery(HWND owner) {
    DialogBoxParamA(ProgramInstance(), kGalleryTemplate, owner, &GalleryDialogProc, 0);
}

INT_PTR CALLBACK GalleryDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return RunSkinnedDialog(dialog, kGalleryLook, {InitGallery, RunGalleryCommand}, message, wparam, lparam);
}
