#!/usr/bin/env bash
# Seeds for the record-loader fuzzer: record-form files written by the
# product's own upload path (numbered, Qedit, byte stream, long lines),
# a file with user labels, and plain text files with each kind of line end.
set -euo pipefail
dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'IDENTIFICATION DIVISION.\nPROGRAM-ID. DEMO.\n\n\tSTOP RUN.\n' >"$work/cobol.txt"
$CLI doc tohost "$work/cobol.txt" "$dir/numbered-end" --fcode 1052 --reclen 80 --type 0 --numbers 72,8,1000,1000
$CLI doc tohost "$work/cobol.txt" "$dir/numbered-start" --fcode 1052 --reclen 80 --type 0 --numbers 1,6,100,100
$CLI doc tohost "$work/cobol.txt" "$dir/qedit" --fcode 111 --reclen 80 --type 0 --mode 0 --qedit 3 --numbers 72,8,1000,100
$CLI doc tohost "$work/cobol.txt" "$dir/stream" --fcode 0 --reclen 1 --type 9
$CLI doc tohost "$work/cobol.txt" "$dir/plain-records" --fcode 0 --reclen 30 --type 1
# Two user labels after the MPE header, one with CR LF and zero bytes.
header='MVER=1 FCODE=0 LW="" RECLEN=80 BFACT=1 TYPE=0 MODE=1 EOF=1 LIMIT=00000001 #L=2 M#L=2 CCTL=0 ACD=""'
{
  printf "\\x$(printf %02x $((${#header} >> 8)))\\x$(printf %02x $((${#header} & 255)))%s" "$header"
  printf '\x00\x04AB\r\n\x00\x03\x00\x01\x02'
  printf '\x00\x0512345'
} >"$dir/labels"
printf '000100 A\r\n000200 B\r\n000300 C\r\n' >"$dir/text-crlf"
printf 'one\ntwo\nthree' >"$dir/text-lf"
printf 'a\rb\r\r' >"$dir/text-cr"
