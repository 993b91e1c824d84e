#!/usr/bin/env bash
# The manual pages as man and groff read them: no warning from either (man's are what lintian
# reports), each page with its sections; and pdltool(1), in English and in Japanese, names every
# command and option that pdltool's own usage lists, and every exit status.
#   manual_pages.sh PDLTOOL MANDIR
set -euo pipefail
pdltool=$1
mandir=$2
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for page in "$mandir"/*.[15] "$mandir"/ja/*.[15]; do
  warnings=$( { LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" >/dev/null; } 2>&1)
  [ -z "$warnings" ] || fail "man on $page: $warnings"
  warnings=$(groff -ww -z -mandoc -K utf8 -Tutf8 "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff on $page: $warnings"
  for section in '^\.SH (NAME|名前)$' '^\.SH (SYNOPSIS|書式)$' '^\.SH (DESCRIPTION|説明)$' '^\.SH (SEE ALSO|関連項目)$'; do
    grep -qE "$section" "$page" || fail "$page has no section $section"
  done
done

# What a page says, as the reader sees it.
rendered() { groff -mandoc -rLL=200n -K utf8 -Tutf8 -P-cbou "$1" 2>/dev/null; }
usage=$("$pdltool" --help)
commands=$(printf '%s\n' "$usage" | sed -nE 's/^  pdltool ([a-z]+) .*/\1/p')
options=$(printf '%s\n' "$usage" | grep -oE '(^| |\[)--?[a-z]+' | tr -d ' [' | sort -u)
[ "$(printf '%s\n' "$commands" | wc -l)" -ge 5 ] || fail "the usage lists too few commands: $commands"
for page in "$mandir/pdltool.1" "$mandir/ja/pdltool.1"; do
  text=$(rendered "$page")
  for c in $commands; do
    grep -qE "^ +pdltool $c( |$)" <<<"$text" || fail "$page: no synopsis of pdltool $c"
    grep -qE "^ {7}$c( |$)" <<<"$text" || fail "$page: command $c is not described"
  done
  for o in $options --help; do
    grep -qF -- "$o" <<<"$text" || fail "$page: option $o is not described"
  done
  for status in 0 1 2; do
    grep -qE "^ {7}$status( |$)" <<<"$text" || fail "$page: exit status $status is not described"
  done
done
[ $failed = 0 ] && echo "ok: the manual pages read without warnings and describe every command, option and status"
exit $failed
