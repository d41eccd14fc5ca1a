#!/usr/bin/env bash
# The source tree has floors: platform at the ground, then resources, ui, device,
# update, wizard, and app at the top. A file under src/ includes only headers of
# its own floor and of the floors below it. Prints every include that points up
# and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

floors=(platform resources ui device update wizard app)
level() {
  local i
  for i in "${!floors[@]}"; do
    [ "${floors[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}

status=0
while IFS= read -r file; do
  own=$(level "$(echo "$file" | cut -d/ -f2)")
  while IFS=: read -r line target; do
    floor=$(level "${target%%/*}")
    if [ "$floor" -lt 0 ]; then
      echo "$file:$line: includes \"$target\", which is on no floor" >&2
      status=1
    elif [ "$floor" -gt "$own" ]; then
      echo "$file:$line: includes \"$target\" from a floor above its own (${floors[$own]})" >&2
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
           sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(find src -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

[ "$status" -eq 0 ] && echo "Every file under src/ includes only its own floor and the floors below it."
exit "$status"
