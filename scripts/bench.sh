#!/usr/bin/env bash
# Builds the benchmarks in a Release tree and prints one markdown table:
# Quillon's figures beside the yardsticks measured in the same run. Each
# figure takes turns with its yardstick, so a machine's drift cancels in the
# ratio. The argument is the number of rounds per figure (default 10).
# Start-up is measured on both toolkits, each against its own empty window;
# the other figures on Qt 6.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=deps.sh
source "$root/scripts/deps.sh"
QUILLON_QT=both quillon_install_deps
rounds="${1:-10}"
build="$root/build-bench"
build_qt5="$root/build-bench-qt5"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLON_QT=6 >/dev/null
cmake --build "$build" -j "$(nproc)" \
  --target bench-startup bench-link bench-image-header bench-upgrade bench-kvtctl-rack \
  bench-lan-clients kvt-lan kvt-sim >/dev/null
cmake -S "$root" -B "$build_qt5" -DCMAKE_BUILD_TYPE=Release -DQUILLON_QT=5 >/dev/null
cmake --build "$build_qt5" -j "$(nproc)" --target bench-startup >/dev/null

visa_dir="$build/sim/visa"
export QT_QPA_PLATFORM=offscreen
unset LD_PRELOAD KVT_VISA_UNITS KVT_VISA_TIMEOUT_MS KVT_VISA_RM_WARNING KVT_VISA_LOG
# The benchmarks' clicks are recorded in a switching history of their own.
export XDG_STATE_HOME="$build/bench-state"

echo "| Figure | Quillon, median (IQR) | Yardstick, same run | Ratio | Target |"
echo "|---|---|---|---|---|"
# Start-up is measured on X11, as an operator meets it: on a server that stays
# up between programs. Without -noreset Xvfb resets whenever a run's program
# leaves, the next program waits out the reset (about 15 ms, in both figures
# alike, which flatters the ratio), and one that connects during it fails.
# Start-up runs are short, so they take four times the rounds.
# Each preload of a toolkit is kept only while it buys at least 5 % of
# start-up, measured without a session bus and with one, as on a desktop.
for tree in "$build" "$build_qt5"; do
  QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 1280x900x24 -noreset' \
    "$tree/bench/bench-startup" "$((rounds * 4))" 2> >(grep -v XDG_RUNTIME_DIR >&2)
  QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 1280x900x24 -noreset' \
    "$tree/bench/bench-startup" "$((rounds * 4))" preloads "no session bus" \
    2> >(grep -v XDG_RUNTIME_DIR >&2)
  QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 1280x900x24 -noreset' dbus-run-session -- \
    "$tree/bench/bench-startup" "$((rounds * 4))" preloads "session bus" \
    2> >(grep -v XDG_RUNTIME_DIR >&2)
done
LD_LIBRARY_PATH="$visa_dir" "$build/bench/bench-link" visa "$rounds" 2> >(grep -v XDG_RUNTIME_DIR >&2)
env -u LD_LIBRARY_PATH "$build/bench/bench-link" serial "$rounds" 2> >(grep -v XDG_RUNTIME_DIR >&2)
"$build/bench/bench-kvtctl-rack" "$rounds" 2> >(grep -v XDG_RUNTIME_DIR >&2)
"$build/bench/bench-history" "$rounds"
# kvt-lan needs rpcbind; bench-link starts it on the stand-in's unit.
lan_ready=""
rpcinfo -p 127.0.0.1 >/dev/null 2>&1 && lan_ready=1
if [ -n "$lan_ready" ]; then
  LD_LIBRARY_PATH="$visa_dir" "$build/bench/bench-link" lan "$rounds" 2> >(grep -v XDG_RUNTIME_DIR >&2)
  # kvt-lan serving clients on several kvt-sim units at once.
  env -u LD_LIBRARY_PATH "$build/bench/bench-lan-clients" "$rounds"
else
  echo "| Click and console query (kvt-lan, loopback) | no figure: rpcbind is not running | | | < 1 ms per query |"
  echo "| kvt-lan, N clients on as many units | no figure: rpcbind is not running | | | ≥ 0.8 |"
fi
# kvt-lan's web face against VXI-11, in a network namespace of its own.
/usr/bin/python3 "$root/bench/bench_web.py" "$build/sim/kvt-sim" "$build/lan/kvt-lan" "$rounds"
# upgrade_row LABEL: the median of bench-upgrade's runs on standard input.
upgrade_row() {
  awk -v label="$1" '
  function median(v, n,   i, j, t) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  {
    for (i = 1; i <= NF; i++) {
      split($i, kv, "=")
      if (kv[1] == "upgrade_ms") up[++n] = kv[2]
      if (kv[1] == "floor_ms") fl[++m] = kv[2]
    }
  }
  END {
    if (n == 0 || m == 0) { printf "| Firmware upgrade, 64 KiB application (%s) | no figure | | | ≤ 1.03 |\n", label; exit }
    u = median(up, n); f = median(fl, m)
    printf "| Firmware upgrade, 64 KiB application (%s) | %.0f ms (%d runs, %.0f to %.0f) | fixed pauses: %.0f ms | %.3f | ≤ 1.03 |\n", label, u, n, up[1], up[n], f, u / f
  }'
}
# Each run sends 64 KiB through the protocol's pauses, about ten seconds.
# A run that fails prints no figure, and the row says so.
for _ in 1 2 3; do "$build/bench/bench-upgrade" || true; done | upgrade_row "VISA stand-in"
# The same over kvt-lan on loopback, serving a stand-in unit that restarts at
# once; its floor adds kvt-lan's own pause after each write to the unit.
if [ -n "$lan_ready" ]; then
  coproc lan_server {
    LD_LIBRARY_PATH="$visa_dir" KVT_VISA_UNITS="KVT0402Q,sn=BENCH,restart=0" \
      exec "$build/lan/kvt-lan"
  }
  lan_pid=$lan_server_PID
  # Its first line comes once it serves.
  read -r -t 10 _ <&"${lan_server[0]}" || true
  for _ in 1 2 3; do
    "$build/bench/bench-upgrade" --resource TCPIP0::127.0.0.1::BENCH::INSTR || true
  done | upgrade_row "kvt-lan, loopback"
  kill "$lan_pid"
  wait "$lan_pid" || true
fi
"$build/bench/bench-image-header" "$((rounds * 10))"
echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
