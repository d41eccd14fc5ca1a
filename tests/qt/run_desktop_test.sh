#!/usr/bin/env bash
# The Linux desktop wizard on a virtual screen: updater-sim driven by key presses
# (Return, the buttons' letters) through a full update on the simulated device,
# in English, German and Japanese, ending with exit code 0. Each window is
# photographed into OUT_DIR/<language>/.
#   tests/qt/run_desktop_test.sh BUILD_DIR OUT_DIR
set -u
build=${1:-build/native}
out=${2:-build/desktop}
program="$build/src/updater-sim"
title="NORVA TELIX MZ 5100P"
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "missing $tool (make deps installs it)"; exit 1; }
done
[ -x "$program" ] || { echo "missing $program"; exit 1; }

# A virtual screen of its own, on a display number no other server holds.
for n in $(seq 200 299); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=:$n; break; }
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
export DISPLAY=$display UPDATER_UI=window XDG_RUNTIME_DIR=$(mktemp -d)
unset QT_QPA_PLATFORM WAYLAND_DISPLAY LC_ALL LC_MESSAGES
sleep 1

# Waits (up to 20 s) until `count` windows with the device title are shown.
wait_windows() {
  for _ in $(seq 200); do
    [ "$(xdotool search --onlyvisible --name "$title" 2>/dev/null | wc -l)" -eq "$1" ] && return 0
    sleep 0.1
  done
  echo "  no $1 windows"; return 1
}
# The screen within the wizard window's bounds, boxes and dialogs over it included.
shot() {
  sleep 0.5
  [ -n "$frame" ] || frame=$(xdotool search --onlyvisible --name "$title" getwindowgeometry --shell 2>/dev/null |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print w "x" h "+" x "+" y}')
  import -window root -crop "$frame" +repage "$dir/$1.png"
}

failures=0
for language in en_US de_DE ja_JP; do
  dir="$out/$language"; mkdir -p "$dir"; frame=
  LANG=$language.UTF-8 UPDATER_SIMULATE="clock=fast;link-ms=40" "$program" >"$dir/output.txt" 2>&1 &
  app=$!
  ok=1
  # Next by Return, Next by its letter, OK by Return, Finish by its letter.
  { wait_windows 1 && shot 1-precautions && xdotool key Return &&
    sleep 1 && wait_windows 1 && shot 2-confirm && xdotool key n &&
    wait_windows 2 && shot 3-start-warning && xdotool key Return &&
    wait_windows 2 && shot 4-sending && sleep 4 && wait_windows 1 && shot 6-result && xdotool key f; } || ok=0
  for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
  kill $app 2>/dev/null
  wait $app; code=$?
  if [ $ok -eq 1 ] && [ $code -eq 0 ]; then
    echo "desktop wizard, $language: the full update by keys, exit code 0"
  else
    echo "desktop wizard, $language: FAILED (exit code $code); screenshots in $dir"; failures=$((failures + 1))
  fi
done
# Escape on the first page asks the quit question, whose default button, Yes,
# Return presses; a signal before an update quits as well.
for quit in "xdotool key Escape && wait_windows 2 && xdotool key Return" "kill -TERM \$app"; do
  UPDATER_SIMULATE=clock=fast "$program" >/dev/null 2>&1 &
  app=$!
  wait_windows 1 && eval "$quit"
  wait $app; code=$?
  [ $code -eq 255 ] && echo "desktop wizard: $quit on the first page, exit code 255" ||
    { echo "desktop wizard: $quit on the first page: FAILED (exit code $code)"; failures=$((failures + 1)); }
done
# Keys pressed while the device is asked for its version are dropped: the
# confirmation page waits alone for the user, and a signal still quits.
UPDATER_SIMULATE="clock=fast;link-ms=1500" "$program" >/dev/null 2>&1 &
app=$!
wait_windows 1 && xdotool key Return && sleep 1 && xdotool key Return n Return o Return && sleep 8
alone=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | wc -l)
[ "$alone" -eq 1 ] && kill -TERM $app || kill -KILL $app
wait $app; code=$?
[ "$alone" -eq 1 ] && [ $code -eq 255 ] && echo "desktop wizard: keys during the version read dropped, exit code 255" ||
  { echo "desktop wizard: keys during the version read: FAILED ($alone windows, exit code $code)"; failures=$((failures + 1)); }
exit $failures
