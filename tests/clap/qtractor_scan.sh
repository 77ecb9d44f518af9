#!/usr/bin/env bash
# qtractor's plug-in scanner, run as qtractor runs it when it looks for
# plug-ins: the module's path on its standard input, one line per plug-in on
# its standard output (type|name|audio in:out|MIDI in:out|parameters in:out|
# flags|file|index|id). Talkforge must be listed with its editor, one main
# audio input (the side-chain is not counted there), two output channels, one
# MIDI input and 77 parameters (76 and the bypass).
# usage: qtractor_scan.sh SCANNER MODULE
set -euo pipefail
scanner=$1
module=$2
if [ ! -x "$scanner" ]; then
  echo "qtractor's scanner $scanner is not installed (scripts/deps installs qtractor): skipped"
  exit 77
fi
line=$(echo "CLAP:$module" | "$scanner" 2> scan.log) || { cat scan.log; exit 1; }
echo "$line"
IFS='|' read -r type name audio midi params flags file index id <<< "$line"
fail() { echo "FAIL: $*" >&2; cat scan.log >&2; exit 1; }
[ "$type" = CLAP ] || fail "type $type"
[ "$name" = Talkforge ] || fail "name $name"
[ "$audio" = 1:2 ] || fail "audio ports $audio"
[ "$midi" = 1:0 ] || fail "MIDI ports $midi"
[ "$params" = 77:0 ] || fail "parameters $params"
[[ ",$flags," == *,GUI,* ]] || fail "no editor in the flags $flags"
[ "$file" = "$module" ] || fail "file $file"
[ "$index" = 0 ] || fail "index $index"
