# Sourced by the end-to-end scripts: starts Xvfb on a display it picks itself and exports
# DISPLAY, or ends the script when it cannot. Usage: start_virtual_display WORK_DIR WIDTHxHEIGHT
start_virtual_display() {
  local work=$1 size=$2
  rm -f "$work/display"
  # -displayfd: Xvfb takes a free display and writes its number once it accepts clients.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$work/display" ]; then
    echo "FAIL: Xvfb did not start: $(cat "$work/xvfb.log")"
    exit 1
  fi
  DISPLAY=":$(head -n 1 "$work/display")"
  export DISPLAY
}

# The processes of our own Wine prefix whose command line holds text: Wine starts a program's
# children apart from it, so they are found by the prefix they run in, not by who started them.
prefix_processes() {
  local prefix=$1 text=$2 pid
  for pid in $(pgrep -f -- "$text"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" && echo "$pid"
  done
}
