#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated device and opens the window
# with the simulated device on COM16. With --no-sim the window opens without it.
set -euo pipefail
cd "$(dirname "$0")/.."

with_sim=1
[ "${1:-}" = "--no-sim" ] && with_sim=0

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target ks936-config ks936-sim

if [ "$with_sim" -eq 1 ]; then
    mkdir -p build/sim
    link="$PWD/build/sim/ks936-sim.tty"
    build/ks936-sim --link "$link" --settings build/sim/settings.txt \
        --image-out build/sim/firmware.bin --log build/sim/traffic.log \
        --register build/PortSet.ini:COM16 >/dev/null &
    sim=$!
    trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
    for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
    echo "Simulated device on COM16 ($link); traffic log: build/sim/traffic.log"
fi
build/ks936-config
