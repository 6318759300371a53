#!/usr/bin/env bash
# The figures of a start at 10^3 to 10^6 persons, measured from outside as a person meets them:
# `quillet-batch` started and ended with Esc, the window started under Xvfb until it is mapped, a
# save through quillet-batch, 1,500 births and 1,500 renames through quillet-batch (500 each at
# the first, the middle and the last fitting person of the file), beside `cat home.txt` and a
# plain read of the file into memory (`dd` with one block the file's size). For each: wall, user
# and system time, minor page faults and peak resident memory, the median of five runs.
#
# usage: bench/start_figures.sh [BUILD_DIR] [RUNS]   (default: build-bench if it exists, else
#        build; 5 runs; QUILLET_FIGURE_SIZES="1000 10000" for fewer sizes). Builds nothing. Needs /usr/bin/time, Xvfb, xdotool and python3.
# The edits' rows give the whole run; the per-edit figure beside them is the run less the median
# start, divided by 1,500.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-}
if [[ -z "$build" ]]; then
  if [[ -x "$here/build-bench/bin/quillet-batch" ]]; then build=$here/build-bench; else build=$here/build; fi
fi
build=$(cd "$build" && pwd)
runs=${2:-5}
bin=$build/bin
for tool in quillet quillet-batch quillet-genealogy-generator; do
  [[ -x "$bin/$tool" ]] || { echo "no $bin/$tool: build it first" >&2; exit 1; }
