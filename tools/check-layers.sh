#!/usr/bin/env bash
# Fails when a file in src includes a folder its layer may not see: only
# layers below, never sideways or up. Usage: check-layers.sh [SRC]
set -euo pipefail
SRC=${1:-$(cd "$(dirname "$0")/../src" && pwd)}

# Each folder and the folders below it, bottom to top.
declare -A BELOW=(
  [base]=""
  [settings]="base"
  [tags]="settings base"
  [web]="settings base"
  [itunes]="settings base"
  [journal]="settings base"
  [processing]="tags web itunes journal settings base"
  [kit]="base"
  [app]="kit processing tags web itunes journal settings base"
)

INCLUDE='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)/'
status=0
while IFS= read -r hit; do
  file=${hit%%:*}
  rest=${hit#*:}
  line=${rest%%:*}
  [[ ${rest#*:} =~ $INCLUDE ]] || continue
  target=${BASH_REMATCH[1]}
  from=${file#"$SRC"/}
  from=${from%%/*}
  [ "$target" = "$from" ] && continue
  if [ -z "${BELOW[$from]+set}" ]; then
    echo "check-layers: $file: folder '$from' has no place in the layers" >&2
    status=1
  elif [ -z "${BELOW[$target]+set}" ] || [[ " ${BELOW[$from]} " != *" $target "* ]]; then
    echo "check-layers: $file:$line: $from may not include $target/" >&2
    status=1
  fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$SRC" --include='*.h' --include='*.cpp' || true)

[ $status -eq 0 ] && echo "check-layers: every include in $SRC points down"
exit $status
