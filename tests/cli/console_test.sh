#!/usr/bin/env bash
# refquill-cli under Wine as in a Windows console and in a pipe: a name outside the console's
# code page shows as written (UTF-16 to the console), and a pipe gets the UTF-8 bytes.
# Usage: console_test.sh WINE-COMMAND... PROGRAM.exe   (script(1) gives Wine a terminal)
set -euo pipefail
name='Łódź Café – 東'
expected="unknown command '$name'"
quoted=$(printf '%q ' "$@" "$name")
# The tool ends with status 2 (wrong usage), which script passes on.
shown=$( (script -qec "$quoted" /dev/null </dev/null || true) | tr -d '\r' |
  sed 's/\x1b\[[0-9;?]*[A-Za-z]//g')
if ! grep -qF "$expected" <<<"$shown"; then
  echo "console_test: the console did not show \"$expected\":"
  printf '%s\n' "$shown" | head -n 3 | od -c | head -n 12
  exit 1
fi
piped=$("$@" "$name" 2>&1 </dev/null | tr -d '\r' || true)
if ! grep -qF "$expected" <<<"$piped"; then
  echo "console_test: the pipe did not get \"$expected\" in UTF-8:"
  printf '%s\n' "$piped" | head -n 3 | od -c | head -n 12
  exit 1
fi
echo "console_test: the console and the pipe both got \"$expected\""
