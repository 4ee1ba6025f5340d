#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang under ASan and UBSan (in build-fuzz),
# replays every input that once broke a target, then fuzzes each target in turn.
#
#   scripts/fuzz.sh                      every target for 20 seconds
#   scripts/fuzz.sh -t 3600 receive      one target for an hour
#   scripts/fuzz.sh -n 10000000          every target for ten million inputs
#
# New corpus entries and any crashing input land in build-fuzz/runs/TARGET/, never in
# the repository; a crash prints the broken invariant and the input's path.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(receive setupfile inifile firmwareimage devicemodel)
seconds=20
runs=""
usage() {
    echo "usage: $0 [-t SECONDS | -n RUNS] [TARGET...]   targets: ${all_targets[*]}" >&2
    exit 2
}
while getopts "t:n:h" option; do
    case $option in
    t) seconds=$OPTARG ;;
    n) runs=$OPTARG ;;
    *) usage ;;
    esac
done
shift $((OPTIND - 1))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
for target in "${targets[@]}"; do
    [ -d "fuzz/$target" ] || usage
done

scripts/install-deps.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
    -DKS936_FUZZ=ON -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz --target ks936-fuzzers -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
# A smaller quarantine than the default 256 MiB: the targets free everything at the end
# of each input, and the runs stay faster and within a few hundred MiB.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}
if [ -n "$runs" ]; then
    limit=(-runs="$runs")
else
    limit=(-max_total_time="$seconds")
fi

# What broke: the invariant's own message, or else the sanitizer's verdict.
what_broke() {
    if grep -q 'INVARIANT BROKEN' "$1"; then
        grep -A2 'INVARIANT BROKEN' "$1" | head -3 || true
    else
        grep -E '^==[0-9]+==ERROR|^SUMMARY|deadly signal|timeout|out-of-memory' "$1" | head -3 || true
    fi
}

passed=0
failed=0
printf '%-14s %-8s %12s %10s  %s\n' target result inputs "inputs/s" "corpus"
report=()
for target in "${targets[@]}"; do
    binary=build-fuzz/fuzz/fuzz_$target
    work=build-fuzz/runs/$target
    mkdir -p "$work/corpus" "$work/artifacts"
    log=$work/fuzz.log
    options=(-timeout=10 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$work/artifacts/")
    for dict in fuzz/"$target"/*.dict; do
        [ -e "$dict" ] && options+=(-dict="$dict")
    done

    # Inputs that once broke the target must keep passing.
    regressions=()
    if [ -d "fuzz/$target/regressions" ]; then
        mapfile -t regressions < <(find "fuzz/$target/regressions" -type f | sort)
    fi
    if [ ${#regressions[@]} -gt 0 ] && ! "$binary" "${regressions[@]}" >"$work/regressions.log" 2>&1; then
        failed=$((failed + 1))
        printf '%-14s %-8s\n' "$target" "FAILED"
        report+=("$target: a saved regression input breaks it:"
            "$(grep '^Running: ' "$work/regressions.log" | tail -1)"
            "$(what_broke "$work/regressions.log")")
        continue
    fi

    if "$binary" "${options[@]}" "${limit[@]}" "$work/corpus" "fuzz/$target/corpus" >"$log" 2>&1; then
        result=passed
        passed=$((passed + 1))
    else
        result=FAILED
        failed=$((failed + 1))
        report+=("$target: $(what_broke "$log")"
            "    input: $(grep -o "Test unit written to .*" "$log" | sed 's/Test unit written to //')")
    fi
    inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    size=$(find "$work/corpus" -type f | wc -l)
    printf '%-14s %-8s %12s %10s  %s\n' "$target" "$result" "${inputs:-?}" "${speed:-?}" "$size"
done

for line in "${report[@]}"; do
    echo "$line"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
