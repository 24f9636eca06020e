#!/usr/bin/env bash
# The application's figures, each printed with its target, on private X servers:
#   roll     key to window painted, first name against its schedule, length of the roll
#            (roll_bench, the real handlers, under Xvfb + openbox);
#   startup  spawn to the first window mapped, for rollcall its start-up notice, for the
#            baseline minimal_window its only window; Rss and Anonymous once each program is
#            settled: rollcall after the notice is closed and its main window is up (the
#            skin, the hot keys and the class in place), the baseline at its window; as
#            ratios to minimal_window measured in the same run (startup_probe, Xvfb alone);
#   idle     CPU of the real program while hidden, over 60 s (Xvfb + openbox);
#   command  `rollcall --roll` to the hidden main window mapped (command_latency, Xvfb alone).
# Usage: bash bench/app_bench.sh [build-dir] [roll] [startup] [idle] [command]   (default: all)
#        ROLLS=n sets the number of rolls (40), STARTS=n the starts of each program (21),
#        COMMANDS=n the commands sent (21; each waits about 3.5 s for the window to hide).
# Build first: cmake --build <build-dir> --target rollcall edbtool roll_bench startup_probe
#              minimal_window command_latency
set -euo pipefail
build=$(realpath "${1:-build}")
shift || true
parts=${*:-roll startup idle command}
for program in rollcall edbtool bench/roll_bench bench/startup_probe bench/minimal_window \
    bench/command_latency; do
  if [ ! -x "$build/$program" ]; then
    echo "build $build/$program first" >&2
    exit 1
  fi
