#!/usr/bin/env bash
# The programs as a user starts them: --help, --version and a usage error on each; quillet-batch
# running the protocol's example on the shipped genealogy; quillet opening the folder it is given
# (offscreen) and seeding the user's own genealogy on its first start.
# Usage: start_test.sh BIN_DIR VERSION PROGRAM..., where BIN_DIR/../share/quillet holds the
# shipped genealogy, as in an installation.
set -euo pipefail
bin=$(cd "$1" && pwd)
version=$2
shift 2
shipped=$bin/../share/quillet
work=$(mktemp -d)
# The genealogies opened last are kept in the settings under here, not the user's.
export XDG_CONFIG_HOME=$work/config
window=
trap '[ -z "$window" ] || kill "$window" 2>/dev/null; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# Runs the command; sets $status, $out and $err.
run() {
  status=0
  "$@" >"$work/out" 2>"$work/err" </dev/null || status=$?
  out=$(<"$work/out")
  err=$(<"$work/err")
}

for program in "$@"; do
  run "$bin/$program" --help
  [ "$status" = 0 ] && [[ $out == "Usage: $program "* ]] && [ -z "$err" ] || fail "$program --help"
  run "$bin/$program" --version
  [ "$status" = 0 ] && [ "${out%%$'\n'*}" = "$program $version" ] || fail "$program --version: $out"
  run "$bin/$program" --no-such-option
  [ "$status" = 2 ] && [ -z "$out" ] && [[ $err == "$program: "*"--no-such-option"* ]] &&
    [ "${err##*$'\n'}" = "Try '$program --help' for more information." ] ||
    fail "$program --no-such-option: status $status, $err"
done
for extra in "quillet-batch home.txt" "quillet a b" "quillet --user-genealogy a"; do
  run "$bin"/$extra
  [ "$status" = 2 ] || fail "$extra: status $status"
done

# quillet-batch reads standard input in its working directory: here the shipped genealogy.
out=$(cd "$shipped" && printf '%s\n' 'type 1021 贾宝玉' 'type 1023 贾宝玉' 'click 1025' \
  'print 1001' 'key esc' | "$bin/quillet-batch")
[ "$out" = $'1001: 这是同一个人\nend: cancel' ] || fail "quillet-batch example: $out"

# Starts quillet offscreen with the arguments given, from the empty folder $work/elsewhere, and
# sets $pane to the first text of its display pane (from the window's probe); then ends it.
mkdir "$work/elsewhere"
open_window() {
  rm -f "$work/probe"
  pane=
  (cd "$work/elsewhere" &&
    QT_QPA_PLATFORM=offscreen QUILLET_WINDOW_PROBE="$work/probe" exec "$bin/quillet" "$@") \
    >/dev/null 2>&1 &
  window=$!
  for _ in $(seq 600); do
    pane=$(grep -m1 '^text 1001 .' "$work/probe" 2>/dev/null) && break
    kill -0 "$window" 2>/dev/null || break
    sleep 0.1
  done
  kill "$window" 2>/dev/null || true
  wait "$window" 2>/dev/null || true
  window=
  [ -n "$pane" ] || fail "quillet $*: the window did not show its welcome"
}
welcome=欢迎使用
unread=无法读取家谱文件

mkdir "$work/clan"
cp "$shipped"/* "$work/clan"/
for target in "$work/clan" "$work/clan/home.txt"; do
  open_window "$target"
  [[ $pane == *$welcome* && $pane != *$unread* ]] || fail "quillet $target did not load it: $pane"
done
# The genealogy opened heads 最近打开, kept in the settings.
grep -qF "$work/clan" "$XDG_CONFIG_HOME/quillet/quillet.conf" ||
  fail "the genealogy opened is not in the settings' recent list"
# With no argument: the working directory, whose missing home.txt the pane names.
open_window
[[ $pane == *$unread*"$work/elsewhere"* ]] || fail "quillet in an empty folder: $pane"
run "$bin/quillet" "$work/no-such-folder"
[ "$status" = 1 ] && [[ $err == *no-such-folder* ]] || fail "quillet with a missing folder: $err"
run env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_SESSION_TYPE= "$bin/quillet" "$work/clan"
[ "$status" = 1 ] && [[ $err == *quillet-batch* ]] || fail "quillet without a display: $err"
# A display that no X server answers (an ssh session without X forwarding, say), or no name of
# one: said so, naming DISPLAY and the headless driver, with status 1, not Qt's abort (134).
for display in :999 no-display-name; do
  run env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_SESSION_TYPE= DISPLAY=$display \
    "$bin/quillet" "$work/clan"
  [ "$status" = 1 ] && [[ $err == *"'$display' that DISPLAY names"* && $err == *quillet-batch* ]] ||
    fail "quillet on the display $display: status $status, $err"
done
run env -u DISPLAY QT_QPA_PLATFORM=xcb "$bin/quillet" "$work/clan"
[ "$status" = 1 ] && [[ $err == *"DISPLAY is not set"* ]] || fail "xcb without DISPLAY: $err"

# The first start seeds the user's own genealogy from the shipped one; later starts keep it.
export XDG_DATA_HOME=$work/data
open_window --user-genealogy
[[ $pane == *$welcome* && $pane != *$unread* ]] || fail "first start: $pane"
diff -r "$shipped" "$XDG_DATA_HOME/quillet" || fail "the seeded genealogy differs from the shipped one"
echo edited >"$XDG_DATA_HOME/quillet/home.txt"
open_window --user-genealogy
[ "$(<"$XDG_DATA_HOME/quillet/home.txt")" = edited ] || fail "a later start replaced home.txt"
# A first start on a full disk (a tmpfs of 64 KiB, smaller than the shipped genealogy) says why,
# and leaves every file whole or absent, never an empty one; the next start, with room, finishes
# the folder. (Root only: it mounts.)
if [ "$(id -u)" = 0 ] && mkdir "$work/full" && mount -t tmpfs -o size=64k tmpfs "$work/full"; then
  trap 'umount "$work/full" 2>/dev/null || true; [ -z "$window" ] || kill "$window" 2>/dev/null; rm -rf "$work"' EXIT
  XDG_DATA_HOME=$work/full run env QT_QPA_PLATFORM=offscreen "$bin/quillet" --user-genealogy
  [ "$status" = 1 ] && [[ $err == *"the disk is full"* ]] || fail "first start on a full disk: $status $err"
  for copied in "$work/full/quillet"/*; do
    cmp -s "$copied" "$shipped/${copied##*/}" || fail "first start on a full disk left ${copied##*/} cut short"
  done
  [ ! -e "$work/full/quillet/home.txt" ] || fail "first start on a full disk made home.txt"
  mount -o remount,size=1m "$work/full"
  XDG_DATA_HOME=$work/full open_window --user-genealogy
  [[ $pane == *$welcome* && $pane != *$unread* ]] || fail "start after a full disk: $pane"
  diff -r "$shipped" "$work/full/quillet" || fail "the start after a full disk did not finish the copy"
  umount "$work/full"
fi
# Without XDG_DATA_HOME (a relative one does not count), it lives under ~/.local/share.
XDG_DATA_HOME=relative HOME=$work/home open_window --user-genealogy
cmp "$shipped/home.txt" "$work/home/.local/share/quillet/home.txt" || fail "not seeded under HOME"
echo "the programs start as documented"
