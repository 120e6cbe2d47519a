#include "gallery/owned_image_list.h"

namespace {
long g_live_image_lists = 0;  // image lists are made and destroyed on the GUI thread only
}

long LiveImageListCount() { return g_live_image_lists; }

OwnedImageList& OwnedImageList::operator=(OwnedImageList&& other) noexcept {
    if (this != &other) {
        Reset();
        list_ = std::exchange(other.list_, nullptr);
    }
    return *this;
}

void OwnedImageList::Reset(HIMAGELIST list) {
    if (list_) {
        ImageList_Destroy(list_);
        --g_live_image_lists;
    }
    list_ = list;
    if (list_) ++g_live_image_lists;
}
