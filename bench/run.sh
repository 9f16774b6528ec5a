#!/usr/bin/env bash
# Tarvelo against its baselines, each measured side by side in the same run
# and interleaved round by round, in CPU time wherever the machine is noisy.
# Prints one table: per line the median of the per-round ratios, their spread
# (25th-75th percentile) and the target.
#
#   bench/run.sh [--rounds N] [--idle-seconds S] [--settle-seconds S] [--micro]
#
#   --rounds N          rounds of every measurement (default 15)
#   --idle-seconds S    length of one idle round (default 60)
#   --settle-seconds S  wait after start before an idle round (default 5)
#   --first-seconds S   length of the first-minute hidden round (default 60)
#   --micro             also run the micro-benchmarks of single ticks
#   --window-only       only the window's rows: start-up, idle and memory
#
# Needs a build (scripts/build.sh; Release for figures worth quoting; set
# TARVELO_BUILD_DIR to use another build directory). Starts its own private
# display with a window manager and a tray host.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
bin=$build/bin
rounds=15
idle_seconds=60
settle_seconds=5
first_seconds=60
micro=0
window_only=0
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --idle-seconds) idle_seconds=$2; shift 2 ;;
    --settle-seconds) settle_seconds=$2; shift 2 ;;
    --first-seconds) first_seconds=$2; shift 2 ;;
    --micro) micro=1; shift ;;
    --window-only) window_only=1; shift ;;
    *) echo "usage: $0 [--rounds N] [--idle-seconds S] [--settle-seconds S] [--first-seconds S] [--micro] [--window-only]" >&2; exit 2 ;;
  esac
done
tools=(tarvelo bare_window meminfo_loop map_timer)
[ "$window_only" = 1 ] || tools+=(process_list_bench memory_release_bench)
for tool in "${tools[@]}"; do
  [ -x "$bin/$tool" ] || { echo "run.sh: $bin/$tool is missing: build first" >&2; exit 1; }
done

