#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the benchmarks in Release into build-bench/ and prints one
# table: every figure beside its floor, measured in the same run, and its target. Whole processes
# are measured from outside (start-up to the first frame under a fresh Xvfb, with and without a
# D-Bus session bus, and offscreen, peak memory with GNU time, idle cost with perf stat, preset
# loads and card state files with hyperfine); latencies from inside by bench/latencybench. Takes
# a few minutes once built. Apart from the start-up under Xvfb the programs run on Qt's offscreen
# platform unless QT_QPA_PLATFORM says otherwise; the tools' own output goes to
# build-bench/bench-details.txt.
#
#   scripts/bench.sh [RUNS [SAMPLES]]   start-up rounds and memory runs (20), latency samples (1000)

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

RUNS=${1:-20}
SAMPLES=${2:-1000}
IDLE_SECONDS=10
BUILD_DIR=build-bench
MIXER=$BUILD_DIR/app/tarvixmixer
DETAILS=$BUILD_DIR/bench-details.txt

# amixer (alsa-utils) changes the virtual card from another process.
install_packages "${BUILD_PACKAGES[@]}" alsa-utils hyperfine time linux-perf jq procps xvfb \
    dbus at-spi2-core
configure_and_build "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DTARVIX_BUILD_BENCH=ON \
    -DBUILD_TESTING=OFF -- startupprobe floorprobe latencybench tarvixmixer

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# The ALSA programs see the tests' virtual cards, in folders of their own: one card, and two.
ALSA_CONFIG_PATH=$(sed -n 's/^TARVIX_VIRTUAL_CARD_CONFIG_PATH:INTERNAL=//p' "$BUILD_DIR/CMakeCache.txt")
export ALSA_CONFIG_PATH
WORK=$(mktemp -d)
IDLE_PIDS=()
trap 'kill "${IDLE_PIDS[@]}" 2>/dev/null || true; rm -rf "$WORK"' EXIT
mkdir "$WORK/one" "$WORK/two"
# A card is its state file; the name file beside it goes first, so the card never shows unnamed.
plug_card() {
    cp "tests/backends/alsa/virtualcard/$1.name" "$2.name"
    cp "tests/backends/alsa/virtualcard/$1.state" "$2"
}
plug_card classcompliant "$WORK/one/controlC0"
plug_card classcompliant "$WORK/two/controlC0"
plug_card interface "$WORK/two/controlC1"
: >"$DETAILS"
PROBLEMS=()

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
load() { cut -d' ' -f1 /proc/loadavg; }

echo "Machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1);" \
    "Qt $(dpkg-query -W -f '${Version}' qt6-base-dev); Release build;" \
    "QT_QPA_PLATFORM=$QT_QPA_PLATFORM; load average $(load)"

