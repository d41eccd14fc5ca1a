#!/usr/bin/env bash
# The Windows program as a user meets it: updater-sim.exe under Wine on a virtual
# screen, driven by key presses, with the exit code of every run checked and a
# screenshot of every window of the full update in English, German and Japanese,
# and of Japanese, Russian and Chinese texts on a Western system locale.
#
#   tests/wine/run_windows_tests.sh BUILD_DIR OUT_DIR [session]
#
# BUILD_DIR holds src/updater-sim.exe and tests/version_order_check.exe (x86_64);
# OUT_DIR receives the Wine prefix and the screenshots. A failing step prints the
# screenshot it took and the titles of the windows that were open. With
# "session" only the cases of a session that ends are run (the i686 program's
# short run, which needs no tests of its own).
set -uo pipefail

build=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
only=${3:-}
exe="$build/src/updater-sim.exe"
title="NORVA TELIX MZ 5100P"
failures=0

export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
for tool in wine Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "missing $tool (make deps installs it)"; exit 1; }
done

# A virtual screen of its own, on a display number no other server holds.
for n in $(seq 90 199); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=:$n; break; }
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
trap 'kill $xvfb 2>/dev/null; wineserver -k 2>/dev/null' EXIT
sleep 1
# A prefix made by another Wine, or before the 32-bit Wine was installed, cannot
# start every program ("could not load kernel32.dll"): it is made anew.
wine_kind="$(wine --version) $(ls /usr/lib/wine /usr/lib/*/wine 2>/dev/null | grep -- '-windows$' | sort -u | tr '\n' ' ')"
if [ "$(cat "$WINEPREFIX/.made-by" 2>/dev/null)" != "$wine_kind" ]; then
  rm -rf "$WINEPREFIX"
  timeout 180 wineboot -i >/dev/null 2>&1
  echo "$wine_kind" > "$WINEPREFIX/.made-by"
fi
# Windows has the Japanese dialogs' font on every system locale, and links its
# dialog font (MS Shell Dlg) to Chinese and Japanese fonts; Wine, when told so.
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"%s"="%s"\r\n"Tahoma"="DejaVu Sans"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Uniscribe\\Fallback]\r\n"696e6168"="Noto Sans CJK SC"\r\n' \
  "ＭＳ Ｐゴシック" "Noto Sans CJK JP" | iconv -f UTF-8 -t UTF-16 >"$out/fonts.reg"
timeout 60 wine regedit /S "$out/fonts.reg" >/dev/null 2>&1
timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "DejaVu Sans" /f \
  /t REG_MULTI_SZ /d 'NotoSansCJK-Regular.ttc,Noto Sans CJK SC\0NotoSansCJK-Regular.ttc,Noto Sans CJK JP' >/dev/null 2>&1

windows() { xdotool search --onlyvisible --name "$title" 2>/dev/null; }

# What the screen showed when a step failed.
report() {
  local shot="$out/failed-$case.png"
  import -window root "$shot" 2>/dev/null
  echo "FAILED: $case: $1"
  echo "  screenshot: $shot"
  echo "  windows open:"
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    echo "    $(xdotool getwindowname "$id" 2>/dev/null)"
  done
  failures=$((failures + 1))
}

# Waits until N windows titled with the device title are visible.
wait_windows() {
  for _ in $(seq 1 100); do
    [ "$(windows | wc -l)" -eq "$1" ] && sleep 0.4 && return 0
    sleep 0.1
  done
  report "expected $1 window(s) titled \"$title\""
  return 1
}

# Presses a key in the topmost window of the program.
press() {
  local window
  window=$(windows | tail -1)
  [ -n "$window" ] && xdotool windowfocus "$window" 2>/dev/null
  xdotool key ${window:+--window "$window"} "$1"
  sleep 0.3
}

# The progress dialog has no title: it is the program's second visible window.
dialog_up() {
  [ "$(xdotool search --onlyvisible --class updater-sim 2>/dev/null | wc -l)" -ge 2 ] && return 0
  report "the progress dialog is not up"
  return 1
}

# The untitled window (the wait popup of a version read, the progress dialog)
# comes, within five seconds, and goes: keys pressed before are dropped.
untitled() { echo $(($(xdotool search --onlyvisible --class updater-sim 2>/dev/null | wc -l) - $(windows | wc -l))); }
settle() {
  for _ in $(seq 50); do [ "$(untitled)" -ge 1 ] && break; sleep 0.1; done
  for _ in $(seq 600); do [ "$(untitled)" -eq 0 ] && sleep 0.4 && return 0; sleep 0.1; done; report "untitled window up"
}
finish() { for _ in $(seq 10); do [ -z "$(windows)" ] && return; press Return; sleep 1; done; }  # until Finish takes
# Steps: N waits for N titled windows, @ settles, any other word is a key.
walk() { local s; for s in "$@"; do case $s in [0-9]) wait_windows $s ;; @) settle ;; *) press $s ;; esac || return 1; done; }
own_language() {  # the page is not the English one
  local n; n=$([ $language = en ] || compare -metric AE "$out/screenshots/en/$1.png" "$lang_dir/$1.png" null: 2>&1)
  [ $language = en ] || [ "${n%%.*}" -gt 1000 ] 2>/dev/null || report "$1 looks as in English ($n pixels differ)"
}

shot() { [ -n "$lang_dir" ] && import -window root "$lang_dir/$1.png"; }

# Waits, without pausing once it is there, for the progress dialog alone over
# the wizard: the start warning gone (up to five seconds).
wait_dialog() {
  for _ in $(seq 1 100); do
    [ "$(windows | wc -l)" -eq 1 ] &&
      [ "$(xdotool search --onlyvisible --class updater-sim 2>/dev/null | wc -l)" -ge 2 ] && return 0
    sleep 0.05
  done
  dialog_up
}

