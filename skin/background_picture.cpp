#include "skin/background_picture.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"

namespace {

SIZE MeasureBitmap(HBITMAP bitmap) {
    BITMAP measured{};
    if (bitmap) GetObjectA(bitmap, sizeof measured, &measured);
    return {measured.bmWidth, measured.bmHeight};
}

}  // namespace

BackgroundPicture::BackgroundPicture()
    : dc_(nullptr),
      bitmap_(LoadBitmapA(ProgramInstance(), MAKEINTRESOURCEA(IDB_BACKGROUND))),
      size_(MeasureBitmap(bitmap_.Get())),
      selection_(dc_.Get(), bitmap_.Get()) {}

void BackgroundPicture::StretchOver(HDC target, int width, int height) const {
    if (!bitmap_ || !dc_) return;
    // COLORONCOLOR drops pixels instead of blending them, which keeps the
    // 8-bit artwork's colours exact.
    SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, 0, 0, width, height, dc_.Get(), 0, 0, size_.cx, size_.cy, SRCCOPY);
}
