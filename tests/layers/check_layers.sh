#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own, or of a sibling
# layer it must not know (remote/update, ui/cli). Each folder under src/ is a layer.
# Also fails when encoding takes another way than encodeImage with a row of the format
# table: an encoder registered by format code or from a layer above runtime/ (to be
# called back from it), or a codec's own encoder called from outside runtime/imaging/.
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

# A file named *_test.cpp is a test: none lives among the program's sources.
while IFS= read -r file; do
  echo "${file#"$src"/}: a program source named as a test"
  status=1
done < <(find "$src" -name '*_test.cpp' -o -name '*_test.h')

# Above remote/, an FTP connection is a RemoteClient (remote/remote_client.h). The
# table's handle functions serve FtpID alone: closing the session it names, or asking
# whether one is open.
while IFS= read -r hit; do
  echo "$hit: an FTP session used by its handle, not through the remote client"
  status=1
done < <(grep -rnoE '\bftp(Connect|Open|Check|ChangeDir|MakeDir|CurrentDir|List|NextEntry|Entry[A-Za-z]*|Upload|Download|Progress|TransferFailure|WaitForTransfer|Abort)\(' \
           "$src" --include='*.cpp' --include='*.h' | grep -v "^$src/remote/" | sed "s|^$src/||")

# The protocol is parsed from its stored text once, by settings/: the layers above
# take the typed endpoint (core/remote_endpoint.h).
while IFS= read -r hit; do
  echo "$hit: the protocol parsed from text outside settings/"
  status=1
done < <(grep -rnoE 'remoteProtocolOf\(' "$src/sources" "$src/remote" --include='*.cpp' --include='*.h' | sed "s|^$src/||")

# The batch is given a job and its parts: these files never see the program state nor
# the stored cancel flag.
for file in core/job.h core/cancel_token.h settings/job_of.h settings/job_of.cpp \
  processing/batch/batch_inputs.h processing/batch/job_records.h processing/batch/job_records.cpp \
  processing/batch/batch_jobs.h processing/batch/batch_jobs.cpp \
  processing/batch/parallel_batch.h processing/batch/parallel_batch.cpp \
  processing/batch/output_collisions.h processing/batch/output_collisions.cpp \
  processing/batch/shard_share.h processing/batch/shard_share.cpp \
  processing/batch/run_batch.h processing/batch/run_batch.cpp \
  processing/batch/batch_preconditions.h processing/batch/batch_preconditions.cpp \
  processing/text/phrases_file.h processing/text/phrases_file.cpp \
  processing/text/text_sample.h processing/text/text_sample.cpp; do
  [ -f "$src/$file" ] || continue
  if grep -qE 'AppState|core/state\.h|Cancelado' "$src/$file"; then
    echo "$file: takes the program state or the stored cancel flag"
    status=1
  fi
done

removed='registerEncoder|registerSysEncoder|EncodeRequest|EncoderEntry|encode24|encode32|kFormatSys|BuiltinEncoder'
while IFS= read -r hit; do
  hit=$(echo "${hit#"$src"/}" | cut -d: -f1,2)
  echo "$hit: encoders are the format table's rows; nothing registers one"
  status=1
done < <(grep -rnE "\b($removed)\b" "$src" --include='*.h' --include='*.cpp')
while IFS= read -r hit; do
  hit=$(echo "${hit#"$src"/}" | cut -d: -f1,2)
  echo "$hit: encodes past encodeImage"
  status=1
done < <(grep -rnE '(\.|->)encode\(|\bencode(Jpeg|Png|Bmp|Gif|Webp|Avif|Heic)\(' "$src" --include='*.h' --include='*.cpp' |
           grep -v "^$src/runtime/imaging/")
exit $status
