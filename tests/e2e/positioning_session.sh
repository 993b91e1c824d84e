#!/usr/bin/env bash
# The hand positioning dialog on a real X server with a window manager (Xvfb and openbox), driven
# from the keyboard with xdotool as a user drives it.
#   positioning_session.sh EDITOR PDLTOOL
# Checks:
#   1. the dialog opens showing the whole 300 × 300 dial at 100 %;
#   2. at 800 %, each command brings back into the work area the marker that the view was
#      scrolled away from, on the dial: the marker's pop-up item, the hand's four items (opened
#      with Shift+F10), Ctrl+E, the side panel's centre, three default and axis buttons (reached
#      with Tab, pressed with Return); then Ctrl+0 keeps the marker on the dial in view;
#   3. OK keeps what the last commands placed, as the saved file shows;
#   4. a size given to the dialog by the user and its zoom come back after a restart.
# What the work area shows is read from screenshots of the dialog by colour: the dial's green, its
# grid (drawn between the pixels from 400 %) and the marker, which inverts what lies beneath.
# DIALWRIGHT_E2E_SHOTS=FOLDER keeps screenshots of the steps there.
set -euo pipefail

# shellcheck source=tests/e2e/session_lib.sh
source "$(dirname "$(realpath "$0")")/session_lib.sh"

# The recovery copies in the test's folder.
export XDG_STATE_HOME="$work/state"
shots=${DIALWRIGHT_E2E_SHOTS:-}
shot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/$1.png"; }; }

# A 300 × 300 dial in one green, #409060 (24-bit rows of 900 bytes need no padding).
row=$(printf '\\x60\\x90\\x40%.0s' $(seq 300))
{ bmp_header 300 300; for _ in $(seq 300); do printf '%b' "$row"; done; } >"$work/dial.bmp"
# A 6 × 60 hour hand: a black bar two pixels wide on white, its see-through colour (rows of 18
# bytes padded to 20).
hand_row='\xff\xff\xff\xff\xff\xff\x00\x00\x00\x00\x00\x00\xff\xff\xff\xff\xff\xff\x00\x00'
{ bmp_header 6 60; for _ in $(seq 60); do printf '%b' "$hand_row"; done; } >"$work/hand.bmp"
green="#409060"
grid="#608870"                  # a grid line over the green
inverted="#BF6F9F|#9F778F"      # the marker over the green or over its grid

title="時針の位置合わせ"

# What the dialog shows: "green grid marker area dial", the counts of the three colours (they show
# nowhere else than in the work area), the work area's size left of the 126-pixel side panel and
# above the status line, and the size of the box around the dial's green, as WxH.
counts() {
  local w h
  read -r _ _ w h < <(client_geometry "$dialog")
  import -window "$dialog" "$work/dialog.png"
  local dial
  dial=$(convert "$work/dialog.png" -fill black +opaque "$green" -trim -format '%wx%h' info: 2>/dev/null || echo 0x0)
  convert "$work/dialog.png" -format %c histogram:info:- \
    | awk -v g="$green" -v d="$grid" -v m="$inverted" -v a=$(((w - 128) * (h - 24))) -v box="$dial" '
    { n = $1 + 0; c = toupper($3) }
    c == g { green += n } c == d { gridded += n } c ~ "^(" m ")$" { marker += n }
    END { print green + 0, gridded + 0, marker + 0, a, box }'
}
# Waits until the work area shows what `condition` (an awk test of green, grid, marker, area and
# dial) says; the editor may take long to answer a key under the sanitizers on a busy machine.
await_view() { # what, condition
  local deadline=$((SECONDS + ${DIALWRIGHT_E2E_WAIT:-90})) seen
  while :; do
    xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1 || fail "after $1 the dialog is gone"
    seen=$(counts)
    awk -v s="$seen" "BEGIN { split(s, v, \" \"); green = v[1]; grid = v[2]; marker = v[3]; area = v[4]; dial = v[5]; exit !($2) }" \
      && return 0
    [ $SECONDS -ge $deadline ] && fail "after $1 the dialog shows green grid marker area dial = $seen"
    sleep 0.3
  done
}
# At 800 %: the marker on the dial in view, the dial (with its grid) over most of the work area.
zoomed_in_view='grid > 2000 && marker >= 20 && green + grid > area / 3'
# The view scrolled down (PageDown on the work area) until the marker is out of it.
scroll_away() {
  xdotool key Next Next Next
  await_view "scrolling down" 'marker == 0 && grid > 2000'
}
command_at_800() { # name for the screenshots, then the keys that give the command
  local name=$1
  shift
  scroll_away
  xdotool key "$@"
  await_view "$name" "$zoomed_in_view"
  shot "positioning-800-$name"
}
popup() { # the keys that open a pop-up menu, then the keys that choose in it
  local before
  before=$(xdotool search --onlyvisible --pid "$editor_pid" 2>/dev/null | grep -c . || true)
  xdotool key "$1"
  local deadline=$((SECONDS + ${DIALWRIGHT_E2E_WAIT:-90}))
  until [ "$(xdotool search --onlyvisible --pid "$editor_pid" 2>/dev/null | grep -c . || true)" -gt "$before" ]; do
    [ $SECONDS -ge $deadline ] && fail "$1 opened no pop-up menu"
    sleep 0.1
  done
  shift
  xdotool key "$@"
}
open_dialog() { # 組み立て > 時針 > 位置合わせ
  menu e h p
  dialog=$(wait_window "$title")
  xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
}

