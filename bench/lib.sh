# Shell functions of the benchmark scripts, sourced by scripts/bench-scale,
# bench-fetch, bench-feeds and bench-settings: the Release builds of this tree
# and of a baseline commit, the sample-sites server, and the 50 MB download of
# the HTTP client against curl. The sourcing script is at the top of the
# tree, sets `work` (a scratch folder) and ends the processes in the array
# `pids` on exit.
# shellcheck shell=bash disable=SC2154 # work is the sourcing script's

# quietly COMMAND...: runs the command, showing its output only if it fails.
quietly() {
  local out
  out=$("$@" 2>&1) || { printf '%s\n' "$out" | tail -n 40 >&2 && return 1; }
}

# build_tree TARGET...: this tree's Release build in build-bench.
build_tree() {
  quietly cmake --preset bench
  quietly cmake --build build-bench -j "$(nproc)" --target "$@"
}

# build_baseline REF TARGET...: the Release build of commit REF in
# build-bench/baseline, from a copy of its sources in build-bench/baseline-src
# that is exported again only when REF names another commit. The copy gets
# this tree's bench/list_views.cpp and its CMake lines, which older commits
# lack. Sets baseline_commit.
build_baseline() {
  local ref=$1 src=build-bench/baseline-src build=$PWD/build-bench/baseline
  shift
  baseline_commit=$(git rev-parse --verify "$ref^{commit}")
  if [ "$(cat "$src.commit" 2>/dev/null)" != "$baseline_commit" ]; then
    # Exported files carry the commit's date, which can be older than the
    # objects of the commit built before: that build goes too.
    rm -rf "$src" "$build" && mkdir -p "$src"
    git archive "$baseline_commit" | tar -x -C "$src"
    echo "$baseline_commit" >"$src.commit"
  fi
  cmp -s bench/list_views.cpp "$src/bench/list_views.cpp" || cp bench/list_views.cpp "$src/bench/"
  grep -q 'add_executable(list_views' "$src/bench/CMakeLists.txt" ||
    sed -n '/^# Figures of the long lists/,$p' bench/CMakeLists.txt >>"$src/bench/CMakeLists.txt"
  (cd "$src" && quietly cmake --preset bench -B "$build")
  quietly cmake --build "$build" -j "$(nproc)" --target "$@"
}

# serve_sites [--dir DIR]: starts this tree's sample-sites server on a free
# port of 127.0.0.1 and sets `port`.
serve_sites() {
  build-bench/quillet-sample-sites --port 0 "$@" >"$work/port" &
  pids+=($!)
  wait_for_port
}

# Waits for a server started just before to write its port to $work/port.
wait_for_port() {
  for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
  port=$(cat "$work/port")
  rm -f "$work/port"
}

# write_settings DIR PORT: a program folder whose fetch goes through the
# proxy at 127.0.0.1:PORT.
write_settings() {
  mkdir -p "$1"
  printf '[HTTP]\r\nProxy=127.0.0.1:%s\r\n' "$2" >"$1/quillet.ini"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# download_rounds ROUNDS CLIENT...: a 50 MB body served over loopback,
# downloaded by each http_download_bench CLIENT and by curl, one fresh process
# each, in an order that rotates from round to round and with a pause before
# each, so that all see the same load. Writes $work/download/clientI (per
# round: MB/s, CPU ms, curl's MB/s of the same round); the figure to compare
# is the median of the rounds' client/curl ratios, which cancels the drift of
# the machine's load (download_figures).
download_rounds() {
  local rounds=$1 dir=$work/download round step i
  shift
  local clients=("$@")
  rm -rf "$dir" && mkdir -p "$dir/pages"
  # The sample pages with a 50 MB body in place of the first site's front page.
  cp build-bench/sample-pages/*.html "$dir/pages"
  head -c 50000000 /dev/urandom >"$dir/pages/yomiuri.html"
  serve_sites --dir "$dir/pages"
  local url=http://www.yomiuri.co.jp/index.html
  for round in $(seq "$rounds"); do
    for step in $(seq 0 ${#clients[@]}); do
      i=$(((round + step) % (${#clients[@]} + 1)))
      sleep 0.3
      if [ "$i" -eq ${#clients[@]} ]; then
        curl -s -o /dev/null -x "127.0.0.1:$port" -w '%{speed_download}\n' "$url" |
          awk '{ print $1 / 1e6 }' >>"$dir/curl"
        continue
      fi
      QUILLET_BENCH_PROXY=127.0.0.1:$port QUILLET_BENCH_URL=$url "${clients[$i]}" \
        --benchmark_format=csv 2>/dev/null >"$dir/out"
      awk -F, '/^"BM_Download/ && $6 > 0 { print $6 / 1e6, $4; ok = 1 } END { exit !ok }' \
        "$dir/out" >>"$dir/client$i" || { cat "$dir/out" >&2 && return 1; }
    done
  done
  for i in "${!clients[@]}"; do
    paste -d' ' "$dir/client$i" "$dir/curl" >"$dir/rounds$i"
  done
}

# download_figures I: "MB/s CPU-ms curl-MB/s ratio" of client I, medians of
# the rounds.
download_figures() {
  local rounds=$work/download/rounds$1
  echo "$(cut -d' ' -f1 "$rounds" | median) $(cut -d' ' -f2 "$rounds" | median)" \
    "$(cut -d' ' -f3 "$rounds" | median) $(awk '{ print $1 / $3 }' "$rounds" | median)"
}
