#!/usr/bin/env bash
# Seeds for the store-file fuzzer: small valid files made by the product's own
# writer, with sections, every storage type, a retired value.
set -euo pipefail
dir=$1
$CLI store set "$dir/one.vdp" Project Name --text "demo"
$CLI store set "$dir/many.vdp" Project Name --text "abc"
$CLI store set "$dir/many.vdp" Project Port --number 11000
$CLI store set "$dir/many.vdp" project Colour --hex "ff8040"
$CLI store set "$dir/many.vdp" Item1 Name --text "/ACCT/GRP/FILE"
$CLI store set "$dir/many.vdp" Project Name --text "a longer name than before"
