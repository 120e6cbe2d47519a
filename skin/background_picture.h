// Background bitmap 105, selected into a memory device context of its own, as
// the main window and the About box stretch it over their client areas.
#pragma once
#include <windows.h>
#include "platform/guards.h"

class BackgroundPicture {
public:
    BackgroundPicture();
    BackgroundPicture(const BackgroundPicture&) = delete;
    BackgroundPicture& operator=(const BackgroundPicture&) = delete;

    // Stretches the whole picture over width x height at target's top-left
    // corner; nothing when the bitmap could not be loaded.
    void StretchOver(HDC target, int width, int height) const;
    int Width() const { return size_.cx; }
    int Height() const { return size_.cy; }

private:
    MemoryDC dc_;
    OwnedBitmap bitmap_;
    SIZE size_{};
    // Declared last, so the bitmap is put out of the DC before either goes.
    ObjectSelection selection_;
};
