#!/usr/bin/env bash
# Seeds the image reader fuzzer with images from kvt-image and runs it for a
# bounded number of inputs. Usage: run_image_fuzzer.sh KVT_IMAGE FUZZER WORKDIR
set -euo pipefail
kvt_image=$1 fuzzer=$2 work=$3
rm -rf "$work"
mkdir -p "$work/seeds" "$work/corpus"
cd "$work"
head -c 300 /dev/zero | tr '\0' '\247' >app.bin
head -c 65 /dev/zero | tr '\0' '\074' >boot.bin
"$kvt_image" make seeds/example.ADS --id 700 product=KVT0402Q-ONE app=app.bin
"$kvt_image" make seeds/identity.ADS --id 3 manufacturer=Acme pid=0E21 vid=A5C3 product-id=29
"$kvt_image" make seeds/firmware.ADS --id -1 boot=boot.bin type=0x102:boot.bin
"$kvt_image" make seeds/short.ADS --id 9 vid=A
# Identity texts of the longest length their commands take.
"$kvt_image" make seeds/longest.ADS --id 5 product="$(printf '%076d' 0)" pid="$(printf '%080d' 0)" \
    product-id="$(printf '%073d' 0)"
# New inputs go to the scratch corpus; the seeds stay as made.
exec "$fuzzer" -runs=20000 -max_total_time=60 -max_len=4096 -artifact_prefix="$work/" \
    corpus seeds
