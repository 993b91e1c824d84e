#!/usr/bin/env bash
# Drawing in an image editor while the clock follows, on a real X server with a window manager
# (Xvfb and openbox), driven with xdotool as a user drives it.
#   reload_session.sh EDITOR PDLTOOL
# Checks: a dial and three hands drawn as PNG with transparency (by ImageMagick, as a drawing
# program saves them), loaded through the menus and converted; the hour hand's hole placed in the
# positioning dialog by keys; the clock saved; then the dial saved over three times as image
# editors save (written beside and renamed over), each time with a patch of a new colour: the
# preview shows each patch within a second and a half, the status line names the file, and
# Ctrl+S saves again without a question, the hole where it was placed.
# DIALWRIGHT_E2E_SHOTS=FOLDER keeps screenshots of the steps there.
set -euo pipefail

# shellcheck source=tests/e2e/session_lib.sh
source "$(dirname "$(realpath "$0")")/session_lib.sh"

export XDG_STATE_HOME="$work/state"
shots=${DIALWRIGHT_E2E_SHOTS:-}
shot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/$1.png"; }; }

# A round dial, transparent outside its face, with a patch of the given colour left of the centre.
draw_dial() { # colour, file
  convert -size 240x240 xc:none -fill '#f0e6d2' -draw 'circle 120,120 120,6' \
    -fill '#3c281e' -draw 'rectangle 116,10 124,40' -draw 'rectangle 116,200 124,230' \
    -draw 'rectangle 10,116 40,124' -draw 'rectangle 200,116 230,124' \
    -fill "$1" -draw 'rectangle 40,150 100,200' "PNG32:$2"
}
draw_hand() { # width, height, file: a dark bar on transparency, its hole near the bottom
  convert -size "$1x$2" xc:none -fill '#202020' -draw "rectangle 1,0 $(($1 - 2)),$(($2 - 1))" "PNG32:$3"
}
draw_dial '#ff0000' "$work/dial.png"
draw_hand 8 70 "$work/hour.png"
draw_hand 6 95 "$work/minute.png"
draw_hand 3 100 "$work/second.png"

menu() { # a menu by its access key, then items by their keys
  xdotool key "alt+$1"
  sleep 0.3
  shift
  for k in "$@"; do
    xdotool key "$k"
    sleep 0.2
  done
}
# A picture loaded through its menu item; the conversion question answered with OK.
load_picture() { # hand menu key, file
  menu e "$1" l
  choose_file "開く" "$2"
  question=$(wait_window "$main_title" 2)
  xdotool windowactivate --sync "$question" >/dev/null 2>&1 || true
  sleep 0.2
  xdotool key Return
  sleep 0.5
  xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
}
# How many pixels of the main window show exactly this colour.
pixels_of() { # colour
  import -window "$main_window" "$work/window.png"
  convert "$work/window.png" -alpha off -fill black +opaque "$1" -fill white -opaque "$1" \
    -format '%[fx:round(mean*w*h)]' info:
}
# Waits up to 1.5 s for the preview to show the colour.
wait_colour() { # colour
  local tries=0
  while [ "$(pixels_of "$1")" -lt 1500 ]; do
    tries=$((tries + 1))
    [ $tries -gt 6 ] && fail "the preview does not show $1 1.5 s after the dial was saved"
    sleep 0.25
  done
}

start_editor
load_picture b "$work/dial.png"
load_picture h "$work/hour.png"
load_picture m "$work/minute.png"
load_picture s "$work/second.png"
wait_colour '#ff0000'
shot reload-loaded

# The hour hand's hole: 16 dial pixels right and 8 down of the middle, by keys.
menu e h p
dialog=$(wait_window "時針の位置合わせ")
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
sleep 0.3
xdotool key ctrl+Right ctrl+Right ctrl+Down Return
sleep 0.3
xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
info=$(save_and_describe "$work/clock.pdl")
grep -q '^ *HCX=136$' <<<"$info" && grep -q '^ *HCY=128$' <<<"$info" || fail "the hole was not placed:
$info"

n=0
for colour in '#00c000' '#0000ff' '#ff00ff'; do
  n=$((n + 1))
  # Written beside the file and renamed over it, as image editors save.
  draw_dial "$colour" "$work/.dial.png.tmp"
  mv -f "$work/.dial.png.tmp" "$work/dial.png"
  wait_colour "$colour"
  shot "reload-$n"
done
[ "$(pixels_of '#ff0000')" -eq 0 ] || fail "the first dial still shows"

# Ctrl+S: saved again to clock.pdl, no file dialog; only "保存しました".
before=$(stat -c %Y.%s "$work/clock.pdl")
sleep 1
xdotool key ctrl+s
box=$(wait_window "$main_title" 2)
[ "$(window_count "名前を付けて保存")" -eq 0 ] || fail "Ctrl+S asked for a file name"
shot reload-saved-again
xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
xdotool key Return
sleep 0.3
[ "$(stat -c %Y.%s "$work/clock.pdl")" != "$before" ] || fail "Ctrl+S did not write clock.pdl"
info=$("$pdltool" info "$work/clock.pdl") || fail "pdltool could not read the file saved again"
grep -q '^ *HCX=136$' <<<"$info" && grep -q '^ *HCY=128$' <<<"$info" || fail "the hole moved with the reloads:
$info"
# The three reloads are steps: Ctrl+Z brings the blue dial back.
xdotool key ctrl+z
wait_colour '#0000ff'
shot reload-undone
xdotool key ctrl+s
box=$(wait_window "$main_title" 2)
xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
xdotool key Return
sleep 0.3
close_editor
echo "ok: the dial saved over three times showed in the preview each time, the hole kept; Ctrl+S saved again"