# --- 1. The whole dial at 100 % ----------------------------------------------------------------------
start_editor
load b "$work/dial.bmp"
load h "$work/hand.bmp"
open_dialog
# All of the dial, to its edges.
await_view "opening" 'grid == 0 && dial == "300x300"'
read -r _ _ width height < <(client_geometry "$dialog")
shot positioning-100
echo "ok: the dialog opens at $width x $height, the whole dial in view at 100 %"

# --- 2. Every command at 800 % -----------------------------------------------------------------------
xdotool key ctrl+plus ctrl+plus ctrl+plus
await_view "zooming in" "$zoomed_in_view"
shot positioning-800
xdotool key shift+Tab # from OK to the work area: the keys move the marker
# The marker's menu, then (Space: the keys move the hand) the hand's, each item by its place.
for item in "N1-centre-menu 1" "space" "N3-hour-menu 1" "N4-minute-menu 2" "N2-second-menu 3" "SuggestHole1-menu 4"; do
  read -r name downs <<<"$item"
  if [ -z "${downs:-}" ]; then
    xdotool key "$name"
    continue
  fi
  scroll_away
  keys=()
  for ((i = 0; i < downs; i++)); do keys+=(Down); done
  popup shift+F10 "${keys[@]}" Return
  await_view "$name" "$zoomed_in_view"
  shot "positioning-800-$name"
done
command_at_800 ctrl-e ctrl+e
# The side panel's buttons by Tab from the work area (OK and Cancel first, the lock box skipped),
# and back again.
for button in "SetCenterBtn 3" "HourDefGtn 4" "Button3 5" "Button4 6" "HndVtoHoleBtn 8"; do
  read -r name tabs <<<"$button"
  forth=() back=()
  for ((i = 0; i < tabs; i++)); do forth+=(Tab) back+=(shift+Tab); done
  command_at_800 "$name" "${forth[@]}" Return
  xdotool key "${back[@]}"
done
xdotool key ctrl+0
await_view "Ctrl+0" 'grid == 0 && marker >= 20 && green > 20000'
shot positioning-ctrl0
xdotool key ctrl+plus ctrl+plus ctrl+plus
await_view "zooming in again" "$zoomed_in_view"
echo "ok: at 800 % every pop-up item, Ctrl+E and every button brought the marker back on the dial; Ctrl+0 kept it"

# --- 3. OK keeps it ----------------------------------------------------------------------------------
xdotool windowsize "$dialog" 600 520 # a size of the user's
await_view "resizing" "$zoomed_in_view"
xdotool key Return # OK, the default button
wait_closed "$dialog"
xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
info=$(save_and_describe "$work/placed.pdl")
# The centre from the buttons; the pivot from the second hand's default (the hand's middle column,
# 9/10 of the dial's radius), which the axis button kept.
for line in HCX=150 HCY=150 HPX=3 HPY=135; do
  grep -q "^ *$line\$" <<<"$info" || fail "the saved file lacks $line:
$info"
done
close_editor
echo "ok: OK kept the centre and the pivot the buttons gave"

# --- 4. Size and zoom after a restart ----------------------------------------------------------------
ini="$work/dialwright.ini"
for line in Width=600 Height=520 Zoom=800; do
  grep -q "^$line" "$ini" || fail "the settings file lacks $line:
$(cat "$ini")"
done
start_editor
open_dialog
read -r _ _ w h < <(client_geometry "$dialog")
[ "$w $h" = "600 520" ] || fail "the dialog came back at $w x $h, not 600 x 520"
shot positioning-restarted
xdotool key Escape
wait_closed "$dialog"
close_editor
echo "ok: the dialog comes back at the user's size and zoom"
