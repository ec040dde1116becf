#!/bin/sh
# Runs a command on an X display of its own: a new Xvfb picks a free display
# number itself (-displayfd), so runs started at the same moment (tests of
# several checkouts, a bench) never take the same display, as two
# `xvfb-run -a` can. The server ends with the command; its exit status is the
# command's.
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/velmora-xvfb-XXXXXX")
mkfifo "$dir/display"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$dir/display" 2>"$dir/server.log" &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$dir"' EXIT
trap 'exit 143' TERM INT
# The number comes once the server listens; an end of file means it failed.
read -r number < "$dir/display" || number=
if [ -z "$number" ]; then
  echo "Xvfb did not start:" >&2
  cat "$dir/server.log" >&2
  exit 1
fi
DISPLAY=":$number" "$@"