# Ends the session as a logoff or shutdown does: the programs' windows are asked
# whether the session may end and, when all agree, told that it ends.
end_session() {
  timeout 30 wineboot --end-session >/dev/null 2>&1
  sleep 1
}

# Runs one case: start the program, then the steps, then check the exit code.
run_case() {
  case="$1 ($(basename "$build"))" scenario=$2 expected=$3 language=$4
  shift 4
  [[ "$case" == *"${WINE_CASE:-}"* ]] || return 0  # WINE_CASE=text: the cases named with text alone
  lang_dir=""
  [ "$language" != "-" ] && lang_dir="$out/screenshots/$language" && mkdir -p "$lang_dir"
  local lc=C messages=
  case $language in de) lc=de_DE.UTF-8 ;; ja) lc=ja_JP.UTF-8 ;; en) lc=en_US.UTF-8 ;; esac
  # ja-on-en: a Japanese display language on a Western system locale (code page).
  case $language in ja-on-en) messages=ja_JP ;; ru-on-en) messages=ru_RU ;; zh-on-en) messages=zh_CN ;; esac
  [ -n "$messages" ] && lc=en_US.UTF-8 messages=$messages.UTF-8
  for name in $lc $messages; do  # without it Wine shows English
    [ $name = C ] || locale -a | grep -qix "${name%.*}.utf-\?8" || { report "no locale $name (make deps)"; return; }
  done
  env -u LC_ALL LANG=$lc LC_CTYPE=$lc LC_MESSAGES=${messages:-$lc} UPDATER_SIMULATE="$scenario" \
    timeout 120 wine "$exe" >/dev/null 2>&1 &
  local program=$!
  local step
  for step in "$@"; do
    eval "$step" || break
  done
  local code=0
  for _ in $(seq 1 150); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
  if kill -0 $program 2>/dev/null; then
    report "still running after its last step"
    kill $program 2>/dev/null
    wineserver -k 2>/dev/null
    return
  fi
  wait $program
  code=$?
  [ "$code" -eq "$expected" ] && echo "ok: $case (exit code $code)" || report "exit code $code, expected $expected"
}

full_update() {
  local language=$1
  # The device is switched off three seconds after it has written the image and
  # on again two seconds later: the watch sees it go and come back. Each write
  # takes 80 ms, so the image is seen on its way.
  run_case "full update ($language)" "clock=real;progress=0,25,50,75,100;link-ms=80" 0 "$language" \
    "wait_windows 1" "shot 1-precautions" "own_language 1-precautions" "press Return" \
    "wait_windows 1" "sleep 1.5" "shot 2-confirm" "press Return" \
    "wait_windows 2" "shot 3-start-warning" "press Return" \
    "wait_dialog" "sleep 0.8" "shot 4-sending" "sleep 3.7" "shot 5-writing" \
    "sleep 12" "wait_windows 1" "sleep 1" "shot 6-result" "press Return"
}

# A running update refuses the end of the session, Escape and a polite close
# (taskkill without /F) without a question, and goes on to its end.
run_case "session ended, Escape and closed while updating" "silent=1;progress=0,25,50,75,100" 0 - \
  "walk 1 Return @ Return 2 Return" "wait_dialog" "sleep 1" "end_session" "xdotool key Escape" "sleep 1" \
  "wine taskkill /IM updater-sim.exe >/dev/null 2>&1" "sleep 1" "wait_windows 1" "dialog_up" "settle" "finish"
# The session ends on each page and box of a failing run and of the runs that
# end with 0: the exit code is the outcome of where the program stands.
while IFS='|' read -r expected scenario way where; do
  run_case "session ended on $where" "$scenario" "$expected" - "walk $way" "end_session"
done <<'EOF'
255|clock=fast|1|the first page
0|silent=30;clock=fast|1 Return 2|the version not detected
0|version=V2.60a-3;clock=fast|1 Return 2|the device already updated
255|silent=1|1 Return @ 1|the confirmation page
255|silent=1|1 Return @ Return 2|the start warning
255|silent=1;fail-write=2;link-ms=400|1 Return @ Return 2 Return @ 2|the failed update's error
0|silent=1;progress=100|1 Return @ Return 2 Return @ 1|the result page
EOF
if [ "$only" = session ]; then
  echo "$failures failed"
  [ "$failures" -eq 0 ]
  exit
fi

for language in en de ja; do full_update "$language"; done

# The texts read in the display language whatever the system's code page.
for language in ja-on-en ru-on-en zh-on-en; do
  run_case "$language: the texts on a Western system locale" "device=absent;clock=fast" 255 $language \
    "wait_windows 1" "shot 1-precautions" "own_language 1-precautions" "press Return" "wait_windows 2" \
    "shot 2-connection-error" "press Return" "wait_windows 1" "press Escape" "wait_windows 2" "press Return"
done

run_case "keys during the version read" "silent=6" 255 - "walk 1 Return" "sleep 1" "dialog_up" \
  "xdotool key Return Return space Return" "settle" "wait_windows 1" "walk Escape 2 y"

run_case "start warning refused" "silent=1" 255 - "walk 1 Return @ Return 2 Escape"

# The version order of the engine against the system's own comparison.
case="version order"
if order=$(timeout 60 wine "$build/tests/version_order_check.exe" 2>&1); then
  echo "ok: version order ($order)"
else
  echo "FAILED: version order"
  echo "$order"
  failures=$((failures + 1))
fi

echo "screenshots: $out/screenshots"
echo "$failures failed"
[ "$failures" -eq 0 ]
