#!/usr/bin/env bash
# The real window under Xvfb, driven from outside as a person drives it: every push button of the
# main window is clicked with the mouse at its centre on the screen (xdotool). Each click must
# reach its button ("clicked ID" in the window's probe file) and have its effect: a new text in
# the pane, or the expected message box, itself answered with the mouse. Then each menu of the
# menu bar is opened and one of its entries chosen with the mouse; a birth typed into its panel
# is taken back with Ctrl+Z (its tree item removed); a relation query marks its kinship path,
# drawn on the mark colour, and with 视图 > 精确称谓 adds the exact terms; the find field finds a
# name by its pinyin initials; 打开家谱 opens a second genealogy through the folder chooser, and
# 最近打开 the first again. No window manager. First, a display that no X server answers ends the
# window program with status 1 and a message, not with Qt's abort.
# Usage: real_window_test.sh QUILLET DATA_DIR. Xvfb takes QUILLET_TEST_DISPLAY (":92", say) when
# set, else the first free display.
set -euo pipefail
quillet=$1
# Under the sanitizers: leaks of the system's libraries that Qt's X11 platform loads are not ours.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
work=$(mktemp -d)
trap 'kill ${window:-} ${server:-} 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$2"/*.txt "$work"/
cd "$work"

Xvfb ${QUILLET_TEST_DISPLAY:-} -screen 0 1366x768x24 -nolisten tcp -displayfd 3 3>display &
server=$!
for _ in $(seq 200); do [ -s display ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 display)
# The genealogies opened last are kept in the settings under here, not the user's.
export XDG_CONFIG_HOME=$work/config

# A display no X server answers: a display number above every one in use.
unused=$(($(head -n1 display) + 1))
while [ -e "/tmp/.X11-unix/X$unused" ]; do unused=$((unused + 1)); done
status=0
DISPLAY=:$unused QT_QPA_PLATFORM=xcb "$quillet" 2>unreachable || status=$?
[ "$status" = 1 ] && grep -q "':$unused' that DISPLAY names" unreachable &&
  grep -q quillet-batch unreachable ||
  { echo "FAIL: unreachable display: status $status, $(cat unreachable)" >&2; exit 1; }

# A second genealogy, of the 林 clan, for 打开家谱.
mkdir second
printf '!林如海00     17000101m0     0n0     y0        \r\n!林黛玉1林如海17200101f0     0n0     y0        \r\n' |
  iconv -f UTF-8 -t GBK >second/home.txt

QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 QUILLET_WINDOW_PROBE=probe "$quillet" &
window=$!