scratch=$(mktemp -d)
chmod 700 "$scratch"
session=$scratch/session
cleanup() {
  "$root/scripts/xsession.sh" stop "$session" >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT
"$root/scripts/xsession.sh" start "$session" >/dev/null
export DISPLAY
DISPLAY=$(cat "$session/display")
export XDG_RUNTIME_DIR=$scratch
# Start-up brings the autostart entry in line with Config.ini: keep it off the machine's.
export XDG_CONFIG_HOME=$scratch/config XDG_CONFIG_DIRS=$scratch/xdg
mkdir -p "$scratch/shown" "$scratch/hidden"
printf '[Setting]\r\nAutomin=0\r\n' > "$scratch/shown/Config.ini"
printf '[Setting]\r\nAutomin=1\r\n' > "$scratch/hidden/Config.ini"

# stats: numbers on stdin -> "median p25 p75" (linear interpolation)
stats() {
  sort -g | awk '
    { v[++n] = $1 }
    function q(p,   h, lo) { h = (n - 1) * p + 1; lo = int(h); return lo >= n ? v[n] : v[lo] + (h - lo) * (v[lo + 1] - v[lo]) }
    END { if (n == 0) print "nan nan nan"; else printf "%.6g %.6g %.6g\n", q(0.5), q(0.25), q(0.75) }'
}
median() { stats | cut -d' ' -f1; }

table=$scratch/table
row() {  # row WHAT TARVELO BASELINE RATIOS_FILE TARGET
  read -r m lo hi < <(stats < "$4")
  printf '%-44s %12s %12s %7.2f x [%.2f-%.2f] %22s\n' "$1" "$2" "$3" "$m" "$lo" "$hi" "$5" >> "$table"
}
# An idle baseline can be all but zero, which makes a ratio meaningless: these
# lines give Tarvelo's excess over the baseline, per round.
excess_row() {  # excess_row WHAT TARVELO BASELINE EXCESS_FILE UNIT TARGET
  read -r m lo hi < <(stats < "$4")
  printf '%-44s %12s %12s %+7.3f%s [%+.3f..%+.3f] %17s\n' "$1" "$2" "$3" "$m" "$5" "$lo" "$hi" "$6" >> "$table"
}

# ---- Idle: Tarvelo and the bare tray window run side by side, one round at a time.
cpu_ns() { awk '{ s += $1 } END { print s + 0 }' /proc/"$1"/task/*/schedstat 2>/dev/null; }
wakeups() { awk '/^voluntary_ctxt_switches/ { s += $2 } END { print s + 0 }' /proc/"$1"/task/*/status 2>/dev/null; }
memory_kb() { awk -v k="$2:" '$1 == k { print $2 }' /proc/"$1"/smaps_rollup; }

# The steady rounds ("shown", "hidden") start measuring after the settle time
# and run for the idle time. The "first" round is the first minute of a start
# hidden in the tray: from the first second after start, when start-up is
# over, to the end of the first minute, so that whatever runs only once
# early on counts.
idle_rounds() {  # idle_rounds shown|hidden|first
  local state=$1 out=$scratch/idle-$1 bare_args=() config=$1 settle=$settle_seconds seconds=$idle_seconds
  [ "$state" = shown ] || bare_args=(--hidden)
  if [ "$state" = first ]; then config=hidden; settle=1; seconds=$((first_seconds - 1)); fi
  : > "$out"
  for round in $(seq "$rounds"); do
    TARVELO_CONFIG_DIR=$scratch/$config "$bin/tarvelo" >/dev/null 2>&1 &
    local t=$!
    "$bin/bare_window" "${bare_args[@]}" >/dev/null 2>&1 &
    local b=$!
    # While the window shows, its memory figures are read every 20 ms: the
    # bare loop that does only that runs beside it as the floor.
    local f=""
    if [ "$state" = shown ]; then "$bin/meminfo_loop" & f=$!; fi
    sleep "$settle"
    local tc0 bc0 tw0 bw0 fc0=0 tc1 bc1 tw1 bw1 fc1=0
    tc0=$(cpu_ns $t); bc0=$(cpu_ns $b); tw0=$(wakeups $t); bw0=$(wakeups $b)
    [ -z "$f" ] || fc0=$(cpu_ns $f)
    sleep "$seconds"
    tc1=$(cpu_ns $t); bc1=$(cpu_ns $b); tw1=$(wakeups $t); bw1=$(wakeups $b)
    [ -z "$f" ] || fc1=$(cpu_ns $f)
    echo "$((tc1 - tc0)) $((bc1 - bc0)) $((tw1 - tw0)) $((bw1 - bw0))" \
      "$(memory_kb $t Rss) $(memory_kb $b Rss) $(memory_kb $t Pss) $(memory_kb $b Pss) $((fc1 - fc0))" >> "$out"
    kill -TERM $t $b $f
    wait $t $b $f 2>/dev/null || true
    echo "  idle $state round $round/$rounds" >&2
  done
}

idle_rows() {  # idle_rows shown|hidden|first CPU_TARGET WAKEUP_TARGET
  local state=$1 f=$scratch/idle-$1 idle_seconds=$idle_seconds label="window $1"
  if [ "$state" = first ]; then idle_seconds=$((first_seconds - 1)); label="hidden, first ${first_seconds} s"; fi
  awk -v s="$idle_seconds" '{ print 100 * ($1 - $2) / (s * 1e9) }' "$f" > "$f.cpu"
  awk -v s="$idle_seconds" '{ print ($3 - $4) / s }' "$f" > "$f.wake"
  local tp bp tw bw
  tp=$(awk -v s="$idle_seconds" '{ print 100 * $1 / (s * 1e9) }' "$f" | median)
  bp=$(awk -v s="$idle_seconds" '{ print 100 * $2 / (s * 1e9) }' "$f" | median)
  tw=$(awk -v s="$idle_seconds" '{ print $3 / s }' "$f" | median)
  bw=$(awk -v s="$idle_seconds" '{ print $4 / s }' "$f" | median)
  excess_row "idle CPU, $label (% of a core)" "$(printf %.3f%% "$tp")" "$(printf %.3f%% "$bp")" "$f.cpu" " %" "$2"
  excess_row "wake-ups/s, $label" "$(printf %.1f "$tw")" "$(printf %.1f "$bw")" "$f.wake" "/s" "$3"
}

floor_row() {
  local f=$scratch/idle-shown
  awk -v s="$idle_seconds" '{ print 100 * ($1 - $2 - $9) / (s * 1e9) }' "$f" > "$f.floor"
  excess_row "idle CPU, shown, above bare window + floor" \
    "$(awk -v s="$idle_seconds" '{ print 100 * $1 / (s * 1e9) }' "$f" | median | xargs printf %.3f%%)" \
    "$(awk -v s="$idle_seconds" '{ print 100 * ($2 + $9) / (s * 1e9) }' "$f" | median | xargs printf %.3f%%)" \
    "$f.floor" " %" "<= 0.10 %"
  excess_row "  the floor alone: 20 ms meminfo loop" \
    "$(awk -v s="$idle_seconds" '{ print 100 * $9 / (s * 1e9) }' "$f" | median | xargs printf %.3f%%)" "-" \
    <(awk -v s="$idle_seconds" '{ print 100 * $9 / (s * 1e9) }' "$f") " %" "-"
}

memory_rows() {
  local f=$scratch/idle-shown
  awk '{ print $5 / $6 }' "$f" > "$f.rss"
  awk '{ print $7 / $8 }' "$f" > "$f.pss"
  row "RSS after ${idle_seconds} s, window shown" "$(awk '{ print $5 / 1024 }' "$f" | median | xargs printf '%.1f MB')" \
    "$(awk '{ print $6 / 1024 }' "$f" | median | xargs printf '%.1f MB')" "$f.rss" "<= 1.2 x"
  row "PSS after ${idle_seconds} s, window shown" "$(awk '{ print $7 / 1024 }' "$f" | median | xargs printf '%.1f MB')" \
    "$(awk '{ print $8 / 1024 }' "$f" | median | xargs printf '%.1f MB')" "$f.pss" "-"
}

# ---- Start to mapped window, as the X server sees it, alternating.
startup_rounds() {
  local out=$scratch/startup
  : > "$out"
  # Warm the caches of both once.
  TARVELO_CONFIG_DIR=$scratch/shown "$bin/map_timer" 700 "$bin/tarvelo" >/dev/null
  "$bin/map_timer" 700 "$bin/bare_window" >/dev/null
  for round in $(seq "$rounds"); do
    local a b
    if [ $((round % 2)) -eq 0 ]; then
      a=$(TARVELO_CONFIG_DIR=$scratch/shown "$bin/map_timer" 700 "$bin/tarvelo")
      b=$("$bin/map_timer" 700 "$bin/bare_window")
    else
      b=$("$bin/map_timer" 700 "$bin/bare_window")
      a=$(TARVELO_CONFIG_DIR=$scratch/shown "$bin/map_timer" 700 "$bin/tarvelo")
    fi
    echo "$a $b" >> "$out"
  done
  awk '{ print $1 / $2 }' "$out" > "$out.ratio"
  row "start to mapped window (wall time)" "$(awk '{ print $1 / 1e6 }' "$out" | median | xargs printf '%.0f ms')" \
    "$(awk '{ print $2 / 1e6 }' "$out" | median | xargs printf '%.0f ms')" "$out.ratio" "<= 1.4 x"
}

# ---- One process-list refresh (view fill included) against one ps, alternating.
list_rows() {
  for extra in 0 500 2000; do
    local out=$scratch/list-$extra
    QT_QPA_PLATFORM=offscreen "$bin/process_list_bench" "$rounds" "$extra" > "$out"
    grep -v '^cold' "$out" | awk '{ print $1 / $2 }' > "$out.ratio"
    local rows
    rows=$(grep -v '^cold' "$out" | tail -1 | cut -d' ' -f3)
    local target="-"
    [ "$extra" = 0 ] && target="<= 0.4 x"
    row "process list refresh, $rows rows (+$extra)" \
      "$(grep -v '^cold' "$out" | awk '{ print $1 / 1e6 }' | median | xargs printf '%.2f ms')" \
      "$(grep -v '^cold' "$out" | awk '{ print $2 / 1e6 }' | median | xargs printf '%.2f ms')" "$out.ratio" "$target"
  done
  echo "(first refresh, icon registry read: $(awk '/^cold/ { printf "%.1f ms", $2 / 1e6 }' "$scratch/list-0") CPU)" \
    > "$scratch/list-note"
}

# ---- One memory release pass against a plain C loop over the same processes.
release_rows() {
  local out=$scratch/release
  QT_QPA_PLATFORM=offscreen "$bin/memory_release_bench" "$rounds" 50 4 > "$out"
  awk '{ print $1 / $2 }' "$out" > "$out.ratio"
  row "memory release pass, $(head -1 "$out" | cut -d' ' -f3) processes" \
    "$(awk '{ print $1 / 1e6 }' "$out" | median | xargs printf '%.2f ms')" \
    "$(awk '{ print $2 / 1e6 }' "$out" | median | xargs printf '%.2f ms')" "$out.ratio" "-"
}

{
  printf '%-44s %12s %12s %26s %16s\n' "What ($rounds rounds, CPU time unless said)" Tarvelo baseline \
    "ratio (or excess) median [IQR]" target
} > "$table"
if [ "$window_only" = 0 ]; then
  echo "process list..." >&2; list_rows
  echo "memory release..." >&2; release_rows
fi
echo "start-up..." >&2; startup_rounds
echo "idle, window shown..." >&2; idle_rounds shown
echo "idle, window hidden..." >&2; idle_rounds hidden
echo "idle, first minute hidden..." >&2; idle_rounds first
idle_rows shown "-" "-"
floor_row
idle_rows hidden "<= 0.06 %" "<= 10 /s"
idle_rows first "<= 0.06 %" "-"
memory_rows

echo
echo "Baselines: the bare tray window (a QWidget of the same size that draws one line of text, with a"
echo "QSystemTrayIcon, no timers),"
echo "'ps -e -o pid,comm', and a plain C loop of pidfd_open + maps + process_madvise over the same processes."
echo "The floor: a bare program that only reads /proc/meminfo every 20 ms, as the shown memory figures need."
echo "Idle over ${idle_seconds} s per round after ${settle_seconds} s of start-up; both programs side by side."
echo "The first minute hidden: from 1 s to ${first_seconds} s after a start hidden in the tray, side by side."
echo "Tarvelo and baseline columns are medians; idle targets are Tarvelo's own figure, the rest ratios."
cat "$table"
[ "$window_only" = 1 ] || cat "$scratch/list-note"
[ "$window_only" = 0 ] || exit 0

if [ "$micro" = 1 ]; then
  echo
  echo "== Micro-benchmarks (Google Benchmark, medians)"
  for b in memory_tick_bench monitor_sample_bench button_bench; do
    [ -x "$bin/$b" ] || continue
    QT_QPA_PLATFORM=offscreen "$bin/$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null \
      | grep -E "_median" || true
  done
fi

echo
echo "== Applying and lifting one CPU limit; one CPU-page Refresh with three limits against none"
"$bin/cpu_limit_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$scratch/cpulimit.csv" --benchmark_out_format=csv 2>/dev/null | grep -E "_median|^Benchmark" || true
awk -F, '
  /_median/ { gsub(/"/, "", $1); sub(/_median/, "", $1); t[$1] = $4 }
  END {
    base = t["Refresh/no_limits"]
    if (base > 0 && t["Refresh/three_limits"] > 0)
      printf "  Refresh with three limits %5.2f x the Refresh without\n", t["Refresh/three_limits"] / base
  }' "$scratch/cpulimit.csv"

echo
echo "== One booster tick and one boost (nice path, unit weights) against one bare X11 round trip"
# In a session of its own: each boost sets the priority of the benchmark's own
# process and its autogroup, which must not reach this shell's.
setsid -w "$bin/booster_tick_bench" --benchmark_repetitions=9 --benchmark_min_time=0.3 \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
  --benchmark_out="$scratch/booster.csv" --benchmark_out_format=csv 2>/dev/null | grep -E "_median|^Benchmark" || true
awk -F, '
  /_median/ { gsub(/"/, "", $1); sub(/_median/, "", $1); t[$1] = $4; order[++n] = $1 }
  END {
    base = t["BareX11RoundTrip"]
    if (base > 0) for (i = 1; i <= n; ++i) if (order[i] != "BareX11RoundTrip" && order[i] !~ /^FasterFigure/)
      printf "  %-40s %5.2f x the bare round trip\n", order[i], t[order[i]] / base
    if (t["FasterFigureSample"] > 0)
      printf "  \"Whole system faster:\" measurement: %.1f us of CPU per second at most (two samples per boost, one boost per 900 ms tick)\n",
        (2 * t["FasterFigureSample"] + t["FasterFigureWaitingPoll"]) / 0.9 / 1000
  }' "$scratch/booster.csv"
