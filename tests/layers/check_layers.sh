#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own, or of a sibling
# layer it must not know (remote/update, ui/cli). Each folder under src/ is a layer.
set -u
src=${1:?usage: check_layers.sh SRC_DIR}
rank() {
  case $1 in
    runtime) echo 0 ;; core) echo 1 ;; settings) echo 2 ;;
    remote|update) echo 3 ;; sources) echo 4 ;; processing) echo 5 ;;
    engine) echo 6 ;; ui|cli) echo 7 ;; app) echo 8 ;; *) echo -1 ;;
  esac
}
status=0
while IFS= read -r file; do
  own=${file#"$src"/}; own=${own%%/*}
  own_rank=$(rank "$own")
  while IFS= read -r used; do
    [ "$used" = "$own" ] && continue
    used_rank=$(rank "$used")
    [ "$used_rank" -lt 0 ] && continue
    if [ "$used_rank" -ge "$own_rank" ]; then
      echo "${file#"$src"/}: $own includes $used"
      status=1
    fi
  done < <(sed -n 's/^#include "\([a-z_]*\)\/.*/\1/p' "$file" | sort -u)
done < <(find "$src" -name '*.h' -o -name '*.cpp')
exit $status