done
for tool in Xvfb openbox xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (tools/setup-debian.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
started=()
cleanup() {
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill "${started[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" SDL_AUDIODRIVER=dummy
unset WAYLAND_DISPLAY XAUTHORITY

notice_title="信息："
main_title="按C键 随机点名"
# The baseline shows the notice's own text, so that both programs need the same CJK font.
notice_text="请牢记呼出软件界面和随机点名的快捷键 C 键，点击确认按钮10秒后软件自动将隐藏界面！
另外，软件已经注册了C、D、X的快捷键，故本软件开启时这三键在文字输入的时候将不起作用。
请需要输入文字时请关闭本软件！"

# Polls a command until it succeeds, for at most $1 seconds.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || { echo "timed out waiting for: $*" >&2; return 1; }
    sleep 0.05
  done
}

# Starts Xvfb on a display it picks itself (and openbox with "wm") and exports DISPLAY.
start_x() {
  exec {fd}< <(Xvfb -displayfd 1 -nolisten tcp -screen 0 1024x768x24 2>/dev/null & echo "pid $!")
  local xvfb_pid display
  read -r -u "$fd" _ xvfb_pid
  read -r -u "$fd" display
  started+=("$xvfb_pid")
  export DISPLAY=":$display"
  if [ "${1:-}" = wm ]; then
    openbox --sm-disable >/dev/null 2>&1 &
    started+=("$!")
    # Announcing itself is not enough: a map request made while the manager is still
    # starting can be lost. It is ready once it has framed a window, mapped anew until then.
    wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
    local attempt probe
    for attempt in 1 2 3 4 5; do
      "$build/bench/minimal_window" wm-probe wm-probe &
      probe=$!
      if wait_for 3 sh -c 'xprop -id "$(xdotool search --onlyvisible --name "^wm-probe$" | head -1)" _NET_FRAME_EXTENTS | grep -q ='; then
        attempt=ok
      fi
      kill "$probe"
      wait "$probe" 2>/dev/null || true
      [ "$attempt" != ok ] || return 0
    done
    echo "openbox did not start managing windows" >&2
    return 1
  fi
}

# A program folder: rollcall (or another program) with a class of 40 students in date/.
program_folder() {
  local folder="$work/$1" program=${2:-$build/rollcall}
  mkdir -p "$folder/date"
  cp "$program" "$folder/"
  local class="$folder/date/九（1）班.edb"
  "$build/edbtool" create "$class" 班级:Text:20 姓名:Text:20 回答次数:Int 错误次数:Int >/dev/null
  for i in $(seq -w 1 40); do "$build/edbtool" add "$class" 九（1）班 "学生$i" 0 0 >/dev/null; done
  echo "$folder"
}

# CPU clock ticks (utime + stime, all threads so far), CPU time in ns of the live threads,
# and their context switches.
cpu_sample() {
  local pid=$1 ticks ns=0 switches=0
  ticks=$(sed 's/.*) //' "/proc/$pid/stat" | awk '{print $12 + $13}')
  for task in /proc/"$pid"/task/*; do
    ns=$((ns + $(cut -d' ' -f1 "$task/schedstat")))
    switches=$((switches + $(awk '/ctxt_switches/ {s += $2} END {print s}' "$task/status")))
  done
  echo "$ticks $ns $switches"
}

memory_kb() {
  awk '/^Rss:/ {r = $2} /^Anonymous:/ {a = $2} END {print r, a}' "/proc/$1/smaps_rollup"
}

if [[ " $parts " == *" roll "* ]]; then
  start_x wm
  folder=$(program_folder roll "$build/bench/roll_bench")
  "$folder/roll_bench" --rolls "${ROLLS:-40}"
fi

if [[ " $parts " == *" startup "* ]]; then
  # No window manager: the probe sees top-level windows map on the root window itself.
  start_x
  folder=$(program_folder startup)
  "$build/bench/startup_probe" --runs "${STARTS:-21}" --idle-ms 1500 \
    --subject rollcall "$notice_title" "$main_title" "$folder/rollcall" \
    --baseline minimal_window "基准窗口" - "$build/bench/minimal_window" "基准窗口" "$notice_text" \
    --baseline minimal_ascii "baseline-ascii" - "$build/bench/minimal_window" baseline-ascii \
    "Press C to roll"
fi

if [[ " $parts " == *" idle "* ]]; then
  start_x wm
  folder=$(program_folder idle)
  "$folder/rollcall" >/dev/null 2>&1 &
  app=$!
  started+=("$app")
  "$build/bench/minimal_window" "基准窗口" "$notice_text" &
  base=$!
  started+=("$base")
  wait_for 20 xdotool search --onlyvisible --name "^$notice_title\$"
  notice=$(xdotool search --onlyvisible --name "^$notice_title\$" | head -1)
  xdotool windowactivate --sync "$notice" key Return
  wait_for 20 xdotool search --onlyvisible --name "$main_title"
  # The countdown hides the window about 7.5 s after start-up.
  wait_for 30 sh -c "! xdotool search --onlyvisible --name '$main_title'"
  sleep 2
  hz=$(getconf CLK_TCK)
  read -r app_ticks0 app_ns0 app_sw0 < <(cpu_sample "$app")
  read -r base_ticks0 base_ns0 base_sw0 < <(cpu_sample "$base")
  sleep 60
  read -r app_ticks1 app_ns1 app_sw1 < <(cpu_sample "$app")
  read -r base_ticks1 base_ns1 base_sw1 < <(cpu_sample "$base")
  read -r app_rss app_anon < <(memory_kb "$app")
  read -r base_rss base_anon < <(memory_kb "$base")
  awk -v hz="$hz" \
    -v at="$((app_ticks1 - app_ticks0))" -v an="$((app_ns1 - app_ns0))" -v as="$((app_sw1 - app_sw0))" \
    -v bt="$((base_ticks1 - base_ticks0))" -v bn="$((base_ns1 - base_ns0))" -v bs="$((base_sw1 - base_sw0))" \
    -v ar="$app_rss" -v aa="$app_anon" -v br="$base_rss" -v ba="$base_anon" 'BEGIN {
      printf "idle, hidden, 60 s (minimal_window idling beside it as the baseline):\n"
      printf "  rollcall        CPU %.4f %% of one core by utime+stime (%d ticks of 1/%d s; target < 0.1 %%)\n", at / hz / 60 * 100, at, hz
      printf "                  CPU %.4f %% by schedstat, %.1f wake-ups/s\n", an / 6e10 * 100, as / 60
      printf "  minimal_window  CPU %.4f %% by utime+stime, %.4f %% by schedstat, %.1f wake-ups/s\n", bt / hz / 60 * 100, bn / 6e10 * 100, bs / 60
      printf "  memory while hidden: rollcall Rss %d kB, Anonymous %d kB = %.2fx, %.2fx of minimal_window\n", ar, aa, ar / br, aa / ba
    }'
fi

if [[ " $parts " == *" command "* ]]; then
  # No window manager, as for start-up: the main window maps on the root window.
  start_x
  folder=$(program_folder command)
  "$build/bench/command_latency" --runs "${COMMANDS:-21}" "$folder/rollcall" --roll
fi
