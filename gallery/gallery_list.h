// One side of the gallery: a list of the main window shown as thumbnails.
#pragma once
#include <windows.h>
#include "core/sides.h"
#include "gallery/thumbnail.h"

struct GalleryPairing {
    int gallery_list;  // the icon view in the gallery
    Side side;         // the main window's list whose names it shows
};

extern const GalleryPairing kTexturesPairing;
extern const GalleryPairing kBitmapsPairing;

// Shows every name of the source list, in its order, with the thumbnail of
// its file from images; a file without a thumbnail keeps its name and shows no
// picture. An empty source list leaves the gallery list empty and without
// image list. The gallery's owner is the main window.
void FillGalleryList(HWND gallery, const GalleryPairing& pairing, int thumbnail_size, HIMAGELIST images);
