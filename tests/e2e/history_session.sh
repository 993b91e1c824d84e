#!/usr/bin/env bash
# Undo and crash recovery on a real X server with a window manager (Xvfb and openbox), driven
# with xdotool as a user drives them.
#   history_session.sh EDITOR PDLTOOL
# Checks:
#   1. a dial loaded and a title typed, saved, both undone back to the start, saved there, then
#      both redone: the redo steps survive the save, and each file holds what the editor showed;
#   2. two editors running at once, each with a clock of its own, killed with SIGKILL: the next
#      start offers the newer clock by its name and restores it, says where the other went, and
#      the File menu's "復元できる時計" brings that one back too.
# DIALWRIGHT_E2E_SHOTS=FOLDER keeps screenshots of the steps there.
set -euo pipefail

# shellcheck source=tests/e2e/session_lib.sh
source "$(dirname "$(realpath "$0")")/session_lib.sh"

# The recovery copies in the test's folder.
export XDG_STATE_HOME="$work/state"
shots=${DIALWRIGHT_E2E_SHOTS:-}
shot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/$1.png"; }; }

# A 300 × 200 dial, grey.
{ bmp_header 300 200; head -c $((900 * 200)) /dev/zero | tr '\0' '\147'; } >"$work/dial.bmp"

title_of() { "$pdltool" info "$1" | sed -n 's/^ *Title=//p'; }
dial_of() { "$pdltool" info "$1" | sed -n 's/^member 0, dial picture: \([0-9]*\) bytes.*/\1/p'; }
type_title() { # into the title box, ended as a user ends it: Tab to the next control
  xdotool key alt+t
  sleep 0.2
  xdotool type --delay 20 "$1"
  xdotool key Tab
  sleep 0.3
}

# --- 1. Undo to the start, save, redo -----------------------------------------------------------
start_editor
menu e b
xdotool key l
choose_file "開く" "$work/dial.bmp"
sleep 0.5
type_title "night"
save_and_describe "$work/last.pdl" >/dev/null
menu e u
menu e u
save_and_describe "$work/start.pdl" >/dev/null
menu e r
menu e r
xdotool key alt+e
sleep 0.4
shot history-redone-menu
xdotool key Escape Escape
sleep 0.3
save_and_describe "$work/redone.pdl" >/dev/null
[ -z "$(title_of "$work/start.pdl")" ] && [ "$(dial_of "$work/start.pdl")" = 0 ] \
  || fail "the file saved at the start holds \"$(title_of "$work/start.pdl")\" and a dial of $(dial_of "$work/start.pdl") bytes"
[ "$(title_of "$work/redone.pdl")" = night ] && [ "$(dial_of "$work/redone.pdl")" = $((54 + 900 * 200)) ] \
  || fail "redo after the save did not bring back the title and the dial: \"$(title_of "$work/redone.pdl")\", $(dial_of "$work/redone.pdl") bytes"
shot history-redone
close_editor
echo "ok: undone to the start, saved there, and both steps redone after the save"

# --- 2. Two editors killed, both clocks back ----------------------------------------------------
pids=()
count=0
for name in "first clock" "second clock"; do
  (cd "$work" && exec ./dialwright >>"$work/editor.log" 2>&1) &
  pids+=("$!")
  count=$((count + 1))
  wait_window "$main_title" "$count" >/dev/null
  # This editor's own window, by its process: the order of a search's windows follows the window
  # manager's stacking, so the last one found may be the editor started before.
  main_window=$(xdotool search --all --onlyvisible --pid "${pids[-1]}" --name "^${main_title}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$main_window" ] || fail "no window of the editor started for \"$name\""
  xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
  sleep 0.3
  type_title "$name"
done
# Each copy is written two seconds after its run's last change; on a busy machine later.
deadline=$((SECONDS + ${DIALWRIGHT_E2E_WAIT:-90}))
until [ "$(ls "$work/state/dialwright"/recovery-*.dwr 2>/dev/null | wc -l)" -ge 2 ]; do
  [ $SECONDS -ge $deadline ] && fail "the two editors did not both write a recovery copy"
  sleep 0.2
done
for pid in "${pids[@]}"; do
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
done
editor_pid=

(cd "$work" && exec ./dialwright >>"$work/editor.log" 2>&1) &
editor_pid=$!
question=$(wait_window "$main_title" 2)
sleep 0.5
shot recovery-question
xdotool windowactivate --sync "$question" >/dev/null 2>&1 || true
xdotool key Return # OK: the newer clock
sleep 1
told=$(wait_window "$main_title" 2) # where the other one went
shot recovery-the-other-kept
xdotool windowactivate --sync "$told" >/dev/null 2>&1 || true
xdotool key Return
sleep 0.5
main_window=$(wait_window "$main_title")
xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
save_and_describe "$work/second.pdl" >/dev/null
[ "$(title_of "$work/second.pdl")" = "second clock" ] || fail "restored \"$(title_of "$work/second.pdl")\", not the newer clock"
menu f v
list=$(wait_window "復元できる時計")
xdotool windowactivate --sync "$list" >/dev/null 2>&1 || true
sleep 0.3
shot recovery-list
xdotool key Return
sleep 1
xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
save_and_describe "$work/first.pdl" >/dev/null
[ "$(title_of "$work/first.pdl")" = "first clock" ] || fail "the list restored \"$(title_of "$work/first.pdl")\""
shot recovery-both-back
close_editor
[ -z "$(ls "$work/state/dialwright"/*.dwr 2>/dev/null)" ] || fail "copies left: $(ls "$work/state/dialwright")"
echo "ok: two editors killed, both clocks restored (one at start, one from the File menu)"
