#include "settings/texture_settings.h"
#include "settings/settings_store.h"

TextureOptions GetTextureOptions() {
    const auto [smooth, dither] = GetNumberSettings(Setting::Smooth, Setting::Dither);
    return {smooth != 0, dither != 0};
}

TextureOptions TextureOptionsFor(Side side) { return side == Side::Bitmaps ? GetTextureOptions() : TextureOptions{}; }
