#!/usr/bin/env bash
# Sets everything up, builds Lumivane, prepares a demo workspace (a Bitmaps
# folder of painted liveries and a Textures folder of the textures the batch
# converter makes of them) and starts lumivane.exe under Wine: on your display
# when there is one; otherwise on a virtual one, where it saves a screenshot
# and says where. Whatever it started (Wine, the virtual display) is stopped
# when the program ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh" win64

source "$root/scripts/wine_env.sh"
headless=""
# A display that does not answer (one left behind by a closed session) counts
# as none.
if [ -z "${DISPLAY:-}" ] || ! xdotool getdisplaygeometry >/dev/null 2>&1; then
  headless=1
  start_virtual_display  # stops Wine and itself when this script ends
else
  trap stop_wine EXIT
fi
use_prefix demo-prefix

workspace="$root/demo"
make_demo_workspace "$workspace" "$root/build/win64/bin/lumivane-convert.exe"
for folder in Bitmaps Textures; do
  windows_path="$(winepath -w "$workspace/$folder")\\"
  wine reg add 'HKCU\software\Quillomar\Wendacor' /v "$folder" /t REG_SZ /d "$windows_path" /f >/dev/null 2>&1
done

program="$root/build/win64/bin/lumivane.exe"
if [ -z "$headless" ]; then
  echo "Starting Lumivane on $DISPLAY (demo folders: $workspace)"
  wine "$program" || true
  exit 0
fi

screenshot="$root/build/screenshots/lumivane.png"
mkdir -p "$(dirname "$screenshot")"
start_in_desktop demo "$program"
find_main_window
click_control "$(dirname "$program")" 1032 "${first_list_item[@]}"  # the first texture
import -window root -crop 1024x768+0+0 +repage "$screenshot"
echo "No display: Lumivane ran on a virtual one. Screenshot: $screenshot"
