#include "settings/texture_settings.h"
#include "settings/settings_store.h"

namespace {
bool IsOn(const char* setting) {
    const DWORD value = ReadSettingDword(setting);
    return value != kMissingSetting && value != 0;
}
}  // namespace

TextureOptions GetTextureOptions() { return {IsOn(kSmoothSetting), IsOn(kDitherSetting)}; }

TextureOptions TextureOptionsFor(Side side) { return side == Side::Bitmaps ? GetTextureOptions() : TextureOptions{}; }
