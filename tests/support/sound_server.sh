#!/usr/bin/env bash
# Starts a private, real sound server with a null sink named "out" for the
# tests and benchmarks, and ends it again. Nothing is shared with any other
# server on the machine: everything lives in a fresh runtime folder.
#
#   sound_server.sh start pulse|pipewire   prints the runtime folder on success
#   sound_server.sh stop RUNTIME           ends only the processes it started
#
# Clients reach the server with XDG_RUNTIME_DIR=RUNTIME,
# PULSE_RUNTIME_PATH=RUNTIME/pulse (and PIPEWIRE_RUNTIME_DIR=RUNTIME).
set -eu
case "${1:-}" in
  stop)
    rt=${2:-}
    [ -n "$rt" ] && [ -d "$rt" ] || exit 0
    for p in pipewire-pulse wireplumber pipewire pulseaudio dbus; do
      [ -f "$rt/$p.pid" ] || continue
      pid=$(cat "$rt/$p.pid"); kill "$pid" 2>/dev/null || true
      for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null || true
    done
    rm -rf "$rt"; exit 0 ;;
  start) kind=${2:-} ;;
  *) sed -n '2,10p' "$0" >&2; exit 2 ;;
esac
case "$kind" in pulse|pipewire) ;; *) echo "sound_server.sh: pulse or pipewire" >&2; exit 2 ;; esac

rt=$(mktemp -d /tmp/dovrik-sound-XXXXXX); chmod 700 "$rt"
mkdir -p "$rt/pulse" "$rt/config" "$rt/state"
export XDG_RUNTIME_DIR="$rt" PULSE_RUNTIME_PATH="$rt/pulse" XDG_CONFIG_HOME="$rt/config" \
  XDG_STATE_HOME="$rt/state" HOME="$rt"
unset DISPLAY WAYLAND_DISPLAY PULSE_SERVER PIPEWIRE_LATENCY PULSE_LATENCY_MSEC PIPEWIRE_REMOTE \
  DBUS_SESSION_BUS_ADDRESS 2>/dev/null || true

if [ "$kind" = pulse ]; then
  command -v pulseaudio >/dev/null || { echo "sound_server.sh: pulseaudio is not installed" >&2; exit 1; }
  setsid pulseaudio -n --daemonize=no --exit-idle-time=-1 --system=false \
    --load="module-null-sink sink_name=out" --load="module-native-protocol-unix" \
    >"$rt/pulseaudio.log" 2>&1 </dev/null & echo $! >"$rt/pulseaudio.pid"
else
  for c in pipewire wireplumber pipewire-pulse dbus-daemon; do
    command -v $c >/dev/null || { echo "sound_server.sh: $c is not installed" >&2; exit 1; }
  done
  export PIPEWIRE_RUNTIME_DIR="$rt"
  mkdir -p "$rt/config/pipewire/pipewire.conf.d"
  cat >"$rt/config/pipewire/pipewire.conf.d/50-null-sink.conf" <<'CONF'
context.objects = [
  { factory = adapter
    args = { factory.name = support.null-audio-sink  node.name = "out"  media.class = "Audio/Sink"
             audio.position = [ FL FR ]  audio.rate = 48000  object.linger = true
             priority.driver = 1000  priority.session = 1000 } }
]
CONF
  dbus-daemon --session --fork --address="unix:path=$rt/bus" --print-pid=3 3>"$rt/dbus.pid" >/dev/null
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$rt/bus"
  setsid pipewire >"$rt/pipewire.log" 2>&1 </dev/null & echo $! >"$rt/pipewire.pid"
  for _ in $(seq 50); do [ -S "$rt/pipewire-0" ] && break; sleep 0.1; done
  setsid wireplumber >"$rt/wireplumber.log" 2>&1 </dev/null & echo $! >"$rt/wireplumber.pid"
  setsid pipewire-pulse >"$rt/pipewire-pulse.log" 2>&1 </dev/null & echo $! >"$rt/pipewire-pulse.pid"
fi
for _ in $(seq 100); do pactl info 2>/dev/null | grep -q '^Default Sink: out$' && break; sleep 0.1; done
if ! pactl info 2>/dev/null | grep -q '^Default Sink: out$'; then
  echo "sound_server.sh: the $kind sink did not come up" >&2
  cat "$rt"/*.log >&2 2>/dev/null || true
  "$0" stop "$rt"; exit 1
fi
echo "$rt"
