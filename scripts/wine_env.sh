# Sourced by the run and test scripts: a Wine prefix of the project's own, in
# the build tree, and a display for it. What Wine shows and runs with is
# decided here, not by what this machine happens to have: the loader, the
# locale and the fonts.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
source "$root/scripts/machine_probe.sh"
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no debugger that would wait on a crashed test.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# The Windows locale Wine derives from the Unix one (its code page, its
# button texts), and file names in UTF-8 whatever the machine's locale.
export LC_ALL=C.UTF-8
unset LANGUAGE

# Every Wine process of these scripts, Wine's server and the virtual display
# run on one processor: the first this shell may use. A program under Wine
# waits for Wine's server, or for the X server, on nearly every call it
# makes; on another processor each answer also waits for that processor to
# wake, which on a virtual machine can take longer than the work itself (the
# preview and repaint benchmarks ran four to five times slower so). On one
# processor the server runs the moment the program waits. The stand-ins
# below, first on PATH, put every Wine command there, so that programs
# started by a script (timeout, the example runner) get them too.
wine_processor=$(taskset -pc $$ 2>/dev/null | sed -n 's/.*: *\([0-9][0-9]*\).*/\1/p')
on_wine_processor=""
[ -n "$wine_processor" ] && on_wine_processor="taskset -c $wine_processor "

# Debian's wine launcher (and winepath and wineboot through it) takes the
# 32-bit loader whenever wine32 is installed, and fails with "Exec format
# error" on a kernel that starts no 32-bit programs. There, every Wine
# command goes to the 64-bit loader.
wine_commands="$root/build/wine-commands"
mkdir -p "$wine_commands"
if runs_32bit_programs; then
  wine_loader=wine
  for command in wine winepath wineboot; do
    printf '#!/bin/sh\nexec %s/usr/bin/%s "$@"\n' "$on_wine_processor" "$command" >"$wine_commands/$command"
  done
else
  wine_loader=/usr/lib/wine/wine64
  export WINELOADER=$wine_loader
  printf '#!/bin/sh\nexec %s%s "$@"\n' "$on_wine_processor" "$wine_loader" >"$wine_commands/wine"
  for command in winepath wineboot; do
    printf '#!/bin/sh\nexec %s%s %s.exe "$@"\n' "$on_wine_processor" "$wine_loader" "$command" >"$wine_commands/$command"
  done
fi
chmod +x "$wine_commands"/*
case ":$PATH:" in *":$wine_commands:"*) ;; *) export PATH="$wine_commands:$PATH" ;; esac

# The fonts Wine finds through fontconfig: only those the set-up installs
# (Liberation, with Arial's, Times New Roman's and Courier New's metrics, and
# DejaVu), beside Wine's own. A machine with more fonts would otherwise
# change what "Arial" becomes, and with it the dialogs' text and sizes.
export FONTCONFIG_FILE="$root/build/wine-fonts.conf"
mkdir -p "$root/build/fontconfig-cache"
cat >"$FONTCONFIG_FILE.new" <<FONTS
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/liberation</dir>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <cachedir>$root/build/fontconfig-cache</cachedir>
</fontconfig>
FONTS
mv "$FONTCONFIG_FILE.new" "$FONTCONFIG_FILE"

# Xlib looks up its settings (the resource database) on many of the calls
# Wine's X driver makes, and keeps what it found only when something was
# found: on a display without resources, such as our Xvfb, it opens
# ~/.Xdefaults and ~/.Xdefaults-<host> anew each time, some hundred times
# for each repaint of the main window, and a machine where these files happen
# to exist draws faster. A resource file of our own, empty, is found on the
# first call and kept, as a desktop session's resources are.
export XENVIRONMENT="$root/build/x-resources"
printf '! No resources: found once, so that Xlib stops looking for others.\n' >"$XENVIRONMENT"

# use_prefix NAME [virtual-desktop]: creates the prefix once; with a second
# argument, Wine draws every window inside its own desktop (no window manager
# needed, no waits for one).
use_prefix() {
  export WINEPREFIX="$root/build/$1"
  # The prefix records how it was made: with which loader, and with this
  # file's font settings. One made otherwise, half made by a run that was
  # interrupted, or made before Wine's 32-bit half was installed (it then
  # starts no program) is made again.
  local made_as="loader=$wine_loader fonts=liberation-1"
  if [ -d "$WINEPREFIX" ] && { [ "$(cat "$WINEPREFIX/lumivane-made-as" 2>/dev/null)" != "$made_as" ] ||
                               ! wine cmd.exe /c exit >/dev/null 2>&1; }; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/lumivane-made-as" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # "Arial" and the other faces of Windows' core fonts are the Liberation
    # fonts of the same metrics, so text is laid out as on Windows.
    local replacements="$WINEPREFIX/font-replacements.reg"
    printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
      '"Arial"="Liberation Sans"' '"Times New Roman"="Liberation Serif"' '"Courier New"="Liberation Mono"' \
      >"$replacements"
    wine regedit /S "$(winepath -w "$replacements")" >/dev/null 2>&1
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] && echo "$made_as" >"$WINEPREFIX/lumivane-made-as"
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
    $on_wine_processor Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
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

# start_in_desktop NAME PROGRAM [ARGUMENTS...]: starts PROGRAM in the
# background inside Wine's own 1024 x 768 desktop NAME (no window manager
# needed); click_control starts its clicks in the same desktop.
start_in_desktop() {
  wine_desktop=$1
  shift
  wine explorer "/desktop=$wine_desktop,1024x768" "$@" >/dev/null 2>&1 &
}

# find_main_window: waits for lumivane.exe's main window in the Wine desktop
# and sets left, top, main_width and main_height. Wine centres the window in
# its desktop.
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

# click_control TOOL_FOLDER ID [X Y] [BUTTON]: a click on the control of
# that id in whichever of the program's windows takes input (at X Y from the
# control's top-left corner, by default its centre), found through the
# windows themselves by the control_point tool built beside the program.
click_control() {
  local tool_folder=$1 id=$2 answer="$WINEPREFIX/drive_c/control-point.txt" x y
  shift 2
  local at=()
  [ $# -ge 2 ] && { at=("$1" "$2"); shift 2; }
  rm -f "$answer"
  wine explorer "/desktop=$wine_desktop,1024x768" "$tool_folder/control_point.exe" \
    'C:\control-point.txt' "$id" "${at[@]}" >/dev/null 2>&1 || true
  for _ in $(seq 1 60); do [ -s "$answer" ] && break; sleep 0.25; done
  read -r x y <"$answer" || { echo "No control $id to click" >&2; return 1; }
  xdotool mousemove "$x" "$y" click "${1:-1}"
  sleep 2
}
# The first item of a list in list mode lies at the top left of the list.
first_list_item=(12 6)

# click_in_window X Y [BUTTON]: a click at a point of the main window.
click_in_window() {
  xdotool mousemove "$((left + $1))" "$((top + $2))" click "${3:-1}"
  sleep 2
}
