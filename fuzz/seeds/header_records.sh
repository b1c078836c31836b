#!/usr/bin/env bash
# Seeds for the header-record fuzzer: header texts as the save path writes
# them, abbreviated and lower-case keys, quotes of both kinds, bad items.
set -euo pipefail
dir=$1
printf '%s' 'MVER=1 FCODE=1052 LW="" RECLEN=80 BFACT=1 TYPE=0 MODE=1 EOF=3 LIMIT=00000003 #L=0 M#L=0 CCTL=0 ACD=""' >"$dir/mpe"
printf '%s' 'MVER=1 FCODE=111 LW="SECRET1" RECLEN=512 BFACT=16 TYPE=0 MODE=0 EOF=1200 LIMIT=00005000 #L=2 M#L=4 CCTL=1 ACD="(R,W:ANY)"' >"$dir/mpe-acd"
printf '%s' "mver=1 fc=-5 lw='a\"b' re=65535 ty=9 li=99999999 acd='x \"y\" z'" >"$dir/mpe-short"
printf '%s' 'M FCODE=1 FCODE=2' >"$dir/mpe-twice"
printf '%s' 'QVER=1 LANG=3 RECLEN=80 EOF=4 LNL=8 LNJ=0' >"$dir/qedit"
printf '%s' 'qv=1 la=8 re=72 eof=99 lnl=6 lnj=1' >"$dir/qedit-short"
printf '%s' 'QVER=1 LANG= EO=3 RECLEN="80' >"$dir/qedit-bad"
