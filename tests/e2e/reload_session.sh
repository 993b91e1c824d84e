#!/usr/bin/env bash
# Drawing in an image editor while the clock follows, on a real X server with a window manager
# (Xvfb and openbox), driven with xdotool as a user drives it.
#   reload_session.sh EDITOR PDLTOOL
# Checks: a dial and three hands drawn as PNG with transparency (by ImageMagick, as a drawing
# program saves them), loaded through the menus and converted; the hour hand's hole placed in the
# positioning dialog with the keys (the hand's own hole suggested with Ctrl+E, the marker moved on the
# dial with the arrow keys); the clock saved; then the dial saved over three times as image
# editors save (written beside and renamed over), each time with a patch of a new colour: the
# preview shows each patch (the time it took is printed), and Ctrl+S saves again without a file
# dialog, the hole where it was placed and the last dial in the file (drawn by pdltool render);
# undo brings the dial before back, and Ctrl+S saves that.
# DIALWRIGHT_E2E_SHOTS=FOLDER keeps screenshots of the steps there.
set -euo pipefail

# shellcheck source=tests/e2e/session_lib.sh
source "$(dirname "$(realpath "$0")")/session_lib.sh"

export XDG_STATE_HOME="$work/state"
shots=${DIALWRIGHT_E2E_SHOTS:-}
shot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/$1.png"; }; }

# A hand pointing up on transparency: a dark bar from the top to a round hub of radius 6 whose
# centre (8, height - 8) is its hole.
draw_hand() { # height, file
  local hub=$(($1 - 8))
  convert -size "17x$1" xc:none -fill '#202020' -draw "rectangle 6,0 10,$hub" \
    -draw "circle 8,$hub 8,$((hub + 6))" "PNG32:$2"
}
draw_dial '#ff0000' "$work/dial.png"
draw_hand 70 "$work/hour.png"
draw_hand 95 "$work/minute.png"
draw_hand 100 "$work/second.png"

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
# The colour of the patch (70, 175) in the clock a saved file draws, as the desktop shows it.
saved_patch() { # file
  "$pdltool" render "$1" --time 03:00:00 -o "$work/render.png" >/dev/null || fail "pdltool could not draw $1"
  convert "$work/render.png" -format '%[hex:u.p{70,175}]' info:
}

start_editor
load_picture b "$work/dial.png"
load_picture h "$work/hour.png"
load_picture m "$work/minute.png"
load_picture s "$work/second.png"
wait_colour '#ff0000'
shot reload-loaded

# The hour hand's hole, with the keys only: Ctrl+E puts the hand's own hole on its hub (8, 62);
# the dialog opens with the focus on OK, and Shift+Tab takes it back to the work area (first in
# the Tab order), where Space takes the marker from the hand and the arrow keys move it, 8 dial
# pixels a step with Ctrl: two steps right and one down from the middle (120, 120). Enter is OK.
wait_gone() { # until no visible window has this name
  local deadline=$((SECONDS + ${DIALWRIGHT_E2E_WAIT:-90}))
  while [ "$(window_count "$1")" -gt 0 ]; do
    [ $SECONDS -ge $deadline ] && fail "the window \"$1\" did not close"
    sleep 0.1
  done
}
menu e h p
dialog=$(wait_window "時針の位置合わせ")
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
xdotool windowfocus --sync "$dialog" >/dev/null 2>&1 || true
sleep 0.5
xdotool key ctrl+e
sleep 0.2
xdotool key shift+Tab
sleep 0.2
xdotool key space
sleep 0.2
xdotool key ctrl+Right ctrl+Right ctrl+Down
sleep 0.3
shot reload-hole-placed
xdotool key Return
wait_gone "時針の位置合わせ"
xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
info=$(save_and_describe "$work/clock.pdl")
hole_placed() { grep -q '^ *HCX=136$' <<<"$1" && grep -q '^ *HCY=128$' <<<"$1" \
  && grep -q '^ *HPX=8$' <<<"$1" && grep -q '^ *HPY=62$' <<<"$1"; }
hole_placed "$info" || fail "the hole was not placed:
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
hole_placed "$info" || fail "the hole moved with the reloads:
$info"
# The dial saved is the last one drawn, its magenta patch kept (the key colour is another one).
[ "$(saved_patch "$work/clock.pdl")" = FF00FFFF ] || fail "the file saved again shows $(saved_patch "$work/clock.pdl") at the patch"
# The three reloads are steps: undo (from the menu, as the title box has the focus and keeps
# Ctrl+Z for its own text) brings the blue dial back.
menu e u
wait_colour '#0000ff'
shot reload-undone
xdotool key ctrl+s
box=$(wait_window "$main_title" 2)
xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
xdotool key Return
sleep 0.3
[ "$(saved_patch "$work/clock.pdl")" = 0000FFFF ] || fail "the undone dial saved shows $(saved_patch "$work/clock.pdl") at the patch"
close_editor
echo "ok: the dial saved over three times showed in the preview each time, the hole kept; Ctrl+S saved again"
