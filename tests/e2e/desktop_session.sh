#!/usr/bin/env bash
# The editor on a real X server with a window manager that draws frames (Xvfb and openbox),
# driven with xdotool as a user drives it: keys into menus and file dialogs, clicks on buttons.
#   desktop_session.sh EDITOR PDLTOOL
# Checks:
#   1. the window comes back exactly where it was left, over three restarts (no creep by the
#      frame's size), kept in the settings file beside the portable copy;
#   2. a dial cut short is refused with a message, and the project is left unmodified (the window
#      then closes without the close guard's question);
#   3. OK pressed while the animation settings dialog plays its test, followed at once by a save:
#      the saved file holds the animation;
#   4. a hole placed in the positioning dialog zoomed to 800 % with the keyboard's own Ctrl and
#      "+", by a drag and by keys alone, then the time fixed and the clock written as a picture:
#      the saved file holds the numbers of dial pixels, and the picture is the clock's size.
set -euo pipefail

# shellcheck source=tests/e2e/session_lib.sh
source "$(dirname "$(realpath "$0")")/session_lib.sh"

# --- 1. The window comes back where it was left -----------------------------------------------
start_editor
read -r fx fy <<<"$(frame_offset "$main_window")"
[ "$fx" -gt 0 ] || [ "$fy" -gt 0 ] || fail "the window manager drew no frame ($fx, $fy)"
xdotool windowmove "$main_window" 230 140
sleep 0.5
left=$(client_geometry "$main_window")
close_editor
grep -q '^\[Window\]' "$work/dialwright.ini" || fail "the portable copy kept no settings beside itself"
[ ! -e "$XDG_CONFIG_HOME/dialwright.ini" ] || fail "the portable copy wrote the user's settings file"
for run in 1 2 3; do
  start_editor
  now=$(client_geometry "$main_window")
  [ "$now" = "$left" ] || fail "restart $run: the window is at $now, it was left at $left"
  close_editor
done
echo "ok: the window came back at $left three times (frame offset $fx, $fy)"

# --- 2. A dial cut short is refused, the project stays as it was ------------------------------
# Pictures, byte by byte: the first 1000 bytes of a 300 × 300 24-bit bitmap, and a 160 × 40 strip of
# 2 × 4 frames, each with a magenta (transparent) left edge.
{ bmp_header 300 300; head -c $((1000 - 54)) /dev/zero | tr '\0' '\147'; } >"$work/cut-dial.bmp"
{
  bmp_header 160 40
  for ((y = 0; y < 40; y++)); do
    row=
    for ((x = 0; x < 160; x++)); do
      k=$((x / 40 + 4 * (1 - y / 20)))
      if ((x % 40 < 3)); then row+='\xff\x00\xff'; else row+=$(printf '\\x%02x\\x%02x\\x3c' $((30 * k)) $((200 - 20 * k))); fi
    done
    printf '%b' "$row"
  done
} >"$work/strip.bmp"
start_editor
xdotool key alt+e
sleep 0.3
xdotool key b
sleep 0.2
xdotool key l
choose_file "開く" "$work/cut-dial.bmp"
wait_window "$main_title" 2 >/dev/null # the message box has the program's title
sleep 0.3
xdotool key Return
sleep 0.3
[ "$(window_count "$main_title")" -eq 1 ] || fail "the message did not close"
close_editor
echo "ok: the dial cut short was refused and the project stayed unmodified"

# --- 3. OK while the test plays, then Save at once --------------------------------------------
start_editor
xdotool key alt+a
sleep 0.3
xdotool key m
sleep 0.2
xdotool key l
choose_file "開く" "$work/strip.bmp"
dialog=$(wait_window "アニメーションの設定")
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
sleep 0.3
# The working area has the focus: Tab to OK, Cancel, the columns, the rows, the frame time.
xdotool key Tab Tab Tab Tab Tab
xdotool type 1000
xdotool key Tab space # the test button: 2 × 4 frames of a second each
sleep 1
# OK sits at the top of the right-hand column.
read -r _ _ dw _ <<<"$(client_geometry "$dialog")"
xdotool mousemove --window "$dialog" $((dw - 171 / 2)) 22 click 1
info=$(save_and_describe "$work/at-once.pdl")
grep -q "slot 5 (minute animation): .*kind 2, embedded strip.*1000 ms a frame" <<<"$info" \
  || fail "the saved file lacks the animation confirmed with OK:
$info"
close_editor
echo "ok: the animation confirmed during its test play is in the file saved at once"

# --- 4. Zoomed, by mouse and by keys; the time fixed; the clock as a picture ---------------------
start_editor
xdotool key alt+e
sleep 0.3
xdotool key s
sleep 0.2
xdotool key p
dialog=$(wait_window "秒針の位置合わせ")
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
sleep 0.3
# Ctrl with "+" as the keyboard sends it (with Shift): 100 → 200 → 400 → 800 %. The hole keeps its
# place on the screen: the work area's (36 + 100, 88 + 100), inside its one-pixel frame.
xdotool key ctrl+plus ctrl+plus ctrl+plus
sleep 0.3
xdotool mousemove --window "$dialog" 137 189 mousedown 1
xdotool mousemove --window "$dialog" 145 189
xdotool mousemove --window "$dialog" 153 189 mouseup 1 # 16 screen pixels: 2 dial pixels at 800 %
sleep 0.2
# The work area has the focus: Right moves the marker, Space switches to the hand, Up moves it.
xdotool key Right space Up Return
wait_window "$main_title" >/dev/null
xdotool key alt+o
sleep 0.3
xdotool key t
wait_window "表示する時刻" >/dev/null
sleep 0.3
xdotool type --delay 20 "10:08:36"
xdotool key Return
sleep 0.3
xdotool key alt+f
sleep 0.3
xdotool key i
choose_file "画像として書き出す" "$work/clock.png"
sleep 0.5
info=$(save_and_describe "$work/fixed.pdl")
for line in SCX=103 SCY=100 SPX=6 SPY=91; do
  grep -q "^ *$line\$" <<<"$info" || fail "the saved file lacks $line (placed at 800 %, then by keys):
$info"
done
[ "$(head -c 8 "$work/clock.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] \
  || fail "no PNG picture was written"
close_editor
echo "ok: the hole placed at 800 % by a drag and by keys is in the file, the clock written as a picture"
