#!/usr/bin/env bash
# Saves the README's and the user guide's screenshots in docs/: the main window
# with a livery's texture in both panes, the About box, Setup, the gallery,
# the Palette Picker and the Clipboard Viewer. Runs lumivane.exe inside Wine's
# own desktop on a virtual display over a demo workspace on the prefix's C:
# drive, so that nothing of this machine shows; finds the controls it clicks
# through the program's windows, clicks and types with xdotool and captures
# with ImageMagick.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default build/win64, as
# scripts/build.sh win64 makes it)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build=$(cd "${1:-$root/build/win64}" && pwd)
program="$build/bin/lumivane.exe"
[ -f "$program" ] || { echo "No $program: build the Windows side first" >&2; exit 1; }

source "$root/scripts/wine_env.sh"
start_virtual_display  # stops Wine and itself when this script ends
use_prefix screenshots-prefix

workspace="$WINEPREFIX/drive_c/Liveries"
rm -rf "$workspace"
make_demo_workspace "$workspace" "$build/bin/lumivane-convert.exe"
key='HKCU\software\Quillomar\Wendacor'
wine reg delete "$key" /f >/dev/null 2>&1 || true
wine reg add "$key" /v Bitmaps /t REG_SZ /d 'C:\Liveries\Bitmaps\' /f >/dev/null 2>&1
wine reg add "$key" /v Textures /t REG_SZ /d 'C:\Liveries\Textures\' /f >/dev/null 2>&1
wine reg add "$key" /v BMPTool /t REG_SZ /d 'C:\Program Files\Paint\paint.exe' /f >/dev/null 2>&1
wine reg add "$key" /v Thumbs /t REG_DWORD /d 1 /f >/dev/null 2>&1

# Wine's own desktop draws the captions without a window manager.
start_in_desktop shot "$program"

wait_for_window "shot" >/dev/null
find_main_window
margin=24
# The colour of Wine's desktop, in its top-left corner, for the margins.
desktop_colour=$(import -window root -crop 1x1+1+1 +repage -depth 8 txt:- | grep -o '#[0-9A-Fa-f]\{6\}' | head -n 1)

mkdir -p "$root/docs"
# capture FILE [X Y WIDTH HEIGHT]: the desktop, cut down to a rectangle (by
# default the main window) and a margin of Wine's desktop around it.
capture() {
  local x=${2:-$left} y=${3:-$top} width=${4:-$main_width} height=${5:-$main_height}
  import -window root -crop "$((width + 2 * margin))x$((height + 2 * margin))+$((x - margin))+$((y - margin))" \
    +repage "$1"
}
# capture_window TITLE FILE: a window other than the main one, as Wine drew
# it, in a margin of the desktop's colour. Prints the window's id.
capture_window() {
  local id
  id=$(wait_for_window "$1")
  sleep 2
  import -window "$id" miff:- | convert 'miff:-[0]' -bordercolor "$desktop_colour" -border "$margin" +repage "$2"
  echo "$id"
}
# open_system_menu_item N: the Nth item from the bottom of the main window's system menu.
open_system_menu_item() {
  click_in_window 10 10
  for _ in $(seq 1 "$1"); do xdotool key Up; done
  xdotool key Return
  sleep 2
}

# The controls clicked, by their ids in the program's resources.
textures_list=1032 about_button=1017 setup_button=6 setup_cancel=1025 gallery_ok=1034
tools="$build/bin"

click_control "$tools" "$textures_list" "${first_list_item[@]}"
capture "$root/docs/main_window.png"

click_control "$tools" "$about_button"
capture "$root/docs/about_box.png"
xdotool key Return
sleep 1

click_control "$tools" "$setup_button"
capture "$root/docs/setup.png"
click_control "$tools" "$setup_cancel"

open_system_menu_item 1   # Show all textures and bitmaps
capture_window " Textures " "$root/docs/gallery.png" >/dev/null
click_control "$tools" "$gallery_ok"

open_system_menu_item 2   # Palette Picker
capture_window "Palette Picker" "$root/docs/palette-picker.png" >/dev/null
xdotool key alt+F4
sleep 1

click_control "$tools" "$textures_list" "${first_list_item[@]}" 3  # the texture's context menu: Copy selected AF to clipboard
xdotool key Down Down Down Return
sleep 1
open_system_menu_item 3   # Clipboard Viewer
capture_window "Clipboard Viewer" "$root/docs/clipboard-viewer.png" >/dev/null

echo "Saved main_window.png, about_box.png, setup.png, gallery.png, palette-picker.png and clipboard-viewer.png in $root/docs"
