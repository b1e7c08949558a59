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
# The batch is given a job and its parts: these files never see the program state nor
# the stored cancel flag.
for file in core/job.h core/cancel_token.h settings/job_of.h settings/job_of.cpp \
  processing/batch/batch_inputs.h processing/batch/job_records.h processing/batch/job_records.cpp \
  processing/batch/batch_jobs.h processing/batch/batch_jobs.cpp \
  processing/batch/parallel_batch.h processing/batch/parallel_batch.cpp \
  processing/batch/output_collisions.h processing/batch/output_collisions.cpp \
  processing/batch/shard_share.h processing/batch/shard_share.cpp; do
  [ -f "$src/$file" ] || continue
  if grep -qE 'AppState|core/state\.h|Cancelado' "$src/$file"; then
    echo "$file: takes the program state or the stored cancel flag"
    status=1
  fi
done
exit $status
