# Shared by the end-to-end sessions: sourced by each tests/e2e/*_session.sh after its own comment.
#   SESSION.sh EDITOR PDLTOOL
# Starts a display of its own (xvfb-run) and openbox, copies the editor into a fresh work folder
# ($work) and gives the steps a user takes: wait_window, start_editor, close_editor, menu, choose_file,
# save_and_describe, client_geometry, and small picture writers (le, bmp_header).
# shellcheck shell=bash

session_script=$(realpath "$0")
editor=$(realpath "$1")
pdltool=$(realpath "$2")

# A display of our own first: xvfb-run picks a free one and gives it an authority file.
if [ -z "${DIALWRIGHT_E2E_DISPLAY:-}" ]; then
  exec env DIALWRIGHT_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$session_script" "$@"
fi

export QT_QPA_PLATFORM=xcb
unset QT_QPA_FONTDIR
# The keyboard library of the X platform hands strndup a buffer without a final NUL, which the
# sanitizer's strict string checks take for an overflow; everything else is checked as usual.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS//strict_string_checks=1/strict_string_checks=0}
fi
work=$(mktemp -d)
openbox_pid=
editor_pid=
cleanup() {
  [ -n "$editor_pid" ] && kill "$editor_pid" 2>/dev/null || true
  [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null || true
  [ -n "${DIALWRIGHT_E2E_KEEP:-}" ] && cat "$work/editor.log" >&2
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  import -window root "$work/../dialwright-e2e-failure.png" 2>/dev/null || true
  # What the editors said, and the state folder's files, for a failure seen only on a busy machine.
  tail -n 40 "$work/editor.log" >&2 2>/dev/null || true
  ls -la "$work/state/dialwright" >&2 2>/dev/null || true
  exit 1
}

openbox --sm-disable >"$work/openbox.log" 2>&1 &
openbox_pid=$!

# A portable copy in the test's folder: an empty settings file of the user's beside the program
# makes it keep its settings there. Anything else that would use the user's configuration folder
# finds one in the test's folder too.
cp "$editor" "$work/dialwright"
: >"$work/dialwright.ini"
export XDG_CONFIG_HOME="$work/config"

# Waits until a visible window of exactly this name exists (at least `count` of them); prints the
# newest one's id. A sanitized editor started on a machine busy with other tests can take many
# seconds to show a window, so the wait is long (DIALWRIGHT_E2E_WAIT seconds, 90 unless set); a
# window that does appear ends it at once.
wait_window() {
  local name=$1 count=${2:-1} ids
  local deadline=$((SECONDS + ${DIALWRIGHT_E2E_WAIT:-90}))
  while :; do
    ids=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null || true)
    if [ "$(printf '%s\n' "$ids" | grep -c .)" -ge "$count" ]; then
      # A search lists windows in the window manager's stacking order; within one program the
      # later window has the larger id (a message box over its main window).
      printf '%s\n' "$ids" | sort -n | tail -n 1
      return 0
    fi
    [ $SECONDS -ge $deadline ] && fail "no window \"$name\" (x$count) appeared"
    sleep 0.1
  done
}

window_count() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -c . || true; }

main_title="Dialwright ver. 2.25a"

start_editor() {
  (cd "$work" && exec ./dialwright >>"$work/editor.log" 2>&1) &
  editor_pid=$!
  main_window=$(wait_window "$main_title")
  xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
  sleep 0.3
}

# The window's own area in screen coordinates: left top width height.
client_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                           /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

frame_offset() { xwininfo -id "$1" | awk '/Relative upper-left X/ {x=$4} /Relative upper-left Y/ {y=$4} END {print x, y}'; }

# Closes the main window as a user does (Alt+F4 through the window manager); the program must
# end without asking.
close_editor() {
  xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
  xdotool key alt+F4
  local deadline=$((SECONDS + ${DIALWRIGHT_E2E_WAIT:-90}))
  while kill -0 "$editor_pid" 2>/dev/null; do
    [ $SECONDS -ge $((deadline - ${DIALWRIGHT_E2E_WAIT:-90} + 5)) ] && [ "$(window_count "$main_title")" -ge 2 ] \
      && fail "closing asked a question: the project was modified"
    [ $SECONDS -ge $deadline ] && fail "the editor did not end"
    sleep 0.1
  done
  wait "$editor_pid" || fail "the editor ended with status $?"
  editor_pid=
}

