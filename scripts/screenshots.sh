#!/usr/bin/env bash
# Saves the README's screenshots: the main window with a texture previewed in
# both panes (docs/main_window.png) and the About box (docs/about_box.png).
# Runs lumivane.exe inside Wine's own desktop on a virtual display, clicks with
# xdotool and captures with ImageMagick. Usage: scripts/screenshots.sh [BUILD_DIR]
# (default build/win64, as scripts/build.sh win64 makes it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
program="$build/bin/lumivane.exe"
[ -f "$program" ] || { echo "No $program: build the Windows side first" >&2; exit 1; }
if ! command -v xdotool >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get install -y -qq --no-install-recommends xdotool
fi

workspace="$build/screenshot-workspace"
rm -rf "$workspace"
/usr/bin/python3 "$root/scripts/make_demo_pictures.py" "$workspace"

source "$root/scripts/wine_env.sh"
start_virtual_display
use_prefix screenshots-prefix
wine reg delete 'HKCU\software\Quillomar\Wendacor' /f >/dev/null 2>&1 || true
for folder in Bitmaps Textures; do
  windows_path="$(winepath -w "$workspace/$folder")\\"
  wine reg add 'HKCU\software\Quillomar\Wendacor' /v "$folder" /t REG_SZ /d "$windows_path" /f >/dev/null 2>&1
done

# Wine's own desktop draws the caption without a window manager; the pictures
# are cut down to the window and a margin around it.
wine explorer /desktop=shot,1024x768 "$program" >/dev/null 2>&1 &
desktop_pid=$!

# Waits until a window whose title contains $1 is mapped; prints its id.
wait_for_window() {
  local id=""
  for _ in $(seq 1 60); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.5
  done
  echo "The window '$1' did not appear" >&2
  return 1
}

wait_for_window "shot" >/dev/null
main_window=$(wait_for_window "Lumivane")
sleep 3
# Wine centres the main window in its desktop; everything below is measured
# from the window's top-left corner, in pixels at the prefix's 96 dpi.
eval "$(xdotool getwindowgeometry --shell "$main_window")"
left=$(( (1024 - WIDTH) / 2 ))
top=$(( (768 - HEIGHT) / 2 ))
margin=24

mkdir -p "$root/docs"
# The desktop, cut down to the main window and a margin of Wine's desktop.
capture() {
  import -window root -crop "$((WIDTH + 2 * margin))x$((HEIGHT + 2 * margin))+$((left - margin))+$((top - margin))" \
    +repage "$1"
}
click_in_window() {
  xdotool mousemove "$((left + $1))" "$((top + $2))" click 1
  sleep 2
}

click_in_window 620 232   # the first texture of the Textures list
capture "$root/docs/main_window.png"
click_in_window 203 351   # the About button
capture "$root/docs/about_box.png"
xdotool key Return

kill "$desktop_pid" 2>/dev/null || true
wineserver -k 2>/dev/null || true
echo "Saved $root/docs/main_window.png and $root/docs/about_box.png"
