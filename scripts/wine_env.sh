# Sourced by the run and test scripts: a Wine prefix of the project's own, in
# the build tree, and a display for it.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no debugger that would wait on a crashed test.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

# use_prefix NAME [virtual-desktop]: creates the prefix once; with a second
# argument, Wine draws every window inside its own desktop (no window manager
# needed, no waits for one).
use_prefix() {
  export WINEPREFIX="$root/build/$1"
  # A prefix made before Wine's 32-bit half was installed cannot start any
  # program once it is: make it again.
  if [ -f "$WINEPREFIX/system.reg" ] && ! wine cmd.exe /c exit >/dev/null 2>&1; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Wine's own fonts (Debian's fonts-wine): Marlett draws the caption buttons,
  # Tahoma the dialogs. This Wine looks for them beside its data folder under
  # a name Windows cannot open, so they go into the prefix's Fonts folder,
  # where every Wine finds them.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ]; then
    cp -u /usr/share/wine/fonts/*.ttf "$fonts/"
  fi
  if [ -n "${2:-}" ]; then
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    wineserver -k 2>/dev/null || true
    wineserver -w
  fi
}

# make_demo_workspace FOLDER CONVERTER: the demo's liveries painted as bitmaps
# in FOLDER/Bitmaps, and the textures the batch converter (the Windows one,
# run under Wine in the current prefix) makes of them in FOLDER/Textures.
make_demo_workspace() {
  local workspace=$1 converter=$2 bitmap
  /usr/bin/python3 "$root/scripts/make_demo_pictures.py" "$workspace"
  local sources=()
  # Only the bitmaps named as converted textures (dc3.oaf.bmp): each goes back
  # to its texture's own name.
  for bitmap in "$workspace"/Bitmaps/*.*.bmp; do
    sources+=("$(winepath -w "$bitmap")")
  done
  wine "$converter" to-af --force --out "$(winepath -w "$workspace/Textures")" "${sources[@]}" >/dev/null
}

# stop_wine: ends every Wine process of the current prefix and waits for them.
stop_wine() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

# start_virtual_display: an Xvfb of our own, ended when the script ends.
start_virtual_display() {
  local number
  for number in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
    if kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$number"
      trap 'stop_wine; kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null' EXIT
      return 0
    fi
  done
  echo "No virtual display could be started" >&2
  return 1
}

# wait_for_window TITLE: waits until a window whose title holds TITLE is
# mapped and prints its id (xdotool).
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

# find_main_window: waits for lumivane.exe's main window in a 1024 x 768 Wine
# desktop and sets left, top, main_width and main_height. Wine centres the
# window in its desktop; clicks are measured from its top-left corner, in
# pixels at the prefix's 96 dpi.
first_texture=(620 232)
find_main_window() {
  local main_window WIDTH HEIGHT X Y SCREEN WINDOW
  main_window=$(wait_for_window "Lumivane")
  sleep 3
  eval "$(xdotool getwindowgeometry --shell "$main_window")"
  main_width=$WIDTH
  main_height=$HEIGHT
  left=$(( (1024 - main_width) / 2 ))
  top=$(( (768 - main_height) / 2 ))
}

# click_in_window X Y [BUTTON]: a click at a point of the main window.
click_in_window() {
  xdotool mousemove "$((left + $1))" "$((top + $2))" click "${3:-1}"
  sleep 2
}