menu() { # a menu by its access key, then items by their keys
  xdotool key "alt+$1"
  sleep 0.3
  shift
  for k in "$@"; do
    xdotool key "$k"
    sleep 0.2
  done
}

choose_file() { # in the file dialog that is open: the path, then Enter
  wait_window "$1" >/dev/null
  sleep 0.3
  xdotool type --delay 10 "$2"
  xdotool key Return
}

# File > Save under the name, the "保存しました" box closed; prints what pdltool reads of the file.
save_and_describe() {
  xdotool key alt+f s
  choose_file "名前を付けて保存" "$1"
  wait_window "$main_title" 2 >/dev/null # "保存しました"
  sleep 0.2
  xdotool key Return
  sleep 0.3
  "$pdltool" info "$1" || fail "pdltool could not read the saved file"
}

# Pictures, byte by byte.
le() { # value, bytes: the value little-endian
  local v=$1 n=$2 i out=
  for ((i = 0; i < n; i++)); do out+=$(printf '\\x%02x' $(((v >> (8 * i)) & 255))); done
  printf '%b' "$out"
}
bmp_header() { # width, height: the headers of a 24-bit bottom-up bitmap
  local w=$1 h=$2 row=$((($1 * 3 + 3) / 4 * 4))
  printf 'BM'; le $((54 + row * h)) 4; le 0 4; le 54 4
  le 40 4; le "$w" 4; le "$h" 4; le 1 2; le 24 2; le 0 4; le $((row * h)) 4; le 0 4; le 0 4; le 0 4; le 0 4
}

# Pictures and the preview, for the sessions that watch it change.
# A round dial, transparent outside its face, with a patch of the given colour left of the centre.
draw_dial() { # colour, file
  convert -size 240x240 xc:none -fill '#f0e6d2' -draw 'circle 120,120 120,6' \
    -fill '#3c281e' -draw 'rectangle 116,10 124,40' -draw 'rectangle 116,200 124,230' \
    -draw 'rectangle 10,116 40,124' -draw 'rectangle 200,116 230,124' \
    -fill "$1" -draw 'rectangle 40,150 100,200' "PNG32:$2"
}
# How many pixels of the main window show exactly this colour.
pixels_of() { # colour
  import -window "$main_window" "$work/window.png"
  convert "$work/window.png" -alpha off -fill black +opaque "$1" -fill white -opaque "$1" \
    -format '%[fx:round(mean*w*h)]' info:
}
# Waits for the preview to show the colour and says how long it took (the editor reloads within
# a second; a sanitized editor on a busy machine is given as long as a window is).
wait_colour() { # colour
  local start=$EPOCHREALTIME deadline=$((SECONDS + ${DIALWRIGHT_E2E_WAIT:-90}))
  while [ "$(pixels_of "$1")" -lt 1500 ]; do
    [ $SECONDS -ge $deadline ] && fail "the preview does not show $1"
    sleep 0.1
  done
  echo "the preview showed $1 after $(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }') s"
}

# Menus and windows, for the sessions that load pictures and open dialogs.
load() { # a picture by the Load item of a submenu of 組み立て: its key, the file
  menu e "$1" l
  choose_file "開く" "$2"
  local deadline=$((SECONDS + ${DIALWRIGHT_E2E_WAIT:-90}))
  while [ "$(window_count "開く")" -gt 0 ]; do
    [ $SECONDS -ge $deadline ] && fail "the file dialog for $2 did not close"
    sleep 0.1
  done
  xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
}
wait_closed() { # the window of this id
  local deadline=$((SECONDS + ${DIALWRIGHT_E2E_WAIT:-90}))
  while xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; do
    [ $SECONDS -ge $deadline ] && fail "the window $1 did not close"
    sleep 0.1
  done
}