# Start-up: exec to the first frame, which each probe reports as it happens, in interleaved
# rounds (round 0 warms up), under Xvfb and offscreen. Without a session bus, as on a bare Xvfb,
# Qt's accessibility bridge in every program has libdbus try to launch one (a fork and failed
# execs on another thread); a desktop session has a bus, and its accessibility bus answers that
# no screen reader runs. So the Xvfb rounds run both ways.
STARTUP=("startupprobe simulator" "startupprobe alsa" "floorprobe label" "floorprobe bare")
declare -A FIRST_PAINT PEAK RSS WAKEUPS CPU
first_paint() { # PLATFORM [KEY]
    local round program start frame
    local -A times=()
    for round in $(seq 0 "$RUNS"); do
        for program in "${STARTUP[@]}"; do
            start=$EPOCHREALTIME
            # shellcheck disable=SC2086 # the program and its argument
            frame=$(TARVIX_ALSA_DEVICE_DIR=$WORK/one QT_QPA_PLATFORM=$1 $BUILD_DIR/bench/$program \
                2>>"$DETAILS") || PROBLEMS+=("$program did not start on $1")
            [ "$round" -eq 0 ] ||
                times[$program]+="$(awk -v a="$start" -v b="$frame" 'BEGIN { printf "%.2f", (b - a) * 1000 }') "
            sleep 0.1 # the display server done with the last window
        done
    done
    for program in "${STARTUP[@]}"; do
        FIRST_PAINT[${2:-$1} ${program#* }]=$(tr ' ' '\n' <<<"${times[$program]}" | grep . | median)
    done
}
first_paint offscreen
# A display server of its own, started afresh, so that no earlier client's state weighs.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$WORK/display" 2>>"$DETAILS" &
IDLE_PIDS+=($!)
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
DISPLAY=:$(cat "$WORK/display")
export DISPLAY
first_paint xcb
# A session bus of its own, as a desktop session has; the accessibility bus starts on demand.
SESSION_BUS=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>>"$DETAILS")
read -r -d '' BUS_ADDRESS BUS_PID <<<"$SESSION_BUS" || true
if [ -n "$BUS_PID" ]; then IDLE_PIDS+=("$BUS_PID"); else PROBLEMS+=("no session bus started"); fi
DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS first_paint xcb bus
# Where the first frame's painting goes: each widget's paint event to the next one's, per widget
# into the details, and the whole from the first paint event to the frame.
declare -A PAINTS
paint_profile() { # PROGRAM ARGUMENT
    for _ in $(seq "$RUNS"); do
        DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS TARVIX_ALSA_DEVICE_DIR=$WORK/one QT_QPA_PLATFORM=xcb \
            "$BUILD_DIR/bench/$1" "$2" paints 2>>"$DETAILS"
        sleep 0.1
    done >"$WORK/paints"
    PAINTS[$2]=$(awk '$1 == "total" { print $2 }' "$WORK/paints" | median)
    echo "Paint events of the first frame, $1 $2, median of $RUNS (ms):" >>"$DETAILS"
    # In the order painted: each widget's values sorted, then the middle one.
    awk '!($1 in order) { order[$1] = ++k } { print order[$1], $1, $2 }' "$WORK/paints" |
        sort -k1,1n -k3,3g |
        awk '$1 != last { flush(); last = $1 } { name = $2; v[++n] = $3 } END { flush() }
            function flush() { if (n) printf "  %-28s %s\n", name, v[int((n + 1) / 2)]; n = 0 }' \
            >>"$DETAILS"
}
paint_profile startupprobe simulator
paint_profile floorprobe label
unset DISPLAY

# Peak memory (VmHWM) up to the first frame, by GNU time.
for program in "${STARTUP[@]:0:3}"; do
    # shellcheck disable=SC2086 # the program and its argument
    PEAK[${program#* }]=$(for _ in $(seq "$RUNS"); do
        TARVIX_ALSA_DEVICE_DIR=$WORK/one /usr/bin/time -o "$WORK/time" -f %M \
            $BUILD_DIR/bench/$program >/dev/null 2>>"$DETAILS" && cat "$WORK/time"
    done | median | awk '{ printf "%.1f", $1 / 1024 }')
done

# A preset load by the command line: a plain preset, and one of just under 1 MiB whose output
# level repeats tens of thousands of times (each field reaches the device once).
"$MIXER" --backend simulator --device TVX-DUO-0001 --store "$WORK/plain.tarvix" 2>>"$DETAILS"
{
    echo '<?xml version="1.0" encoding="UTF-8"?><Tarvix><Mixer><Output>'
    for _ in $(seq 28000); do echo '<VolumeLeft>-20.5</VolumeLeft>'; done
    echo '</Output></Mixer></Tarvix>'
} >"$WORK/repeated.tarvix"
hyperfine -N --warmup 1 --runs "$RUNS" --style basic --export-json "$WORK/load.json" \
    "$MIXER --backend simulator --device TVX-DUO-0001 --load $WORK/repeated.tarvix" \
    "$MIXER --backend simulator --device TVX-DUO-0001 --load $WORK/plain.tarvix" \
    >>"$DETAILS" 2>&1 || PROBLEMS+=("hyperfine of the preset loads failed")
declare -A LOAD
for i in 0 1; do
    LOAD[$i]=$(jq -r ".results[$i].median" "$WORK/load.json" 2>/dev/null |
        awk '{ printf "%.1f", $1 * 1000 }')
done

# Opening the corpus's largest card (936 controls) beside its smallest (none), each served from
# its state file and listed: the cost of choosing controls by the naming rules, in time
# (hyperfine) and peak memory (GNU time).
CORPUS=tests/backends/alsa/cards
CARDS=("$CORPUS/focusrite-scarlett-18i20-gen4.state" "$CORPUS/digidesign-mbox-2.state")
hyperfine -N --warmup 1 --runs "$RUNS" --style basic --export-json "$WORK/cards.json" \
    "$MIXER --card-state ${CARDS[0]} --list" "$MIXER --card-state ${CARDS[1]} --list" \
    >>"$DETAILS" 2>&1 || PROBLEMS+=("hyperfine of the corpus cards failed")
declare -A CARD_TIME CARD_PEAK
for i in 0 1; do
    CARD_TIME[$i]=$(jq -r ".results[$i].median" "$WORK/cards.json" 2>/dev/null |
        awk '{ printf "%.1f", $1 * 1000 }')
    CARD_PEAK[$i]=$(for _ in $(seq "$RUNS"); do
        /usr/bin/time -o "$WORK/time" -f %M "$MIXER" --card-state "${CARDS[$i]}" --list \
            >/dev/null 2>>"$DETAILS" && cat "$WORK/time"
    done | median | awk '{ printf "%.1f", $1 / 1024 }')
done

# Reading card state files: the largest card of the corpus, and that card's controls repeated
# (numbered afresh) up to just under the 8 MiB a state file may have; beside a small card.
largest="${CARDS[0]}"
awk -v limit=$((8 * 1024 * 1024 - 512 * 1024)) '
    NR == FNR { if (/^\tcontrol\./) body = 1; if (body && $0 != "}") block = block $0 "\n"; next }
    FNR == 1 { print; size = length($0) + 1 }
    END { while (size + length(block) < limit) { n = split(block, lines, "\n");
              for (i = 1; i < n; ++i) { line = lines[i]
                  if (line ~ /^\tcontrol\.[0-9]+ \{/) sub(/control\.[0-9]+/, "control." ++count, line)
                  print line; size += length(line) + 1 } }
          print "}" }' "$largest" "$largest" >"$WORK/limit.state"
hyperfine -N --warmup 1 --runs "$RUNS" --style basic --export-json "$WORK/cardstate.json" \
    "$MIXER --list --card-state $WORK/limit.state" "$MIXER --list --card-state $largest" \
    "$MIXER --list --card-state tests/backends/alsa/virtualcard/classcompliant.state" \
    >>"$DETAILS" 2>&1 || PROBLEMS+=("hyperfine of the card state files failed")
declare -A CARDSTATE
for i in 0 1 2; do
    CARDSTATE[$i]=$(jq -r ".results[$i].median" "$WORK/cardstate.json" 2>/dev/null |
        awk '{ printf "%.1f", $1 * 1000 }')
done

# Idle: the programs side by side, each from its first frame on; resident memory 1.5 s later,
# then wake-ups (context switches of all threads) and CPU time by perf stat.
start_idle() { # NAME PROBE ARGUMENT...
    local name=$1 probe=$BUILD_DIR/bench/$2
    shift 2
    "$probe" "$@" >"$WORK/$name.out" 2>>"$DETAILS" &
    IDLE_PIDS+=($!)
    eval "${name}_pid=$!"
    for _ in $(seq 300); do
        grep -q ready "$WORK/$name.out" && return
        sleep 0.1
    done
    PROBLEMS+=("$name did not come up")
}
sample_idle() { # NAME...: perf stat of each, all at once
    local name perfs=()
    for name in "$@"; do
        local pid_var=${name}_pid
        perf stat -x, -e task-clock,context-switches -p "${!pid_var}" -o "$WORK/$name.perf" \
            -- sleep "$IDLE_SECONDS" &
        perfs+=($!)
    done
    wait "${perfs[@]}"
    for name in "$@"; do
        { echo "perf stat, $name:"; cat "$WORK/$name.perf"; } >>"$DETAILS"
        read -r "WAKEUPS[$name]" "CPU[$name]" < <(awk -F, -v s="$IDLE_SECONDS" '
            { v = ($1 ~ /^[0-9.]+$/) ? $1 : 0 }
            $3 ~ /^task-clock/ { cpu = v } $3 ~ /^context-switches/ { switches = v }
            END { printf "%.1f %.3f\n", switches / s, cpu / (s * 10) }' "$WORK/$name.perf")
    done
}
start_idle mixer startupprobe simulator idle
start_idle minimised startupprobe simulator idle-minimised
start_idle floor floorprobe label idle
TARVIX_ALSA_DEVICE_DIR=$WORK/two start_idle alsa startupprobe alsa idle
TARVIX_ALSA_DEVICE_DIR=$WORK/one start_idle alsaone startupprobe alsa idle
# The restore command waiting for a card that is not plugged in, beside the two cards.
TARVIX_ALSA_DEVICE_DIR=$WORK/two "$MIXER" --backend alsa --device alsa:Absent \
    --restore-on-plug "$WORK/plain.tarvix" 2>>"$DETAILS" &
IDLE_PIDS+=($!)
# shellcheck disable=SC2034 # read by sample_idle, by name
restore_pid=$!
sleep 1.5
for name in mixer floor alsa alsaone; do
    pid_var=${name}_pid
    RSS[$name]=$(ps -o rss= -p "${!pid_var}" | awk '{ printf "%.1f", $1 / 1024 }')
done
sample_idle mixer minimised floor alsa restore
rm "$WORK/two/controlC1"
sleep 1.5
WAKEUPS[alsa_two]=${WAKEUPS[alsa]} CPU[alsa_two]=${CPU[alsa]}
sample_idle alsa
kill "${IDLE_PIDS[@]}"

# Latencies from inside the process.
"$BUILD_DIR/bench/latencybench" simulator "$SAMPLES" >"$WORK/latency" 2>>"$DETAILS" ||
    PROBLEMS+=("latencybench simulator: $(grep error "$WORK/latency")")
TARVIX_ALSA_DEVICE_DIR=$WORK/one "$BUILD_DIR/bench/latencybench" alsa "$SAMPLES" \
    >>"$WORK/latency" 2>>"$DETAILS" || PROBLEMS+=("latencybench alsa: $(grep error "$WORK/latency")")
figure() { # KEY DIVISOR DECIMALS
    awk -v key="$1" -v d="$2" -v p="$3" '$1 == key { printf "%.*f", p, $2 / d }' "$WORK/latency"
}

# row FIGURE VALUE FLOOR TARGET: TARGET is "x N" (at most N times the floor), "< N UNIT" (below
# N), "+ N" (at most the floor plus N per second), "+ N UNIT" (at most the floor plus N) or "-"
# (none).
row() {
    awk -v name="$1" -v v="$2" -v f="$3" -v target="$4" 'BEGIN {
        split(target, t, " ")
        ratio = (v != "" && f > 0) ? sprintf("%.2f", v / f) : "-"
        if (t[1] == "x") { text = "<= " t[2] " x floor"; met = v <= t[2] * f }
        if (t[1] == "<") { text = "< " t[2] " " t[3]; met = v < t[2] }
        if (t[1] == "+") { text = "<= floor + " t[2] (t[3] == "" ? "/s" : " " t[3]); met = v <= f + t[2] }
        if (t[1] == "-") text = "-"
        verdict = t[1] == "-" ? "-" : (v != "" && met ? "yes" : "NO")
        printf "| %s | %s | %s | %s | %s | %s |\n", name, v == "" ? "n/a" : v,
            f == "" ? "-" : f, ratio, text, verdict
    }'
}

echo
echo "| figure | mixer | floor | ratio | target | met? |"
echo "|---|---|---|---|---|---|"
row "first paint under Xvfb, simulator, median of $RUNS rounds (ms)" "${FIRST_PAINT[xcb simulator]}" "${FIRST_PAINT[xcb label]}" "x 1.15"
row "first paint under Xvfb, ALSA with one card (ms)" "${FIRST_PAINT[xcb alsa]}" "${FIRST_PAINT[xcb label]}" "x 1.15"
row "  same, floor: empty window (ms)" "${FIRST_PAINT[xcb label]}" "${FIRST_PAINT[xcb bare]}" "-"
row "first paint under Xvfb with a session bus, simulator (ms)" "${FIRST_PAINT[bus simulator]}" "${FIRST_PAINT[bus label]}" "x 1.15"
row "  same, ALSA with one card (ms)" "${FIRST_PAINT[bus alsa]}" "${FIRST_PAINT[bus label]}" "x 1.15"
row "  same, simulator, in the widgets' paint events (ms)" "${PAINTS[simulator]}" "${PAINTS[label]}" "-"
row "first paint offscreen, simulator (ms)" "${FIRST_PAINT[offscreen simulator]}" "${FIRST_PAINT[offscreen label]}" "-"
row "first paint offscreen, ALSA with one card (ms)" "${FIRST_PAINT[offscreen alsa]}" "${FIRST_PAINT[offscreen label]}" "-"
row "resident memory 1.5 s after first paint, simulator (MiB)" "${RSS[mixer]}" "${RSS[floor]}" "x 1.15"
row "resident memory, ALSA with one card (MiB)" "${RSS[alsaone]}" "${RSS[floor]}" "x 1.15"
row "  same, ALSA with two cards (MiB)" "${RSS[alsa]}" "${RSS[floor]}" "x 1.15"
row "peak RSS (VmHWM) to first paint, simulator, median (MiB)" "${PEAK[simulator]}" "${PEAK[label]}" "-"
row "  same, ALSA with one card (MiB)" "${PEAK[alsa]}" "${PEAK[label]}" "-"
row "notification latency, median (us)" "$(figure latency_mixer_median_ns 1e3 1)" "$(figure latency_floor_median_ns 1e3 1)" "-"
row "notification latency, p99 (us)" "$(figure latency_mixer_p99_ns 1e3 1)" "$(figure latency_floor_p99_ns 1e3 1)" "< 1000 us"
row "  same, from the request elsewhere, p99 (us)" "$(figure latency_request_p99_ns 1e3 1)" "" "-"
row "burst of 10,000 drained, median of 5 (ms)" "$(figure burst_mixer_ns 1e6 1)" "$(figure burst_floor_ns 1e6 1)" "< 500 ms"
row "ALSA: amixer change to label, median (ms)" "$(figure alsa_latency_median_ns 1e6 2)" "" "-"
row "ALSA: amixer change to label, p99 (ms)" "$(figure alsa_latency_p99_ns 1e6 2)" "$(figure alsa_listener_p99_ns 1e6 2)" "< 5 ms"
row "  same, floor: to a bare alsa-lib listener, median (ms)" "$(figure alsa_listener_median_ns 1e6 2)" "" "-"
row "  same, the label after the listener, p99 (ms)" "$(figure alsa_above_listener_p99_ns 1e6 2)" "" "-"
row "  same, to the library's notification, p99 (ms)" "$(figure alsa_notification_p99_ns 1e6 2)" "" "-"
row "  same, from spawning amixer, median (ms)" "$(figure alsa_spawn_median_ns 1e6 2)" "" "-"
row "idle wake-ups per second, device selected" "${WAKEUPS[mixer]}" "${WAKEUPS[floor]}" "+ 2.2"
row "idle wake-ups per second, window minimised" "${WAKEUPS[minimised]}" "${WAKEUPS[floor]}" "+ 0.2"
row "idle CPU, % of one core" "${CPU[mixer]}" "${CPU[floor]}" "< 0.1 %"
row "ALSA: idle wake-ups per second, two cards" "${WAKEUPS[alsa_two]}" "${WAKEUPS[floor]}" "+ 2.2"
row "ALSA: idle wake-ups per second, one unplugged" "${WAKEUPS[alsa]}" "${WAKEUPS[floor]}" "+ 2.2"
row "ALSA: idle CPU, % of one core, two cards" "${CPU[alsa_two]}" "${CPU[floor]}" "< 0.1 %"
row "ALSA: idle CPU, % of one core, one unplugged" "${CPU[alsa]}" "${CPU[floor]}" "< 0.1 %"
row "ALSA: restore on plug, idle wake-ups per second" "${WAKEUPS[restore]}" "" "< 0.2 /s"
row "ALSA: restore on plug, idle CPU, % of one core" "${CPU[restore]}" "" "< 0.1 %"
row "load of a 1 MiB preset of repeated elements (ms)" "${LOAD[0]}" "${LOAD[1]}" "-"
row "ALSA: open and list the largest corpus card, 936 controls, median (ms)" "${CARD_TIME[0]}" "${CARD_TIME[1]}" "+ 150 ms"
row "  same, peak RSS (VmHWM), median (MiB)" "${CARD_PEAK[0]}" "${CARD_PEAK[1]}" "+ 10 MiB"
row "ALSA: --list of a card state file at the 8 MiB limit (ms)" "${CARDSTATE[0]}" "${CARDSTATE[2]}" "< 1000 ms"
row "  same, the largest card of the corpus, 418 KB (ms)" "${CARDSTATE[1]}" "${CARDSTATE[2]}" "-"
echo
echo "Load average at the end: $(load). Details: $DETAILS"
for problem in "${PROBLEMS[@]}"; do
    echo "PROBLEM: $problem"
done
[ ${#PROBLEMS[@]} -eq 0 ]
