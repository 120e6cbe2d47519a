#include "gallery/gallery.h"
#include <commctrl.h>
#include "platform/program_instance.h"
#include "gallery/gallery_list.h"
#include "gallery/owned_image_list.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "skin/bitmap_button.h"
#include "skin/dialog_colours.h"

namespace {

// What lives as long as the open gallery; only one is ever open.
struct OpenGallery {
    int thumbnail_size = 32;
    DialogBrushes brushes;
    OwnedImageList bitmap_images;
    OwnedImageList texture_images;
};
OpenGallery g_gallery;

OwnedImageList CreateThumbnailList(int size) {
    // No mask; room for one image at first, growing by 512.
    return OwnedImageList(ImageList_Create(size, size, ILC_COLOR16, 1, 512));
}

void InitGallery(HWND dialog) {
    g_gallery.thumbnail_size = ThumbnailSizeFor(GetThumbs());
    CreateDialogBrushes(g_gallery.brushes);
    g_gallery.bitmap_images = CreateThumbnailList(g_gallery.thumbnail_size);
    g_gallery.texture_images = CreateThumbnailList(g_gallery.thumbnail_size);
    FillGalleryList(dialog, kTexturesPairing, g_gallery.thumbnail_size, g_gallery.texture_images.Get());
    FillGalleryList(dialog, kBitmapsPairing, g_gallery.thumbnail_size, g_gallery.bitmap_images.Get());
}

// The list view lets go of the image list first: it would otherwise destroy
// it a second time when it goes, since it does not share its image lists.
void DestroyShownImageList(HWND dialog, int list_id, OwnedImageList& images) {
    if (!images) return;
    SendDlgItemMessageA(dialog, list_id, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
    images.Reset();
}

// Safe to run more than once: whatever is gone already is skipped.
void ReleaseGallery(HWND dialog) {
    DeleteDialogBrushes(g_gallery.brushes);
    DestroyShownImageList(dialog, IDC_GALLERY_TEXTURES, g_gallery.texture_images);
    DestroyShownImageList(dialog, IDC_GALLERY_BITMAPS, g_gallery.bitmap_images);
    SendDlgItemMessageA(dialog, IDC_GALLERY_TEXTURES, LVM_DELETEALLITEMS, 0, 0);
    SendDlgItemMessageA(dialog, IDC_GALLERY_BITMAPS, LVM_DELETEALLITEMS, 0, 0);
}

void CloseGallery(HWND dialog) {
    ReleaseGallery(dialog);
    EndDialog(dialog, 1);
}

}  // namespace

void ShowGallery(HWND owner) {
    DialogBoxParamA(ProgramInstance(), kGalleryTemplate, owner, &GalleryDialogProc, 0);
}

INT_PTR CALLBACK GalleryDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (LOWORD(message)) {
    case WM_INITDIALOG:
        InitGallery(dialog);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDC_GALLERY_OK) CloseGallery(dialog);
        return FALSE;
    case WM_SYSCOMMAND:
        // The system's own handling follows in every case.
        if ((wparam & 0xFFF0) == SC_CLOSE) CloseGallery(dialog);
        return FALSE;
    case WM_DESTROY:
        // Only if the gallery went without OK or Close, which release it all.
        ReleaseGallery(dialog);
        return FALSE;
    case WM_DRAWITEM:
        // The only owner-drawn control is OK.
        return DrawBitmapButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam), IDB_GALLERY_OK_NORMAL,
                                IDB_GALLERY_OK_PRESSED, 44, 35);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
        return AnswerColourMessage(g_gallery.brushes, message, wparam).value_or(FALSE);
    default:
        return FALSE;
    }
}
