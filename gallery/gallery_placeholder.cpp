#include "gallery/gallery.h"

void ShowGallery(HWND) {}
