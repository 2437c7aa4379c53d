#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every command line of args.txt against tintoral-render: a bad argument
# gets status 2 and a message naming the option, an output that cannot be
# written status 1; neither writes anything or changes the folder.
#   args_test.sh TINTORAL_RENDER
set -u
export R=$1 NOBODY=
[ "$(id -u)" = 0 ] && NOBODY="setpriv --reuid=65534 --regid=65534 --clear-groups"
failures=0 rows=0
while IFS= read -r row; do
  [[ $row =~ ^[0-9] ]] || continue
  want=${row%% | *} rest=${row#* | }; command=${rest% | *} expected=${rest##* | }
  export D=$(mktemp -d)
  (cd "$D" && mkdir ro && echo old > kept && chmod 600 kept && ln -s kept link && ln -s fresh dangling \
    && mknod full c 1 7 && chmod 666 full && chmod 555 ro . && chmod 755 .) || { echo "cannot make the folder"; exit 1; }
  before=$(find "$D" -printf '%P %y %m %s\n' | sort)
  out=$(bash -c "$command" 2> "$D.err") status=$?
  expected=$(printf '%b' "$expected") expected=${expected//'$D'/$D} err=$(cat "$D.err") rows=$((rows + 1))
  if [ "$status" != "$want" ]; then
    echo "FAIL: status $status, not $want: $command"$'\n'"$out$err"
  elif [ "$status" = 0 ] && [ "$out" != "$expected" ]; then
    echo "FAIL: $command"$'\n'"printed: $out"$'\n'"wanted:  $expected"
  elif [ "$status" != 0 ] && { [[ $err != "tintoral-render: $expected"* ]] || [ -n "$out" ] \
         || [ "$(find "$D" -printf '%P %y %m %s\n' | sort)" != "$before" ]; }; then
    echo "FAIL: $command"$'\n'"said: $err"$'\n'"printed: $out"$'\n'"left: $(ls -la "$D")"
  else
    failures=$((failures - 1))
  fi
  failures=$((failures + 1))
  chmod 755 "$D/ro" && rm -rf "$D" "$D.err"
done < "$(dirname "$0")/args.txt"
echo "$rows command lines, $failures failed"
[ "$failures" = 0 ]
