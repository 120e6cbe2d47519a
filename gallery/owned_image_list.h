// An image list that destroys itself exactly once, on every path. All of
// them share one live count, so a test can see that none is left behind.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "platform/guards.h"

// Image lists currently held through OwnedImageList.
long LiveImageListCount();

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Empty() { return nullptr; }
    static bool Close(Handle list) { return ImageList_Destroy(list) != FALSE; }
    static void Count(int change);
};

using OwnedImageList = ScopedHandle<ImageListTraits>;
