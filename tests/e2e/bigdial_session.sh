#!/usr/bin/env bash
# A big dial as a user handles it, on a real X server with a window manager (Xvfb and openbox),
# driven from the keyboard with xdotool.
#   bigdial_session.sh EDITOR PDLTOOL
# Checks:
#   1. a SIDE × SIDE 24-bit dial (4096 unless DIALWRIGHT_E2E_BIGDIAL_SIDE says otherwise) loaded
#      through the menu, then 表示 > 全体を表示: the zoom, kept in the settings file, is below 100 %;
#   2. the hour hand's positioning dialog opens on it; the marker moved with the arrow keys and OK
#      puts the hole elsewhere, as a file saved then shows;
#   3. undo brings the hole back; saved again, the file holds the dial's bytes exactly and the
#      hole as it was.
# Measured and written to the log, never asserted: the editor's peak resident memory (VmHWM) and
# its processor time over ten idle seconds with the whole clock in view.
# DIALWRIGHT_E2E_SHOTS=FOLDER keeps screenshots of the steps there.
set -euo pipefail

# shellcheck source=tests/e2e/session_lib.sh
source "$(dirname "$(realpath "$0")")/session_lib.sh"

export XDG_STATE_HOME="$work/state"
shots=${DIALWRIGHT_E2E_SHOTS:-}
shot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/$1.png"; }; }

side=${DIALWRIGHT_E2E_BIGDIAL_SIDE:-4096}
# Rows of a gradient across (blue and green from the column, red 0x40; no padding, as 3 · side is
# a multiple of 4 for a side divisible by 4), the row repeated by doubling the file.
[ $((side % 4)) = 0 ] || fail "the side must be a multiple of 4"
LC_ALL=C awk -v w="$side" 'BEGIN { for (x = 0; x < w; x++) printf "%c%c%c", x % 255 + 1, int(x / 16) % 255 + 1, 64 }' \
  >"$work/rows"
rows=1
while [ $((rows * 2)) -le "$side" ]; do
  cat "$work/rows" "$work/rows" >"$work/rows2" && mv "$work/rows2" "$work/rows"
  rows=$((rows * 2))
done
{
  bmp_header "$side" "$side"
  cat "$work/rows"
  head -c $(((side - rows) * side * 3)) "$work/rows"
} >"$work/dial.bmp"
rm -f "$work/rows"
[ "$(stat -c %s "$work/dial.bmp")" = $((54 + side * side * 3)) ] || fail "the dial was not written whole"

title="時針の位置合わせ"

# Waits until the editor has used no processor time for a second (a big picture read and drawn).
await_idle() {
  local deadline=$((SECONDS + ${DIALWRIGHT_E2E_WAIT:-90})) last now
  last=$(cpu_ticks)
  while :; do
    sleep 1
    now=$(cpu_ticks)
    [ $((now - last)) -le 1 ] && return 0
    [ $SECONDS -ge $deadline ] && fail "the editor stayed busy"
    last=$now
  done
}
resident() { awk -v k="$1:" '$1 == k { print int($2 / 1024) }' "/proc/$editor_pid/status"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$editor_pid/stat"; }
# The hour hand's centre on the dial as the saved file holds it: "HCX HCY".
hole_of() { "$pdltool" info "$1" | awk -F= '/^ *HCX=/ { x = $2 } /^ *HCY=/ { y = $2 } END { print x, y }'; }

# Saved uncompressed: a cabinet holds at most 16 MiB, and the save would say that packing failed.
printf '[Option]\nCompress=0\n' >"$work/dialwright.ini"

# --- 1. The dial loaded, the whole clock in view -------------------------------------------------
start_editor
echo "measure: ${side} x ${side} dial ($(($(stat -c %s "$work/dial.bmp") >> 20)) MiB file); at start resident $(resident VmRSS) MiB"
started=$SECONDS
load b "$work/dial.bmp"
await_idle
echo "measure: loaded in about $((SECONDS - started)) s; resident $(resident VmRSS) MiB, peak $(resident VmHWM) MiB"
menu v w
await_idle
shot bigdial-whole
before=$(cpu_ticks)
sleep 10
after=$(cpu_ticks)
hz=$(getconf CLK_TCK)
echo "measure: idle with the whole clock in view: $(((after - before) * 1000 / (10 * hz)))‰ of a core over 10 s"

# --- 2. The positioning dialog moves the hole ----------------------------------------------------
menu e h p
dialog=$(wait_window "$title")
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
sleep 1
shot bigdial-positioning
echo "measure: with the positioning dialog open, peak $(resident VmHWM) MiB"
xdotool key shift+Tab # from OK to the work area: the arrow keys move the marker
xdotool key Right Right Right Down Down
sleep 0.5
shot bigdial-positioning-moved
xdotool key Return # OK
wait_closed "$dialog"
xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
save_and_describe "$work/moved.pdl" >/dev/null
read -r mx my < <(hole_of "$work/moved.pdl")

# --- 3. Undone and saved again ---------------------------------------------------------------------
menu e u
sleep 0.5
shot bigdial-undone
save_and_describe "$work/undone.pdl" >/dev/null
read -r ux uy < <(hole_of "$work/undone.pdl")
echo "measure: after the saves, peak $(resident VmHWM) MiB"
[ -n "$ux" ] && [ -n "$mx" ] || fail "the saved files state no hour centre"
[ "$mx $my" != "$ux $uy" ] || fail "the arrow keys and OK left the hour centre at $ux $uy"
[ "$ux $uy" = "$((side / 2)) $((side / 2))" ] || fail "undo left the hour centre at $ux $uy, not $((side / 2)) $((side / 2))"
echo "ok: the hole moved to $mx $my and came back to $ux $uy with undo"
mkdir "$work/members"
"$pdltool" extract "$work/undone.pdl" "$work/members" >/dev/null || fail "pdltool could not extract the saved file"
dial_member=$(grep -l '^BM' "$work"/members/* 2>/dev/null | head -n 1 || true)
cmp -s "$work/dial.bmp" "${dial_member:-/nonexistent}" \
  || fail "the saved dial is not the loaded file's bytes ($(ls "$work/members" | tr '\n' ' '))"
echo "ok: the saved file holds the ${side} x ${side} dial byte for byte"
close_editor
zoom=$(awk -F= '/^\[/ { section = $0 } section == "[View]" && $1 == "Zoom" { print $2 }' "$work/dialwright.ini")
[ -n "$zoom" ] && [ "$zoom" -lt 100 ] || fail "the settings file keeps the zoom \"$zoom\", not one below 100 %"
echo "ok: the whole clock in view at $zoom %, kept in the settings file"
