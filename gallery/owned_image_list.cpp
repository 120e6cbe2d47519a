#include "gallery/owned_image_list.h"

namespace {
long g_live_image_lists = 0;  // image lists are made and destroyed on the GUI thread only
}

long LiveImageListCount() { return g_live_image_lists; }

void ImageListTraits::Count(int change) { g_live_image_lists += change; }
