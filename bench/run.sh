#!/usr/bin/env bash
# Prints Tarvelo's benchmarks, each next to its baseline measured side by side
# in this run. Needs a build (scripts/build.sh); starts its own private display.
#   bench/run.sh [IDLE_SECONDS]   (default 60)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
idle_seconds=${1:-60}
bin=$build/bin

scratch=$(mktemp -d)
chmod 700 "$scratch"
trap 'rm -rf "$scratch"' EXIT

echo "== One memory-figures tick against a bare read and parse of /proc/meminfo"
"$bin/memory_tick_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$scratch/tick.csv" --benchmark_out_format=csv 2>/dev/null | grep -E "_median|^Benchmark" || true
awk -F, '
  /_median/ { gsub(/"/, "", $1); sub(/_median/, "", $1); t[$1] = $4; order[++n] = $1 }
  END {
    base = t["BareMeminfoReadAndParse"]
    if (base > 0) for (i = 1; i <= n; ++i) if (order[i] != "BareMeminfoReadAndParse")
      printf "  %-40s %5.2f x the bare read\n", order[i], t[order[i]] / base
  }' "$scratch/tick.csv"

echo
echo "== One resource-diagram second (TakeSample + RedrawDiagram, 417 x 57) against reading the three /proc files"
"$bin/monitor_sample_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$scratch/monitor.csv" --benchmark_out_format=csv 2>/dev/null | grep -E "_median|^Benchmark" || true
awk -F, '
  /_median/ { gsub(/"/, "", $1); sub(/_median/, "", $1); t[$1] = $4; order[++n] = $1 }
  END {
    base = t["BareProcFilesRead"]
    if (base > 0) for (i = 1; i <= n; ++i) if (order[i] != "BareProcFilesRead")
      printf "  %-40s %5.2f x the bare reads\n", order[i], t[order[i]] / base
  }' "$scratch/monitor.csv"

echo
echo "== One Command button repaint (DrawButton) per style, against a plain fill of the same surface (CPU time)"
QT_QPA_PLATFORM=offscreen "$bin/button_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$scratch/button.csv" --benchmark_out_format=csv >/dev/null 2>&1
awk -F, '
  /_median/ {
    gsub(/"/, "", $1); sub(/_median/, "", $1)
    n = split($1, part, "/"); size = part[n]
    if (part[1] == "PlainFill") { fill[size] = $4; next }
    t[$1] = $4; sz[$1] = size; order[++count] = $1
  }
  END {
    for (i = 1; i <= count; ++i) {
      name = order[i]; base = fill[sz[name]]
      if (base > 0) printf "  %-46s %9.0f ns  %6.2f x the fill (%.0f ns)\n", name, t[name], t[name] / base, base
    }
  }' "$scratch/button.csv"

echo
echo "== One fill of the process list (icons included) against ps -e -o pid,comm, wall time"
"$bin/process_list_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$scratch/list.csv" --benchmark_out_format=csv 2>/dev/null | grep -E "_median|^Benchmark" || true
ps_runs=20
t0=$(date +%s%N)
for _ in $(seq $ps_runs); do ps -e -o pid,comm >/dev/null; done
t1=$(date +%s%N)
ps_ms=$(awk -v d=$((t1 - t0)) -v n=$ps_runs 'BEGIN { printf "%.3f", d / n / 1e6 }')
echo "  ps -e -o pid,comm: ${ps_ms} ms over $(ps -e --no-headers | wc -l) processes"
awk -F, -v ps="$ps_ms" '
  /_median/ { gsub(/"/, "", $1); sub(/_median/, "", $1); printf "  %-28s %6.2f x ps\n", $1, $3 / ps }' "$scratch/list.csv"

echo
echo "== One memory release over every process against opening and closing a pidfd per process"
"$bin/memory_release_bench" --benchmark_out="$scratch/release.csv" --benchmark_out_format=csv 2>/dev/null \
  | grep -E "^(Pidfd|Full|Timer|Benchmark)" || true
awk -F, '
  NR > 1 { gsub(/"/, "", $1); t[$1] = $4 }
  END {
    base = t["PidfdOpenClosePerProcess/iterations:5"]
    full = t["FullRelease/iterations:5"]
    if (base > 0) printf "  full release %5.2f x the pidfd floor\n", full / base
  }' "$scratch/release.csv"

session=$build/bench-session
"$root/scripts/xsession.sh" start "$session" >/dev/null
trap '"$root/scripts/xsession.sh" stop "$session"' EXIT
trap '"$root/scripts/xsession.sh" stop "$session"; rm -rf "$scratch"' EXIT
export DISPLAY=$(cat "$session/display")
export TARVELO_CONFIG_DIR=$scratch XDG_RUNTIME_DIR=$scratch
# Start-up brings the autostart entry in line with Config.ini: keep it off the machine's.
export XDG_CONFIG_HOME=$scratch/config XDG_CONFIG_DIRS=$scratch/xdg

now_ns() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo
echo "== Start-up to the first shown window against a bare Qt window (11 runs each, alternating)"
"$bin/tarvelo" --quit-when-shown >/dev/null 2>&1; "$bin/bare_window" >/dev/null 2>&1  # warm the caches
: > "$scratch/tarvelo.ms"; : > "$scratch/bare.ms"
for _ in $(seq 11); do
  t0=$(now_ns); "$bin/tarvelo" --quit-when-shown >/dev/null 2>&1; t1=$(now_ns)
  echo $(( (t1 - t0) / 1000000 )) >> "$scratch/tarvelo.ms"
  t0=$(now_ns); "$bin/bare_window" >/dev/null 2>&1; t1=$(now_ns)
  echo $(( (t1 - t0) / 1000000 )) >> "$scratch/bare.ms"
done
tarvelo_ms=$(median < "$scratch/tarvelo.ms")
bare_ms=$(median < "$scratch/bare.ms")
echo "  Tarvelo     median ${tarvelo_ms} ms"
echo "  bare window median ${bare_ms} ms"
awk -v a="$tarvelo_ms" -v b="$bare_ms" 'BEGIN { printf "  ratio %.2f\n", a / b }'

echo
echo "== CPU time while idle over ${idle_seconds} s, against a bare Qt window with the same seven empty timers"
"$bin/tarvelo" >/dev/null 2>&1 &
tarvelo=$!
"$bin/bare_window" --idle >/dev/null 2>&1 &
bare=$!
sleep 5  # past start-up
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
a0=$(ticks $tarvelo); b0=$(ticks $bare)
sleep "$idle_seconds"
a1=$(ticks $tarvelo); b1=$(ticks $bare)
kill -TERM $tarvelo $bare; wait $tarvelo $bare || true
hz=$(getconf CLK_TCK)
report() {
  awk -v name="$1" -v d="$2" -v hz="$hz" -v s="$idle_seconds" \
    'BEGIN { printf "  %-12s %.2f s of CPU: %.2f %% of one core\n", name, d / hz, 100 * d / hz / s }'
}
report Tarvelo $((a1 - a0))
report "bare window" $((b1 - b0))
awk -v a=$((a1 - a0)) -v b=$((b1 - b0)) 'BEGIN { if (b > 0) printf "  ratio %.2f\n", a / b }'

echo
echo "== One booster tick against one bare X11 round trip (GetInputFocus), interleaved"
# In a session of its own: each boost sets the priority of the benchmark's own
# process and its autogroup, which must not reach this shell's.
setsid -w "$bin/booster_tick_bench" --benchmark_repetitions=9 --benchmark_min_time=0.3 \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
  --benchmark_out="$scratch/booster.csv" --benchmark_out_format=csv 2>/dev/null | grep -E "_median|^Benchmark" || true
awk -F, '
  /_median/ { gsub(/"/, "", $1); sub(/_median/, "", $1); t[$1] = $4; order[++n] = $1 }
  END {
    base = t["BareX11RoundTrip"]
    if (base > 0) for (i = 1; i <= n; ++i) if (order[i] != "BareX11RoundTrip")
      printf "  %-40s %5.2f x the bare round trip\n", order[i], t[order[i]] / base
  }' "$scratch/booster.csv"
awk -F, '
  /_median/ { gsub(/"/, "", $1); sub(/_median/, "", $1); t[$1] = $4 }
  END {
    if (t["FasterFigureSample"] > 0)
      printf "  \"Whole system faster:\" measurement: %.1f us of CPU per second at most (two samples per boost, one boost per 900 ms tick)\n",
        (2 * t["FasterFigureSample"] + t["FasterFigureWaitingPoll"]) / 0.9 / 1000
  }' "$scratch/booster.csv"
