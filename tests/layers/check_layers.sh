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