done
for tool in /usr/bin/time Xvfb xdotool python3; do
  command -v "$tool" > /dev/null || { echo "$tool is needed" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display for the window.
display=:$((90 + RANDOM % 100))
while [[ -e /tmp/.X11-unix/X${display#:} || -e /tmp/.X${display#:}-lock ]]; do
  display=:$((90 + RANDOM % 100))
done
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp > /dev/null 2>&1 &
xvfb_pid=$!
sleep 1

echo "Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors; build $build"
echo

# One run of a command under /usr/bin/time: prints "wall user system faults residentKB".
timed() {
  local input=$1
  shift
  /usr/bin/time -f '%e %U %S %R %M' -o "$work/time" "$@" < "$input" > /dev/null 2>&1 || true
  cat "$work/time"
}

# The window started in DIR until a window of its process is mapped; prints the same five
# fields as `timed`, the process's own figures read at that moment.
window_start() {
  local dir=$1 start end pid stat hwm
  start=$(date +%s%N)
  DISPLAY=$display QT_QPA_PLATFORM=xcb "$bin/quillet" "$dir" > /dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 3000); do
    if DISPLAY=$display xdotool search --onlyvisible --pid "$pid" > /dev/null 2>&1; then break; fi
    sleep 0.005
  done
  end=$(date +%s%N)
  stat=$(cut -d')' -f2 "/proc/$pid/stat")
  hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
  kill "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
  local ticks
  ticks=$(getconf CLK_TCK)
  # Fields after the name: state is 1, minflt 8, utime 12, stime 13.
  echo "$stat" | awk -v wall="$(((end - start) / 1000000))" -v hz="$ticks" -v hwm="$hwm" \
    '{printf "%.2f %.2f %.2f %d %d\n", wall / 1000, $12 / hz, $13 / hz, $8, hwm}'
}

# Waits until FILE was last changed more than two seconds ago, its data on disk.
settle() {
  sync
  while (($(date +%s) - $(stat -c %Y "$1") <= 2)); do sleep 0.5; done
}

# The median, field by field, of the lines on standard input.
median() {
  python3 -c '
import statistics, sys
rows = [list(map(float, line.split())) for line in sys.stdin if line.strip()]
cols = list(zip(*rows))
print(" ".join(f"{statistics.median(c):g}" for c in cols))'
}

row() {  # NAME, then the median line
  local name=$1 wall user sys faults kb
  read -r wall user sys faults kb <<< "$2"
  printf '| %s | %s s | %s s | %s s | %.0f | %.1f MB |\n' "$name" "$wall" "$user" "$sys" "$faults" \
    "$(echo "$kb / 1024" | bc -l)"
}

printf '| size, what | wall | user | system | minor page faults | peak resident |\n'
printf '|---|---|---|---|---|---|\n'
for size in ${QUILLET_FIGURE_SIZES:-1000 10000 100000 1000000}; do
  clan=$work/c$size
  mkdir -p "$clan"
  "$bin/quillet-genealogy-generator" "$size" > "$clan/home.txt"
  bytes=$(stat -c %s "$clan/home.txt")
  printf 'key esc\n' > "$work/esc"
  printf 'answer ok\nclick 1020\nkey esc\n' > "$work/save"
  # 500 births to each of three mothers (the first, middle and last wife of the file) and 500
  # renames of each of three men, with fresh names of 贾 and two rare characters.
  python3 - "$clan/home.txt" "$work/births" "$work/renames" << 'EOF'
import sys
data = open(sys.argv[1], 'rb').read()
records = [data[i + 1:i + 47] for i in range(len(data)) if data[i:i + 1] == b'!']
wives = [r[0:6] for r in records if len(r) >= 37 and r[21:22] == b'f' and r[29:30] == b'y'
         and r[7:8] == b'0']
men = [r[0:6] for r in records if len(r) >= 37 and r[21:22] == b'm' and r[7:8] != b'0']
def name(raw):
    return raw.decode('gbk').strip()
def spread(people):
    return [people[0], people[len(people) // 2], people[-1]]
fresh = iter(range(1, 10**6))
def fresh_name():
    k = next(fresh)
    chars = [(k // 3008) % 3008, k % 3008]
    text = bytes([0xBC, 0xD6]) + b''.join(bytes([0xD8 + c // 94, 0xA1 + c % 94]) for c in chars)
    return text.decode('gbk')
with open(sys.argv[2], 'w', encoding='utf-8') as out:
    for mother in spread(wives):
        for _ in range(500):
            out.write(f'type 1026 {fresh_name()}\ntype 1027 m\ntype 1028 17900101\n'
                      f'type 1029 {name(mother)}\nclick 1031\n')
    out.write('answer no\nkey esc\n')
with open(sys.argv[3], 'w', encoding='utf-8') as out:
    for man in spread(men):
        current = name(man)
        for _ in range(500):
            new = fresh_name()
            out.write(f'type 1002 {current}\ntype 1009 {new}\nclick 1010\n')
            current = new
    out.write('answer no\nkey esc\n')
EOF
  cd "$clan"
  echo 'x' > "$work/none"
  cat_line=$(for _ in $(seq "$runs"); do timed "$work/none" cat home.txt; done | median)
  read_line=$(for _ in $(seq "$runs"); do
    timed "$work/none" dd if=home.txt of=/dev/null bs="$bytes" count=1
  done | median)
  # The quillet-batch runs take turns (start, save, births, renames, then again), so that the
  # machine's slower and quicker spells fall on each of them alike and the edits' figures less
  # the start's compare like with like. A file changed less than two seconds before a start is
  # read twice by it (the start's second load cannot trust a time stamp that recent), so each
  # run waits until home.txt is older than that, as it is when a person starts the program.
  for kind in esc save births renames; do : > "$work/$kind.times"; done
  for _ in $(seq "$runs"); do
    for kind in esc save births renames; do
      settle home.txt
      timed "$work/$kind" "$bin/quillet-batch" >> "$work/$kind.times"
    done
  done
  batch_line=$(median < "$work/esc.times")
  save_line=$(median < "$work/save.times")
  births_line=$(median < "$work/births.times")
  renames_line=$(median < "$work/renames.times")
  settle home.txt
  window_line=$(for _ in $(seq "$runs"); do window_start "$clan"; done | median)
  cd "$here"
  row "$size: cat home.txt" "$cat_line"
  row "$size: read into memory (dd, one block)" "$read_line"
  row "$size: quillet-batch start, key esc" "$batch_line"
  row "$size: window start to mapped (Xvfb)" "$window_line"
  row "$size: quillet-batch start and a save" "$save_line"
  for pair in "1,500 births:$births_line" "1,500 renames:$renames_line"; do
    name=${pair%%:*}
    line=${pair#*:}
    per=$(python3 -c "
a, b = '$line'.split(), '$batch_line'.split()
print(f'{max(float(a[0]) - float(b[0]), 0) / 1500 * 1e3:.3f} ms wall, '
      f'{max(float(a[1]) + float(a[2]) - float(b[1]) - float(b[2]), 0) / 1500 * 1e3:.3f} ms processor')")
    row "$size: quillet-batch start and $name (each: $per)" "$line"
  done
done
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
