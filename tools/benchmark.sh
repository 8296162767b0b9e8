#!/usr/bin/env bash
# Prints the tool's performance figures, all measured in this one run on this machine:
# start-up time against a bare property sheet and against the hardware probe's floor, CPU
# used while idling on the Controller page, string database parse time, canvas rebuild
# time, and the program's size and the DLLs it imports. Not a test: nothing here passes or fails on a figure.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

tools/install-deps.sh
source tools/wine-session.sh
[ "$WINE_PRESET" = windows ] || echo "$WINE_SESSION_NO_32BIT: figures of the 64-bit build."
cmake --preset "$WINE_PRESET" >/dev/null
cmake --build --preset "$WINE_PRESET" --target settings bench_bare_sheet bench_probe_floor bench_driver peripheral_devices_test button_rules_test virtual_pads >/dev/null

session=$(mktemp -d /tmp/settings-bench.XXXXXX)
trap 'wine_session_stop; rm -rf "$session"' EXIT
# Virtual pads, for the figures of a sheet that a pad works.
pads="$top/build/$WINE_PRESET/tests/e2e"
export VIRTUAL_PADS_LIBRARIES="$pads/libvirtual_pads32.so $pads/libvirtual_pads64.so"
wine_session_start "$session" headless

build="$top/build/$WINE_PRESET"
exe="$build/app/settings.exe"
bare="$build/tools/bench/bench_bare_sheet.exe"
floor="$build/tools/bench/bench_probe_floor.exe"
driver="$build/tools/bench/bench_driver.exe"
runs=15

echo "Figures of $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, Wine $(wine --version | sed 's/wine-//'), under Xvfb"
echo

{ read -r tool_ms; read -r bare_ms; read -r floor_ms; } < <(wine "$driver" startup $runs "$exe" "$bare" "$floor" | tr -d '\r')
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "Start to visible sheet (median of $runs): settings.exe ${tool_ms} ms"
echo "  against a bare PropertySheetW (${bare_ms} ms): ratio $(ratio "$tool_ms" "$bare_ms")"
echo "  against the probe floor, the same Direct3D 8, Direct3D 9 and DirectDraw calls once each"
echo "  before a bare sheet (${floor_ms} ms): ratio $(ratio "$tool_ms" "$floor_ms") (aim: 1.10 or less)"
# What the tool adds to the probe floor in three more runs of the two side by side, the
# driver's MODE being startup or startup-pads: a single start varies by tens of milliseconds
# here, so each figure is a median of many.
added_over_floor() {
  local mode=$1 figures=() tool_ms floor_ms
  for round in 1 2 3; do
    { read -r tool_ms; read -r floor_ms; } < <(wine "$driver" "$mode" 11 "$exe" "$floor" | tr -d '\r')
    figures+=("$(awk -v a="$tool_ms" -v b="$floor_ms" 'BEGIN { printf "%.1f", a - b }')")
  done
  echo "${figures[*]}"
}
echo "  time settings.exe adds over the probe floor (median of 11 each, three runs): $(added_over_floor startup) ms"
echo "  the same with two gamepads plugged in, which start-up lists and opens: $(added_over_floor startup-pads) ms"

# CPU of PROGRAM's own process over 10 s, from /proc, while the driver in MODE keeps the
# sheet up; prints the driver's further output to the file LATER.
cpu_while_shown() {
  local mode=$1 program=$2 label=$3 later=$4 fifo="$session/$1.$(basename "$2").out" running pid="" candidate
  mkfifo "$fifo"
  wine "$driver" "$mode" "$program" >"$fifo" &
  running=$!
  exec 3<"$fifo"
  while read -r line <&3; do [[ "$line" == READY* ]] && break; done || true
  # The program of this run's own prefix, not one that another Wine session may be running;
  # started after the driver, whose command line names it too, it is the last found.
  for candidate in $(pgrep -f "$(basename "$program" | sed 's/\./\\./g')" || true); do
    tr '\0' '\n' 2>/dev/null <"/proc/$candidate/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && pid=$candidate
  done
  if [ -n "$pid" ]; then
    ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
    local hz before after cpu_ms
    hz=$(getconf CLK_TCK)
    before=$(ticks)
    sleep 10
    after=$(ticks)
    cpu_ms=$(( (after - before) * 1000 / hz ))
    echo "CPU while idling 10 s, $label: ${cpu_ms} ms ($(awk -v c="$cpu_ms" 'BEGIN { printf "%.1f", c / 100 }') % of one core)"
  else
    echo "CPU while idling, $label: the program's process was not found"
  fi
  tr -d '\r' <&3 >"$later"
  exec 3<&-
  wait "$running" || true
}
cpu_while_shown idle "$bare" "a bare PropertySheetW, what Wine itself takes here" /dev/null
cpu_while_shown idle "$exe" "on the Controller page" /dev/null
cpu_while_shown pad "$exe" "on the Display page with a pad plugged in" "$session/pad-delay"
read -r delay presses first <"$session/pad-delay" || true
if [ -n "${delay:-}" ] && [ "$delay" != none ]; then
  echo "From a D-pad press to the focus moving (median of ${presses}): ${delay} ms; the first, after 12 s at rest: ${first} ms"
else
  echo "From a D-pad press to the focus moving: the focus did not move"
fi

parse_us=$(wine "$driver" parse 2000 | tr -d '\r')
echo "String database parse (six languages, every text): ${parse_us} us"

update=$(wine "$build/tests/peripheral/peripheral_devices_test.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='*BenchmarkUpdate' | tr -d '\r' | sed -n 's/^one update over/One input update over/p')
echo "$update (the Controller page updates every 160 ms)"

canvas=$(wine "$build/tests/pages/button_rules_test.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='*CostOfARebuild*' | tr -d '\r' | sed -n 's/^canvas rebuild/Controller picture canvas rebuild/p')
echo "$canvas"

mib() { awk -v s="$1" 'BEGIN { printf "%.2f", s / 1048576 }'; }
size=$(stat -c %s "$exe")
echo "settings.exe of the test build: $size bytes ($(mib "$size") MiB), static, no runtime DLLs"
cmake --preset release >/dev/null
cmake --build --preset release --target settings >/dev/null
released=$(stat -c %s "$top/build/release-build/app/settings.exe")
echo "settings.exe as released (stripped): $released bytes ($(mib "$released") MiB)"
if [ "$WINE_PRESET" = windows ]; then
  dlls=/usr/lib/i386-linux-gnu/wine/i386-windows objdump=i686-w64-mingw32-objdump
else
  dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows objdump=x86_64-w64-mingw32-objdump
fi
echo "Imported DLLs (sizes of Wine's builtin versions):"
$objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | while read -r dll; do
  file=$(find "$dlls" -maxdepth 1 -iname "$dll" | head -n 1)
  printf '  %-14s %s\n' "$dll" "$( [ -n "$file" ] && stat -c '%s bytes' "$file" || echo '(size unknown)')"
done
