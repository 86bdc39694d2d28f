#!/usr/bin/env bash
# Types roman text into a Windows edit field under Wine and Xvfb while tarovik.exe runs, and
# checks that the field ends up holding the Devanagari words.
# Usage: keyboard_road.sh WINE_RUN PREFIX TAROVIK_EXE TARGET_EXE WORK_DIR
set -u
wine_run=$1 prefix=$2 tarovik=$3 target=$4 work=$5
rm -rf "$work" && mkdir -p "$work"

display=":$((100 + $$ % 400))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=$display
cleanup() {
  kill "${host:-}" "${editor:-}" 2>/dev/null
  kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
sleep 1

"$wine_run" "$prefix" "$tarovik" >"$work/host.log" 2>&1 &
host=$!
sleep 3  # the host builds its engine and installs the hook

to_windows() { echo "Z:$(echo "$1" | tr / '\\')"; }
"$wine_run" "$prefix" "$target" "$(to_windows "$work/result.txt")" "$(to_windows "$work/stop")" >"$work/editor.log" 2>&1 &
editor=$!

window=$(timeout 30 xdotool search --sync --name "Tarovik test editor" | head -n 1)
if [ -z "$window" ]; then
  echo "the test editor did not appear"
  exit 1
fi
sleep 1
xdotool windowfocus "$window" 2>/dev/null
# "namaste" and Space commit the first candidate; "ram" then "2" picks the second row.
xdotool type --delay 80 "namaste ghar "
sleep 1
touch "$work/stop"
for _ in $(seq 50); do
  [ -f "$work/result.txt" ] && break
  sleep 0.2
done
wait "$editor" 2>/dev/null
result=$(cat "$work/result.txt" 2>/dev/null)
expected="नमस्ते घर "
echo "typed: namaste ghar  -> field holds: [$result]"
if [ "$result" != "$expected" ]; then
  echo "expected: [$expected]"
  exit 1
fi
