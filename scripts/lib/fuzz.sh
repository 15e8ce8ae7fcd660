# The libFuzzer harnesses of tests/fuzz, built with the "fuzz" preset. Sourced by scripts/test and
# scripts/fuzz.

FUZZ_HARNESSES=(control_decision transcript_cap event_text transcript_format)

# Builds the harnesses and runs each for the given seconds, starting from the seed corpus in
# tests/fuzz/corpus (left unchanged: new inputs go to build/fuzz/corpus). Prints the executions of
# each; fails on the first harness that finds a fault, leaving the input that shows it in
# build/fuzz/findings. libFuzzer draws its mutations from FUZZ_SEED when it is set (the suite's
# fixed runs), otherwise from a new seed; either way the failure names it.
#   run_fuzzers SECONDS [HARNESS...]
run_fuzzers() {
  local seconds=$1
  shift
  local harnesses=("$@")
  [ ${#harnesses[@]} -eq 0 ] && harnesses=("${FUZZ_HARNESSES[@]}")
  echo "=== fuzz (${seconds} s each) ==="
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j"$(nproc)"
  local harness log runs
  mkdir -p build/fuzz/findings
  for harness in "${harnesses[@]}"; do
    mkdir -p "build/fuzz/corpus/$harness"
    log="build/fuzz/findings/$harness.log"
    if ! "build/fuzz/tests/fuzz/${harness}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
        ${FUZZ_SEED:+-seed="$FUZZ_SEED"} -artifact_prefix="build/fuzz/findings/$harness-" \
        "build/fuzz/corpus/$harness" "tests/fuzz/corpus/$harness" >"$log" 2>&1; then
      tail -n 40 "$log"
      echo "fuzz: $harness found a fault ($(grep -m1 -o 'Seed: [0-9]*' "$log")); the input is in" \
        "build/fuzz/findings/" >&2
      return 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $harness: $runs executions in $seconds s, no fault"
  done
}
