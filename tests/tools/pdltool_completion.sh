#!/usr/bin/env bash
# The bash completion of pdltool, as bash runs it when Tab is pressed: the words typed so far in
# COMP_WORDS, the completion function called, its answers read from COMPREPLY.
#   pdltool_completion.sh COMPLETION_FILE
set -euo pipefail
source "$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir members "old clocks"
touch a.pdl "my clock.pdl" b.png notes.txt clock.toml

failed=0
# expect "typed words" "answers, one per line, sorted"
expect() {
  local typed=$1 want=$2 got
  read -ra COMP_WORDS <<<"$typed"
  [[ $typed == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  # Names with spaces are typed escaped; the shell hands the function the raw word.
  COMP_WORDS[COMP_CWORD]=${COMP_WORDS[COMP_CWORD]//\\ / }
  COMPREPLY=()
  _pdltool
  got=$(printf '%s\n' "${COMPREPLY[@]}" | grep -v '^$' | sort || true)
  want=$(printf '%s' "$want" | sort)
  if [[ $got != "$want" ]]; then
    echo "FAIL: \"$typed\": got [${got//$'\n'/, }], want [${want//$'\n'/, }]"
    failed=1
  fi
}

nl=$'\n'
expect "pdltool " "--help${nl}build${nl}extract${nl}info${nl}render${nl}thumbnail${nl}unpack${nl}verify"
expect "pdltool build " "clock.toml${nl}members${nl}old clocks"
expect "pdltool build . -o " "a.pdl${nl}my clock.pdl${nl}members${nl}old clocks"
expect "pdltool build -" "-o"
expect "pdltool unpack -" "--force"
expect "pdltool unpack --force a.pdl " "members${nl}old clocks"
expect "pdltool th" "thumbnail"
expect "pdltool info " "a.pdl${nl}my clock.pdl${nl}members${nl}old clocks"
expect "pdltool info m" "my clock.pdl${nl}members"
expect "pdltool info -" "--json"
expect "pdltool verify --json " "a.pdl${nl}my clock.pdl${nl}members${nl}old clocks"
expect "pdltool extract a.pdl " "members${nl}old clocks"
expect "pdltool render a.pdl --anim " "hour${nl}minute${nl}zero"
expect "pdltool render a.pdl --anim h" "hour"
expect "pdltool render a.pdl -" "--anim${nl}--frame${nl}--time${nl}-o"
expect "pdltool render a.pdl --time 10:00:00 -o " "b.png${nl}members${nl}old clocks"
expect "pdltool render a.pdl --time " ""
expect "pdltool thumbnail --size " "1024${nl}128${nl}256${nl}512"
expect "pdltool thumbnail --size 128 " "a.pdl${nl}my clock.pdl${nl}members${nl}old clocks"
expect "pdltool thumbnail --size 128 a.pdl " "b.png${nl}members${nl}old clocks"
expect "pdltool thumbnail -" "--size${nl}--time"
expect "pdltool thumbnail a.pdl b.png " ""

# Registered for the command's name.
complete -p pdltool | grep -q -- '-F _pdltool pdltool$' || { echo "FAIL: not registered for pdltool"; failed=1; }
[ $failed = 0 ] && echo "ok: pdltool completes its commands, options and files"
exit $failed
