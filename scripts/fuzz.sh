#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) in build-fuzz and runs each one in turn for
# the given seconds (default 20), at the lowest scheduling priority, one target at a time.
#   scripts/fuzz.sh [seconds-per-target] [target...]
# Seeds: fuzz/corpus/ (committed; the image readers' in fuzz/corpus/bmp, tga and png, the colour
# table's in fuzz/corpus/colours, the game archive's in fuzz/corpus/archive, the replayed key
# events' in fuzz/corpus/keys, the font face's in fuzz/corpus/font, the language server's in
# fuzz/corpus/lsp), the golden
# scripts tests/scripts/**/*.gm when present, and their compiled libraries for the loader; short
# sounds written by tact_fuzz_make_sound_seeds. Each target keeps its growing corpus in
# build-fuzz/fuzz-work/; crash inputs land in build-fuzz/fuzz-work/crashes/. Exits non-zero when any
# target finds a crash, a leak or a sanitizer report. Prints the executions run per target.
# TACT_FUZZ_RUNS=N stops each target after N executions when that comes before the time limit.
set -euo pipefail

seconds=${1:-20}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TACT_FUZZ_BUILD:-$root/build-fuzz}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(tact_fuzz_compile tact_fuzz_check tact_fuzz_load_library tact_fuzz_library_round_trip
                                     tact_fuzz_load_bmp tact_fuzz_load_tga tact_fuzz_load_png tact_fuzz_load_colours
                                     tact_fuzz_key_script tact_fuzz_font_face tact_fuzz_sound_file tact_fuzz_load_save
                                     tact_fuzz_load_archive tact_fuzz_lsp_messages)

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTACT_FUZZ=ON -DTACT_BUILD_TESTS=OFF -DTACT_BUILD_BENCHMARKS=OFF >/dev/null
fi
# The script targets' seeds include compiled libraries made by a tool of the script library; the
# image, colour table, save file, key event and font readers' seeds are committed files only, so a run of those
# alone builds no seed tools.
script_seeds=0
for target in "${targets[@]}"; do
  case $target in tact_fuzz_load_bmp|tact_fuzz_load_tga|tact_fuzz_load_png|tact_fuzz_load_colours|tact_fuzz_load_save|tact_fuzz_load_archive|tact_fuzz_key_script|tact_fuzz_font_face|tact_fuzz_lsp_messages) ;;
    *) script_seeds=1 ;;
  esac
done
seed_tool=()
[ $script_seeds -eq 0 ] || seed_tool=(tact_fuzz_make_seeds tact_fuzz_make_sound_seeds)
nice -n 19 cmake --build "$build" -j2 --target "${targets[@]}" "${seed_tool[@]}"

work=$build/fuzz-work
mkdir -p "$work/crashes" "$work/seeds/source" "$work/seeds/library" "$work/seeds/sound"
if [ $script_seeds -eq 1 ]; then
  cp "$root"/fuzz/corpus/source/* "$work/seeds/source/"
  cp "$root"/fuzz/corpus/library/*.gmc "$work/seeds/library/" 2>/dev/null || true
  golden=()
  if [ -d "$root/tests/scripts" ]; then
    while IFS= read -r -d '' f; do golden+=("$f"); done < <(find "$root/tests/scripts" -name '*.gm' -print0)
  fi
  for f in "${golden[@]}"; do
    cp "$f" "$work/seeds/source/$(basename "$(dirname "$f")")_$(basename "$f")"
  done
  "$build/fuzz/tact_fuzz_make_seeds" "$work/seeds/library" "$work"/seeds/source/*.gm >/dev/null
  "$build/fuzz/tact_fuzz_make_sound_seeds" "$work/seeds/sound" >/dev/null
fi

status=0
for target in "${targets[@]}"; do
  case $target in
    tact_fuzz_load_library) seeds=$work/seeds/library; dict=() ;;
    tact_fuzz_load_bmp|tact_fuzz_load_tga|tact_fuzz_load_png|tact_fuzz_load_colours|tact_fuzz_load_save|tact_fuzz_load_archive)
      seeds=$root/fuzz/corpus/${target#tact_fuzz_load_}; dict=() ;;
    tact_fuzz_key_script) seeds=$root/fuzz/corpus/keys; dict=() ;;
    tact_fuzz_font_face) seeds=$root/fuzz/corpus/font; dict=() ;;
    tact_fuzz_lsp_messages) seeds=$root/fuzz/corpus/lsp; dict=() ;;
    tact_fuzz_sound_file) seeds=$work/seeds/sound; dict=() ;;
    *) seeds=$work/seeds/source; dict=(-dict="$root/fuzz/gm.dict") ;;
  esac
  limits=(-max_total_time="$seconds")
  [ -z "${TACT_FUZZ_RUNS:-}" ] || limits+=(-runs="$TACT_FUZZ_RUNS")
  # Sound seeds with their headers (an Ogg/Vorbis one most) need more room than scripts.
  max_len=4096
  [ "$target" != tact_fuzz_sound_file ] || max_len=16384
  # The codec libraries behind libsndfile leak on some damaged files; fuzz/sound-leaks.supp names them.
  lsan=${LSAN_OPTIONS:-}
  [ "$target" != tact_fuzz_sound_file ] || lsan="suppressions=$root/fuzz/sound-leaks.supp${lsan:+:$lsan}"
  corpus=$work/corpus-$target
  mkdir -p "$corpus"
  log=$work/$target.log
  echo "fuzz: $target for ${seconds}s"
  # -timeout: one input taking longer is a hang (generous: the targets run at the lowest priority,
  # so a busy machine can stall them for seconds); -malloc_limit_mb: the loader must not be driven
  # to allocate more than the file justifies. The process as a whole (sanitizer quarantine, a
  # corpus of thousands of inputs) may grow past that on long runs, hence the larger -rss_limit_mb.
  if ! LSAN_OPTIONS=$lsan nice -n 19 "$build/fuzz/$target" "${dict[@]}" "${limits[@]}" -timeout=30 -malloc_limit_mb=1024 -rss_limit_mb=3072 \
       -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$work/crashes/$target-" "$corpus" "$seeds" \
       >"$log" 2>&1; then
    status=1
    echo "fuzz: $target FAILED, see $log"
    grep -E "ERROR|SUMMARY|invariant" "$log" | head -5 || true
  fi
  runs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}' || true)
  echo "fuzz: $target executions ${runs:-unknown}"
done
exit $status
