#!/usr/bin/env bash
# Seeds for the agent command fuzzer: the first byte picks the session (bit 0
# the MPE personality, bit 1 starting in /ACCT/PUB), then one command line a
# line: directory changes through links and "..", MPE names, preferences,
# environment assignments and malformed arguments.
set -euo pipefail
dir=$1
seed() {
  local name=$1 selector=$2
  shift 2
  {
    printf '%s' "$selector"
    printf '%s\n' "$@"
  } >"$dir/$name"
}
# "0" is even (POSIX, home /), "1" odd (MPE, home /), "3" MPE in /ACCT/PUB.
seed posix-cd 0 '=GET_CD' '=SET_CD lower/src' '=GET_CD' '=SET_CD ..' '=SET_CD "lower/pub"' '=GET_CD' \
  '=SET_CD' '=GET_CD'
seed posix-links 0 '=SET_CD /ACCT/PUB/OUT' '=SET_CD /ACCT/PUB/UP' '=CHECK_EXISTS lower/passwd' \
  '=GET_FILEINFO /ACCT/DANGLE' '=SET_CD ../..' '=GET_CD'
seed posix-info 0 '=GET_FILEINFO "/ACCT/PUB/FILE"' '=GET_FILEINFO lower/src/main.c' \
  '=CHECK_EXISTS /ACCT/DATA/EMPTY' '=RESOLVE_FILE 0 "main.c" "/lower/src"' '=GET_OSINFO'
seed mpe-names 1 '=RESOLVE_FILE 0 "FILE.PUB.ACCT" ""' '=RESOLVE_FILE 0 "file.pub" "/ACCT/DATA/EMPTY"' \
  '=RESOLVE_FILE 0 "EMPTY.DATA" "/ACCT/PUB"' '=SET_CD acct/pub' '=GET_CD'
seed mpe-prefs 3 '=MPE_SET_FS P' '=MPE_SET_UDC t' '=MPE_SET_SHELL M' '$$$EXECLOGON 3' \
  '=SET_ENV term=vt100' '=SET_ENV 9X=1' '=GET_CD' '=! ' '=SET_PORT 12000' '=GET_CD'
seed bad-args 2 '=GET_CD x' '=SET_CD "' '=FILE_UNLOCK -2147483648' '=FILE_UNLOCK 99999999999' \
  '=RESOLVE_FILE x "a" "b"' '=SET_PORT 0' '$$$EXECLOGON +7' 'ls -l' '=UNKNOWN' '' $'=GET_CD\r'
long=$(printf 'abcdefgh/%.0s' $(seq 1 120))
seed long-paths 0 "=SET_CD $long" "=CHECK_EXISTS $long" "=RESOLVE_FILE 0 \"$long\" \"\"" \
  "=SET_ENV LONG=$long"
