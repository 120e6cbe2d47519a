#include "gallery/gallery_list.h"
#include <commctrl.h>
#include <optional>
#include <vector>
#include "core/path_buffer.h"
#include "platform/dialog_items.h"
#include "platform/guards.h"
#include "platform/list_item_text.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

const GalleryPairing kTexturesPairing = {IDC_GALLERY_TEXTURES, Side::Textures};
const GalleryPairing kBitmapsPairing = {IDC_GALLERY_BITMAPS, Side::Bitmaps};

namespace {

// A file whose path would not fit a path buffer is not read at all.
int ThumbnailOfItem(HWND gallery, const GalleryPairing& pairing, const PathBuffer& folder, const PathBuffer& name,
                    const ThumbnailTarget& target) {
    const std::optional<PathBuffer> path = JoinPath(folder.data(), name.data());
    if (!path) return I_IMAGENONE;
    return RenderThumbnail(gallery, path->data(), pairing.side, target).value_or(I_IMAGENONE);
}

void InsertItem(HWND list, int index, PathBuffer& name, int image) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.iSubItem = 0;
    item.pszText = name.data();
    item.iImage = image;
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void FillGalleryList(HWND gallery, const GalleryPairing& pairing, int thumbnail_size, HIMAGELIST images) {
    HWND list = DialogItem(gallery, pairing.gallery_list);
    HWND source = DialogItem(GetParent(gallery), TraitsOf(pairing.side).list_id);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    const int count = source ? static_cast<int>(SendMessageA(source, LVM_GETITEMCOUNT, 0, 0)) : 0;
    if (count > 0) {
        // Every item carries its own image index, so the list's own sorting
        // cannot part names from pictures.
        std::vector<int> image_of_item(static_cast<std::size_t>(count), I_IMAGENONE);
        // The folder and the screen's context are had once for every file:
        // under Wine each costs requests to its server, which a large folder
        // would pay a thousand times over.
        const PathBuffer folder = FolderOf(pairing.side);
        WindowDC screen(nullptr);
        const ThumbnailTarget target{screen.Get(), thumbnail_size, images};
        for (int i = 0; i < count; ++i) {
            image_of_item[i] = ThumbnailOfItem(gallery, pairing, folder, ListItemText(source, i), target);
        }
        SendMessageA(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
        for (int i = 0; i < count; ++i) {
            PathBuffer name = ListItemText(source, i);
            InsertItem(list, i, name, image_of_item[i]);
        }
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}
