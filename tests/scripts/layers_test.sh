#!/usr/bin/env bash
# The library's folders are layers that import only downward, in the order platform, text,
# http, document, run: every include of a file in convert/ names a folder at or below the
# file's own (or a header of text's processor side), and no source stands outside the folders.
#
#   layers_test.sh SOURCE_DIR
set -u
convert="$1/convert"
source "$(dirname "$0")/../support/check.sh"
layers=(platform text http document run)
rank() {
  local i
  for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo 99
}

upward=
for layer in "${layers[@]}"; do
  own=$(rank "$layer")
  while IFS=: read -r file included; do
    folder=${included%%/*}
    # A name alone is a header of the processor's side of text/, which CMake puts on the path.
    [ "$folder" = "$included" ] && compgen -G "$convert/text/*/$included" >/dev/null && folder=text
    [ "$(rank "$folder")" -le "$own" ] || upward="$upward ${file#"$convert/"}→$included"
  done < <(grep -ro '#include "[^"]*"' "$convert/$layer" | sed 's/#include "\(.*\)"/\1/')
done
check "no include reaches a layer above its own${upward:+:$upward}" test -z "$upward"
loose=$(find "$convert" -maxdepth 1 -name '*.cpp' -o -maxdepth 1 -name '*.h')
check "every source of the library is in a layer's folder${loose:+: $loose}" test -z "$loose"

finish_checks
