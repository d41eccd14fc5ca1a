#!/usr/bin/env bash
# The stages of `make test`. Each stage is one shell command that passes, fails
# or is skipped; every stage runs (a stage after one it needs that did not pass
# is skipped), and the summary at the end lists them all with their times and
# fails when one failed.
#
#   tools/stage.sh begin
#   tools/stage.sh run [--after STAGE]... [--background] NAME 'COMMAND'
#   tools/stage.sh join
#   tools/stage.sh summary
#
# A stage run in the background (one that mostly waits, as the runs on a
# virtual screen do) goes on beside the stages after it; its output is shown
# when `join` has waited for every such stage.
#
# COMMAND runs under bash. It may call `skip "why"` to end as skipped, or
# `note "what"` to add a word to the summary line of its stage.
set -uo pipefail
cd "$(dirname "$0")/.."
record=build/stages.txt

case ${1:-} in
  begin)
    mkdir -p build
    : >"$record"
    rm -f build/stages-background.txt build/stage-*.log
    date +%s >build/stages-began.txt
    ;;

  run)
    shift
    after=()
    while [ "${1:-}" = --after ]; do
      after+=("$2")
      shift 2
    done
    if [ "${1:-}" = --background ]; then
      shift
      [ $# -eq 2 ] || { echo "usage: $0 run [--after STAGE]... [--background] NAME 'COMMAND'" >&2; exit 2; }
      echo "=== $1: started beside the stages after it"
      # The stages it needs have passed: it runs as any other, its output kept.
      nohup "$0" run "$1" "$2" >"build/stage-$1.log" 2>&1 </dev/null &
      echo $! >>build/stages-background.txt
      exit 0
    fi
    [ $# -eq 2 ] || { echo "usage: $0 run [--after STAGE]... [--background] NAME 'COMMAND'" >&2; exit 2; }
    name=$1 command=$2
    touch "$record"
    for needed in "${after[@]}"; do
      if ! grep -q "^$needed	passed	" "$record"; then
        printf '%s\tskipped\t0\t0\t%s did not pass\n' "$name" "$needed" >>"$record"
        echo "=== $name: skipped ($needed did not pass)"
        exit 0
      fi
    done
    notes=$(mktemp)
    echo "=== $name"
    start=$(date +%s)
    STAGE_NOTES=$notes bash -c '
      skip() { echo "$*" >>"$STAGE_NOTES"; exit 77; }
      note() { echo "$*" >>"$STAGE_NOTES"; }
      eval "$1"' stage "$command"
    status=$?
    seconds=$(($(date +%s) - start))
    # The processor time the stage took, which a busy machine does not stretch.
    times >"$notes.cpu"
    cpu=$(awk 'NR == 2 { split($1 " " $2, t, /[ms ]+/); printf "%d", t[1] * 60 + t[2] + t[3] * 60 + t[4] }' "$notes.cpu")
    case $status in
      0) result=passed ;;
      77) result=skipped ;;
      *) result=failed ;;
    esac
    why=$(paste -sd ';' "$notes" | sed 's/;/; /g')
    rm -f "$notes" "$notes.cpu"
    printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$result" "$seconds" "$cpu" "$why" >>"$record"
    [ "$result" = passed ] || echo "=== $name: $result${why:+ ($why)}"
    # A stage that fails does not stop the others: the summary fails at the end.
    exit 0
    ;;

  join)
    [ -f build/stages-background.txt ] || exit 0
    while read -r pid; do
      while kill -0 "$pid" 2>/dev/null; do sleep 1; done
    done <build/stages-background.txt
    for log in build/stage-*.log; do
      [ -f "$log" ] && cat "$log"
    done
    rm -f build/stages-background.txt
    ;;

  summary)
    echo
    echo "make test:                   time  processor"
    failed=0 total=0 total_cpu=0
    while IFS=$'\t' read -r name result seconds cpu why; do
      total=$((total + seconds)) total_cpu=$((total_cpu + cpu))
      [ "$result" = failed ] && failed=$((failed + 1))
      printf '  %-16s %-8s %5s s %7s s%s\n' "$name" "$result" "$seconds" "$cpu" "${why:+  ($why)}"
    done <"$record"
    # Stages in the background overlap the others: the whole is the time since begin.
    began=$(cat build/stages-began.txt 2>/dev/null || date +%s)
    total=$(($(date +%s) - began))
    printf '  %-16s %-8s %5s s %7s s  (%d:%02d)\n' total "" "$total" "$total_cpu" $((total / 60)) $((total % 60))
    if [ "$failed" -gt 0 ]; then
      echo "make test: $failed stage(s) failed" >&2
      exit 1
    fi
    ;;

  *)
    echo "usage: $0 begin | run [--after STAGE]... [--background] NAME 'COMMAND' | join | summary" >&2
    exit 2
    ;;
esac