seen=0 # probe lines read so far
# Sets $found to the next probe line matching the extended regex $1, waiting up to $2 tenths of a
# second (100); fails when none comes.
await() {
  for _ in $(seq "${2:-100}"); do
    local hit
    hit=$(tail -n +$((seen + 1)) probe 2>/dev/null | grep -n -m1 -E "$1" || true)
    if [ -n "$hit" ]; then
      seen=$((seen + ${hit%%:*}))
      found=${hit#*:}
      return 0
    fi
    sleep 0.1
  done
  echo "FAIL: no /$1/ in the probe" >&2
  return 1
}

# Waits (10 s at most) for a window whose title holds $1: the title reaches the X server after the
# window's own text does, so the probe's line does not yet mean the title is there.
await_title() {
  for _ in $(seq 100); do
    xdotool search --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Clicks the centre of the place "… X Y W H" given after its first $1 words in line $2.
click_place() {
  read -r -a words <<<"$2"
  local x=${words[$1]} y=${words[$1 + 1]} w=${words[$1 + 2]} h=${words[$1 + 3]}
  xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}
click() {
  click_place 3 "$(grep -m1 "^control $1 " probe)"
  await "^clicked "
  [ "$found" = "clicked $1" ] || { echo "FAIL: clicked $1, but got: $found" >&2; exit 1; }
}
# Answers the message box with caption $1 with its button $2 (1 OK, 2 Cancel).
answer() {
  await "^messagebox "
  [ "$found" = "messagebox $1" ] || { echo "FAIL: expected box $1, got: $found" >&2; exit 1; }
  await "^button $2 "
  local button=$found
  await "^shown messagebox"
  click_place 2 "$button"
  await "^answer $2$"
}

await "^shown 102 " 300
buttons=$(grep -E "^control [0-9]+ push " probe | cut -d' ' -f2 | sort -n)

# Rosters, side texts, help, and the complaints of the panels' buttons with nothing typed: each
# shows a text other than the one before.
for id in 1022 1039 1040 1042 1037 1043 1038 1045 1012 1011 1019 1025 1003 1031 1010 1036; do
  click $id
  await "^text 1001 "
done
# The resets empty edit boxes only.
for id in 1018 1024 1030 1035; do
  click $id
  if await "^text 1001 " 3 2>/dev/null; then echo "FAIL: $id changed the pane" >&2; exit 1; fi
done
# Each menu, and one entry of it: 保存 (its warning), 撤销 (nothing to take back yet), 使用说明.
choose() {
  click_place 2 "$(grep -m1 "^menu $1 " probe)"
  await "^entry $2 "
  click_place 2 "$found"
  await "^command "
  [ "$found" = "command $2" ] || { echo "FAIL: menu entry $2, but got: $found" >&2; exit 1; }
}
choose 0 1020
answer 警告 2
# 撤销 and 恢复 are greyed out while there is nothing to take back or do again.
click_place 2 "$(grep -m1 "^menu 1 " probe)"
await "^entry 32801 "
[[ "$found" == *" off 撤销" ]] || { echo "FAIL: 撤销 with nothing to take back: $found" >&2; exit 1; }
xdotool key Escape
choose 3 1012
await "^text 1001 "

# A birth typed into its panel, then Ctrl+Z with the focus on the button: the child's item goes.
type_into() {
  click_place 3 "$(grep -m1 "^control $1 " probe)"
  xdotool type --delay 60 "$2"
}
type_into 1026 Abcd
type_into 1027 m
type_into 1028 17900101
type_into 1029 王夫人
click 1031
await "^text 1001 .*增加成功"
xdotool key ctrl+z
await "^removed "
await "^text 1001 已撤销：出生 Abcd$"
# 编辑 > 恢复, named after the birth it does again; then Ctrl+Z takes it back once more.
click_place 2 "$(grep -m1 "^menu 1 " probe)"
await "^entry 32802 "
[[ "$found" == *" on 恢复 出生 Abcd" ]] || { echo "FAIL: 恢复 not named: $found" >&2; exit 1; }
click_place 2 "$found"
await "^text 1001 已恢复：出生 Abcd$"
xdotool key ctrl+z
await "^text 1001 已撤销：出生 Abcd$"

# A relation query: the four items of its path drawn marked (贾政, selected since the undo, on
# the selection's colour).
type_into 1021 王夫人
type_into 1023 贾琏
click 1025
await "^marked drawn "
[ "$found" = "marked drawn 3 of 3" ] || { echo "FAIL: the path is not drawn marked: $found" >&2; exit 1; }

# 视图 > 精确称谓, then the same query: the pane ends with the exact terms of the two.
choose 2 32805
click 1025
await "^text 1001 .*精确称谓："
[[ "$found" == *"精确称谓：王夫人称贾琏为侄子；贾琏称王夫人为二婶" ]] ||
  { echo "FAIL: no exact terms after the query: $found" >&2; exit 1; }

# The find field (Ctrl+F) finds a name by its initials as they are typed: 贾宝玉's report.
xdotool key ctrl+f
xdotool type --delay 60 jby
await "^text 1001 姓名:贾宝玉"
xdotool key Escape

# 文件 > 打开家谱: the second genealogy's folder typed into the chooser's name box, which has the
# focus, and Enter (a click on 选择 would first close the box's list of completions); the window
# opens it as at start-up (the welcome text), its title naming the clan and the folder.
choose 0 32807
await "^folderchooser "
await "^shown folderchooser"
xdotool type --delay 40 "$work/second"
xdotool key Return
await "^chosen $work/second$"
await "^text 1001 .*欢迎使用"
await_title "《林氏家谱》 — $work/second — Quillet" ||
  { echo "FAIL: the title does not name the 林 clan and its folder" >&2; exit 1; }
# 帮助 > 功能说明 (the pane then holds another text than the welcome it shows next).
choose 3 32808
await "^text 1001 .*功能说明.*【打开家谱】"
# 文件 > 最近打开: the first genealogy, now second in the list, opens again.
click_place 2 "$(grep -m1 "^menu 0 " probe)"
await "^entry 32810 "
click_place 2 "$found"
await "^entry 32812 "
[[ "$found" == *" on $work" ]] || { echo "FAIL: 最近打开 lists: $found" >&2; exit 1; }
click_place 2 "$found"
await "^command 32812$"
await "^text 1001 .*欢迎使用"
await_title "《贾氏家谱》 — $work — Quillet" ||
  { echo "FAIL: the first genealogy did not open again" >&2; exit 1; }

click 1020
answer 警告 2
click 1
answer Morvane提示 2
kill -0 $window
click 1
answer Morvane提示 1
for _ in $(seq 100); do kill -0 $window 2>/dev/null || break; sleep 0.1; done
wait $window
window=

clicked=$(grep -E "^clicked " probe | cut -d' ' -f2 | sort -nu)
[ "$clicked" = "$buttons" ] || { echo "FAIL: not every push button was clicked" >&2; exit 1; }
echo "every push button answered the mouse"
