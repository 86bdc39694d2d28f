#!/usr/bin/env bash
# The Studio window process under Wine and Xvfb, with the default browser replaced by a
# recorder. Wine has no WebView2 runtime, so the real program falls back to the browser; a
# fake WebView2Loader.dll beside a copy of the program then drives the web view layer through
# a runtime that refuses, one that fails later, and one that works.
# Usage: studio_window.sh WINE_RUN PREFIX TAROVIK_EXE RECORDER_EXE FAKE_LOADER_DLL WORK_DIR
set -u
wine_run=$1 prefix=$2 tarovik=$3 recorder=$4 fake_loader=$5 work=$6
rm -rf "$work" && mkdir -p "$work/app"
cp "$tarovik" "$work/app/tarovik.exe"
cp "$fake_loader" "$work/app/WebView2Loader.dll"

. "$(dirname "$0")/virtual_display.sh"
start_virtual_display "$work" 1600x1200
to_windows() { echo "Z:$(echo "$1" | tr / '\\')"; }
key='HKCR\http\shell\open\command'
cleanup() {
  kill "${window_process:-}" 2>/dev/null
  "$wine_run" "$prefix" reg add "$key" /ve /d '"C:\windows\system32\winebrowser.exe" "%1"' /f >/dev/null 2>&1
  kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
"$wine_run" "$prefix" reg add "$key" /ve \
  /d "\"$(to_windows "$recorder")\" \"$(to_windows "$work/opened.txt")\" \"%1\"" /f >/dev/null 2>&1
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# A window process that cannot show a web view: it must end with the message and hand the
# address to the browser.
expect_fallback() {  # name, program, expected start of the message
  local name=$1 program=$2 message=$3
  rm -f "$work/opened.txt"
  timeout 60 "$wine_run" "$prefix" "$program" --studio-window http://127.0.0.1:1/ Test 700 500 \
    >/dev/null 2>"$work/$name.stderr"
  local status=$?
  for _ in $(seq 50); do [ -s "$work/opened.txt" ] && break; sleep 0.1; done
  echo "$name: status $status; $(cat "$work/$name.stderr")"
  { [ "$status" -ne 0 ] && [ "$status" -ne 124 ]; } || fail "$name: the window process ended with status $status"
  grep -q "^WebView2 init failed: $message" "$work/$name.stderr" || fail "$name: no \"WebView2 init failed: $message\""
  local opened
  opened=$(cat "$work/opened.txt" 2>/dev/null)
  [ "$opened" = "http://127.0.0.1:1/" ] || fail "$name: the browser was asked for \"$opened\""
}

expect_fallback no-runtime "$tarovik" "WebView2Loader.dll could not be loaded"
export FAKE_WEBVIEW2_LOG
FAKE_WEBVIEW2_LOG=$(to_windows "$work/fake.log")
FAKE_WEBVIEW2_MODE=refuses expect_fallback refused "$work/app/tarovik.exe" "CreateCoreWebView2EnvironmentWithOptions: 0x80070002"
FAKE_WEBVIEW2_MODE=fails expect_fallback failed-later "$work/app/tarovik.exe" "the WebView2 environment did not start: 0x80004005"

# A working runtime: the page is opened in a web view that fills the window and follows its
# size, and closing the window ends the process with 0.
rm -f "$work/fake.log" "$work/opened.txt"
FAKE_WEBVIEW2_MODE=works "$wine_run" "$prefix" "$work/app/tarovik.exe" --studio-window \
  http://127.0.0.1:1/preferences "Studio Test" 620 500 >/dev/null 2>"$work/works.stderr" &
window_process=$!
window=$(timeout 30 xdotool search --sync --name "^Studio Test$" | head -n 1)
for _ in $(seq 50); do grep -q '^navigate' "$work/fake.log" 2>/dev/null && break; sleep 0.1; done
echo "works: $(tr '\n' ';' <"$work/fake.log" 2>/dev/null)"
grep -q '^environment browser=(null) data=.*\\Tarovik\\WebView2 options=none$' "$work/fake.log" ||
  fail "works: the environment was not asked for with the Tarovik data folder"
grep -q '^controller parent=window$' "$work/fake.log" || fail "works: no controller for the window"
grep -q "^bounds 0 0 620 500$" "$work/fake.log" || fail "works: the web view does not fill a 620 by 500 client area"
grep -q '^navigate http://127.0.0.1:1/preferences$' "$work/fake.log" || fail "works: the address was not opened"
if [ -n "$window" ]; then
  xdotool windowsize "$window" 900 700
  sleep 1
  [ "$(grep -c '^bounds' "$work/fake.log")" -ge 2 ] && ! tail -n 1 "$work/fake.log" | grep -q "^bounds 0 0 620 500$" ||
    fail "works: the web view did not follow a new window size"
  xdotool windowactivate "$window" 2>/dev/null
  xdotool key --window "$window" alt+F4
else
  fail "works: no window titled \"Studio Test\""
fi
status=124
for _ in $(seq 100); do
  kill -0 "$window_process" 2>/dev/null || { wait "$window_process"; status=$?; break; }
  sleep 0.1
done
[ "$status" -eq 0 ] || fail "works: closing the window ended the process with status $status"
grep -q '^close$' "$work/fake.log" || fail "works: the web view was not closed"
[ -s "$work/opened.txt" ] && fail "works: the browser was opened although the web view works"

[ "$failed" -eq 0 ] && echo "PASS"
exit "$failed"
