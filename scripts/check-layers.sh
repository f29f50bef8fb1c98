#!/usr/bin/env bash
# Holds the folders of src/ to the "may include" lines of
# docs/ARCHITECTURE.md: every #include "folder/..." of a folder's files must
# name the folder itself or one its line allows, and every folder its line
# allows must really be included (the lines are measured, not wished).
# Prints each breach and exits 1 when there is one.
#
# Usage: scripts/check-layers.sh [SOURCE_DIR]
set -euo pipefail
ROOT=${1:-$(cd "$(dirname "$0")/.." && pwd)}
DOC=$ROOT/docs/ARCHITECTURE.md

# folder -> allowed folders, from the first code block of the page.
declare -A allowed
folder=
while IFS= read -r line; do
  if [[ $line =~ ^([a-z0-9_]+)/ ]]; then
    folder=${BASH_REMATCH[1]}
  fi
  if [[ -n $folder && $line == *"may include: "* ]]; then
    allowed[$folder]=${line##*may include: }
    folder=
  fi
done < <(awk '/^```/ { n++; next } n == 1' "$DOC")

status=0
for dir in "$ROOT"/src/*/; do
  name=$(basename "$dir")
  if [[ -z ${allowed[$name]+set} ]]; then
    echo "src/$name/ has no \"may include\" line in docs/ARCHITECTURE.md"
    status=1
    continue
  fi
  used=$(grep -rhoE '^#include "[a-z0-9_]+/' "$dir" | sed -E 's/^#include "([a-z0-9_]+)\//\1/' | sort -u | grep -vx "$name" || true)
  rule=${allowed[$name]}
  [[ $rule == everything ]] && continue
  [[ $rule == "nothing of the project" ]] && rule=
  for u in $used; do
    [[ -d $ROOT/src/$u ]] || continue
    if [[ " $rule " != *" $u "* ]]; then
      echo "src/$name/ includes $u/, which its line does not allow:"
      grep -rlE "^#include \"$u/" "$dir" | sed "s|^$ROOT/|  |"
      status=1
    fi
  done
  for a in $rule; do
    if ! grep -qx "$a" <<<"$used"; then
      echo "src/$name/ may include $a/ by its line, but includes nothing of it"
      status=1
    fi
  done
done
exit $status
