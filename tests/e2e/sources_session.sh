#!/usr/bin/env bash
# A clock kept as sources, on a real X server with a window manager (Xvfb and openbox), driven
# with xdotool as a user drives it.
#   sources_session.sh EDITOR PDLTOOL
# Checks: a folder with a dial drawn as PNG with transparency, a hand as a bitmap and a
# clock.toml written by hand is opened from the command line (the preview shows the dial); the
# dial redrawn by write-and-rename shows in the preview (the link the manifest made); File >
# Save as sources writes a new folder whose manifest names the dial's file; pdltool build of
# that folder gives the clock the editor's own Save writes, member for member but for the date;
# the editor ends without asking.
# DIALWRIGHT_E2E_SHOTS=FOLDER keeps screenshots of the steps there.
set -euo pipefail

# shellcheck source=tests/e2e/session_lib.sh
source "$(dirname "$(realpath "$0")")/session_lib.sh"

export XDG_STATE_HOME="$work/state"
shots=${DIALWRIGHT_E2E_SHOTS:-}
shot() { [ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/$1.png"; }; }

src="$work/sources"
mkdir -p "$src"
draw_dial '#ff0000' "$src/dial.png"
convert -size 11x70 xc:'#202020' -fill white -draw 'rectangle 0,0 2,69' BMP3:"$src/hour.bmp"
cat >"$src/clock.toml" <<'EOF'
title = "Sources"
author = """
Drawn for the session
second line"""

[dial]
file = "dial.png"

[hands.hour]
file = "hour.bmp"
pivot = [5, 62]
centre = [120, 120]

[hands.minute]
pivot = [7, 81]
centre = [120, 120]

[hands.second]
pivot = [6, 8]
centre = [120, 120]

[options]
translucent-hands = "yes"
EOF

# Opened from the command line.
(cd "$work" && exec ./dialwright "$src/clock.toml" >>"$work/editor.log" 2>&1) &
editor_pid=$!
main_window=$(wait_window "$main_title")
xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
sleep 0.3
wait_colour '#ff0000'
[ "$(window_count "$main_title")" -eq 1 ] || fail "opening the manifest showed a message"
shot sources-opened

# Redrawn as image editors save: written beside and renamed over.
draw_dial '#0000ff' "$src/.dial.png.tmp"
mv -f "$src/.dial.png.tmp" "$src/dial.png"
wait_colour '#0000ff'
shot sources-reloaded

# File > Save as sources, into a new folder.
out="$work/saved sources"
mkdir "$out"
menu f d
choose_file "ソースとして保存" "$out/clock.toml"
box=$(wait_window "$main_title" 2) # "保存しました"
shot sources-saved
xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
xdotool key Return
sleep 0.3
[ -f "$out/clock.toml" ] || fail "no clock.toml was written"
grep -qx 'file = "../sources/dial.png"' "$out/clock.toml" || fail "the manifest does not name the dial's file:
$(cat "$out/clock.toml")"
grep -qx 'file = "../sources/hour.bmp"' "$out/clock.toml" || fail "the manifest does not name the hand's file"
[ ! -e "$out/dial.bmp" ] || fail "the linked dial was written beside"

# The editor's own save, and the build of the sources it wrote: the same members.
save_and_describe "$work/editor.pdl" >/dev/null
"$pdltool" build "$out" -o "$work/built.pdl" >/dev/null || fail "pdltool build refused the sources"
"$pdltool" extract "$work/editor.pdl" "$work/editor-members" >/dev/null
"$pdltool" extract "$work/built.pdl" "$work/built-members" >/dev/null
for f in "$work/editor-members"/*; do
  name=$(basename "$f")
  if [ "$name" = 5-header.txt ]; then
    diff <(grep -v '^Date=' "$f") <(grep -v '^Date=' "$work/built-members/$name") >/dev/null \
      || fail "the headers differ: $(diff "$f" "$work/built-members/$name")"
  else
    cmp -s "$f" "$work/built-members/$name" || fail "member $name differs between the editor's save and the build"
  fi
done
[ "$(ls "$work/editor-members" | wc -l)" -eq "$(ls "$work/built-members" | wc -l)" ] || fail "the member counts differ"
close_editor
echo "ok: the manifest opened from the command line, the dial followed its file, the sources saved build the editor's clock"
