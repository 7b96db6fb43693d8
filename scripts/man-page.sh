#!/bin/sh
# Writes the gzipped man page of one of the programs from its own --help, so that the page
# cannot drift from the program. For corvane-cli the page also holds every command's --help.
#   scripts/man-page.sh PROGRAM VERSION "SHORT DESCRIPTION" OUT.1.gz
set -eu
program=$1 version=$2 name=$3 out=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
include=
if [ "$(basename "$program")" = corvane-cli ]; then
  include="--include=$work/include"
  echo "[COMMANDS]" > "$work/include"
  # The command names are the first words of the indented lines of the usage's command list.
  "$program" --help | sed -n 's/^  \([a-z0-9][a-z0-9-]*\) .*/\1/p;s/^  \([a-z0-9][a-z0-9-]*\)$/\1/p' |
  while read -r command; do
    printf '.SS %s\n.nf\n' "$command"
    "$program" "$command" --help | sed 's/\\/\\e/g;s/^\./\\\&./'
    printf '.fi\n'
  done >> "$work/include"
fi
# The programs answer --help before any window system or port is touched.
help2man --no-info --no-discard-stderr --version-string="$version" --name="$name" --section=1 \
  ${include:+"$include"} --output="$work/page.1" "$program"
gzip -9n < "$work/page.1" > "$out"
