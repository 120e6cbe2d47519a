#include "settings/texture_settings.h"
#include "settings/settings_store.h"

TextureOptions GetTextureOptions() {
    return {GetNumberSetting(Setting::Smooth) != 0, GetNumberSetting(Setting::Dither) != 0};
}

TextureOptions TextureOptionsFor(Side side) { return side == Side::Bitmaps ? GetTextureOptions() : TextureOptions{}; }
