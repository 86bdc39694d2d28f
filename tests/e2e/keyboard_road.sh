#!/usr/bin/env bash
# Types roman text into a Windows edit field under Wine and Xvfb while tarovik.exe runs as the
# tray host, then compares what the field holds. Saves screenshots of the toast, the pill, the popup and
# the editor.
# Usage: keyboard_road.sh WINE_RUN PREFIX TAROVIK_EXE TARGET_EXE WORK_DIR [--demo]
set -u
wine_run=$1 prefix=$2 tarovik=$3 target=$4 work=$5 mode=${6:-}
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
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

"$wine_run" "$prefix" "$tarovik" >"$work/host.log" 2>&1 &
host=$!
# The start-up mode toast shows for 1.5 s in the popup window, titled with its class name.
if timeout 20 xdotool search --sync --onlyvisible --name "^TarovikCandidatePopup$" >/dev/null 2>&1; then
  import -window root "$work/toast.png" 2>/dev/null && echo "screenshot of the toast: $work/toast.png"
fi
sleep 3  # the host builds its engine and installs the hook
import -window root "$work/pill.png" 2>/dev/null && echo "screenshot of the pill: $work/pill.png"

# A second start hands over to the running host and ends with status 0. The host then
# opens the Writing Studio: without a web view that window process gives up at once.
timeout 30 "$wine_run" "$prefix" "$tarovik" >/dev/null 2>&1
status=$?
[ "$status" -eq 0 ] || fail "a second start ended with status $status"
kill -0 "$host" 2>/dev/null || fail "the first host did not survive a second start"
for _ in $(seq 50); do
  pgrep -f -- "--studio-window" >/dev/null || break
  sleep 0.2
done
sleep 1

to_windows() { echo "Z:$(echo "$1" | tr / '\\')"; }
"$wine_run" "$prefix" "$target" "$(to_windows "$work/result.txt")" "$(to_windows "$work/stop")" >"$work/editor.log" 2>&1 &
editor=$!
window=$(timeout 30 xdotool search --sync --name "Tarovik test editor" | head -n 1)
if [ -z "$window" ]; then
  echo "FAIL: the test editor did not appear"
  exit 1
fi
sleep 1
xdotool windowfocus "$window" 2>/dev/null
type() { xdotool type --delay 80 "$1"; sleep 0.3; }
key() { xdotool key --delay 80 "$@"; sleep 0.3; }

if [ "$mode" = "--demo" ]; then
  type "mero naam ram ho. ma kathmandu ma baschhu. "
else
  type "namaste "                      # Space commits the first candidate
  type "kathmandu"
  import -window root "$work/popup.png" 2>/dev/null && echo "screenshot of the popup: $work/popup.png"
  key Return                           # Enter commits with a line break
  type "ghar "
  key BackSpace                        # Backspace right after a commit gives the roman text back
  type " "
  key ctrl+alt+space                   # off: the next word stays roman
  type "hello "
  key ctrl+alt+space                   # on again
  type "kathmandu2"                    # 2 picks the second row
  # The same sentences typed slowly and as fast as xdotool can must arrive alike: keys typed
  # while a commit is being typed wait for it. "q," starts each line without context.
  # An address longer than a word's 28 letters is left as typed.
  sentences='q, mero naam Ram ho. ma kathmandu ma baschhu. www.google.com herchhu. timi kasto chhau. www.kathmandupost.com/national padhchhu. '
  key Return
  xdotool type --delay 60 "$sentences"; sleep 1
  key Return
  xdotool type --delay 2 "$sentences"; sleep 2
fi
sleep 1
import -window root "$work/editor.png" 2>/dev/null && echo "screenshot of the editor: $work/editor.png"
touch "$work/stop"
for _ in $(seq 50); do
  [ -f "$work/result.txt" ] && break
  sleep 0.2
done
wait "$editor" 2>/dev/null
# The editor sent the tray menu's Exit command: the host ends with status 0.
timeout 20 tail --pid="$host" -f /dev/null
wait "$host"
status=$?
[ "$status" -eq 0 ] || fail "the host ended with status $status after Exit"

result=$(cat "$work/result.txt" 2>/dev/null)
echo "the field holds: [$result]"
if [ "$mode" != "--demo" ]; then
  expected=$(printf 'नमस्ते काठमाडौँ\r\nघर hello काठमाण्डौ ')
  slow=$(printf '%s' "$result" | tr -d '\r' | sed -n 3p)
  fast=$(printf '%s' "$result" | tr -d '\r' | sed -n 4p)
  [ "$(printf '%s' "$result" | tr -d '\r' | head -n 2)" = "$(printf '%s' "$expected" | tr -d '\r')" ] ||
    fail "expected to begin with: [$expected]"
  # Only the context reset and the address stay roman.
  [ "$(printf '%s' "$slow" | sed 's/^q, //; s/www\.google\.com //; s|www\.kathmandupost\.com/national ||' | tr -cd 'A-Za-z')" = "" ] ||
    fail "roman letters left in: [$slow]"
  [ "$fast" = "$slow" ] || fail "typed fast: [$fast], typed slowly: [$slow]"
fi
exit $failed
