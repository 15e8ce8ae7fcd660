# A private PulseAudio server with a virtual microphone, in a runtime directory of its own, so
# the user's own sound server is never touched. Sourced by scripts/test and scripts/demo.
#
# After start_private_pulse: XDG_RUNTIME_DIR and PULSE_SERVER point at the private server, whose
# default source is virt.monitor; whatever is played into the sink "virt" is what it records.
# PRIVATE_PULSE_REFUSING_SERVER is a second address of the same server that only lets in clients
# with its cookie, and PRIVATE_PULSE_STRANGER_COOKIE a cookie it refuses (PULSE_COOKIE): what a
# client that the server refuses for lack of access sees.

start_private_pulse() {
  PRIVATE_PULSE_DIR=$(mktemp -d /tmp/dictation-agent-pulse.XXXXXX)
  export XDG_RUNTIME_DIR="$PRIVATE_PULSE_DIR"
  export PULSE_SERVER="unix:$PRIVATE_PULSE_DIR/pulse/native"
  unset PULSE_SOURCE PULSE_SINK PULSE_COOKIE
  # The server's own configuration and cookie live in the private directory too.
  XDG_CONFIG_HOME="$PRIVATE_PULSE_DIR/config" pulseaudio --daemonize=yes --exit-idle-time=-1 \
    --disallow-exit -n --load="module-null-sink sink_name=virt" \
    --load="module-native-protocol-unix" \
    --log-target=file:"$PRIVATE_PULSE_DIR/pulseaudio.log" >/dev/null 2>&1 || true
  local tries
  for tries in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  if ! pactl info >/dev/null 2>&1; then
    echo "The private PulseAudio server did not start; its log:" >&2
    cat "$PRIVATE_PULSE_DIR/pulseaudio.log" >&2 2>/dev/null || true
    return 1
  fi
  open_refusing_door
}

# Clients of the same user are always let in through the unix socket, so the refusing door is a
# TCP one on the loopback interface, on the first free port found.
open_refusing_door() {
  head -c 256 /dev/urandom >"$PRIVATE_PULSE_DIR/server-cookie"
  head -c 256 /dev/urandom >"$PRIVATE_PULSE_DIR/stranger-cookie"
  local port tries
  for tries in $(seq 20); do
    port=$((20000 + RANDOM % 30000))
    if pactl load-module module-native-protocol-tcp listen=127.0.0.1 port="$port" \
      auth-anonymous=0 auth-cookie="$PRIVATE_PULSE_DIR/server-cookie" >/dev/null 2>&1; then
      export PRIVATE_PULSE_REFUSING_SERVER="tcp:127.0.0.1:$port"
      export PRIVATE_PULSE_STRANGER_COOKIE="$PRIVATE_PULSE_DIR/stranger-cookie"
      return 0
    fi
  done
  echo "The private PulseAudio server found no free port for its refusing door." >&2
  return 1
}

stop_private_pulse() {
  [ -n "${PRIVATE_PULSE_DIR:-}" ] || return 0
  local pid_file="$PRIVATE_PULSE_DIR/pulse/pid"
  if [ -f "$pid_file" ]; then
    kill "$(cat "$pid_file")" 2>/dev/null || true
  fi
  rm -rf "$PRIVATE_PULSE_DIR"
  PRIVATE_PULSE_DIR=
  unset PRIVATE_PULSE_REFUSING_SERVER PRIVATE_PULSE_STRANGER_COOKIE
}
