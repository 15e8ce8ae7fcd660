# A private sound server with a virtual microphone, in a runtime directory of its own, so the
# user's own sound server is never touched: PulseAudio, or PipeWire serving the PulseAudio
# protocol through pipewire-pulse, as most desktops now run. Sourced by scripts/test,
# scripts/demo and the bench runners.
#
#   start_private_sound_server [pulseaudio|pipewire]     (pulseaudio unless told)
#   stop_private_sound_server
#
# After start_private_sound_server:
# - XDG_RUNTIME_DIR and PULSE_SERVER point at the private server. Whatever is played into its
#   sink "virt" (paplay --device=virt) is what its default source records: virt.monitor under
#   PulseAudio; under PipeWire, whose session manager refuses a monitor as the default source,
#   the remap source "mic" over virt.monitor.
# - AGENT_TEST_SOUND_SERVER says which server runs (pulseaudio or pipewire), for the tests that
#   depend on one server's own behaviour. The agent itself reads no such variable.
# - PulseAudio only: PRIVATE_PULSE_REFUSING_SERVER is a second address of the same server that
#   only lets in clients with its cookie, and PRIVATE_PULSE_STRANGER_COOKIE a cookie it refuses
#   (PULSE_COOKIE): what a client that the server refuses for lack of access sees.
#
# A low-latency listener on virt.monitor runs for the server's whole life: an idle null sink
# renders up to about 2 s of silence ahead while no client asks it for low latency, and what is
# played next reaches the monitor that much later. With the listener the sink renders in 10 ms
# steps, as a real microphone delivers, and timings measure the agent, not the virtual device.

start_private_sound_server() {
  local kind="${1:-pulseaudio}"
  PRIVATE_SOUND_SERVER_DIR=$(mktemp -d /tmp/dictation-agent-sound.XXXXXX)
  PRIVATE_SOUND_SERVER_PIDS=()
  export XDG_RUNTIME_DIR="$PRIVATE_SOUND_SERVER_DIR"
  export PULSE_SERVER="unix:$PRIVATE_SOUND_SERVER_DIR/pulse/native"
  export AGENT_TEST_SOUND_SERVER="$kind"
  unset PULSE_SOURCE PULSE_SINK PULSE_COOKIE PIPEWIRE_RUNTIME_DIR PIPEWIRE_REMOTE
  case "$kind" in
    pulseaudio) start_private_pulseaudio && open_refusing_door ;;
    pipewire) start_private_pipewire ;;
    *)
      echo "Unknown sound server \"$kind\": pulseaudio or pipewire" >&2
      return 1
      ;;
  esac || { stop_private_sound_server && return 1; }
  start_monitor_listener
}

# Logs to show when the server does not come up.
show_private_server_logs() {
  local log
  for log in "$PRIVATE_SOUND_SERVER_DIR"/*.log; do
    [ -s "$log" ] || continue
    echo "--- $(basename "$log")" >&2
    tail -n 20 "$log" >&2
  done
}

# Waits up to 5 s until the private server answers the PulseAudio protocol.
wait_for_pulse_protocol() {
  local tries
  for tries in $(seq 50); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "The private $AGENT_TEST_SOUND_SERVER server did not start; its logs:" >&2
  show_private_server_logs
  return 1
}

start_private_pulseaudio() {
  # The server's own configuration and cookie live in the private directory too.
  XDG_CONFIG_HOME="$PRIVATE_SOUND_SERVER_DIR/config" pulseaudio --daemonize=yes \
    --exit-idle-time=-1 --disallow-exit -n --load="module-null-sink sink_name=virt" \
    --load="module-native-protocol-unix" \
    --log-target=file:"$PRIVATE_SOUND_SERVER_DIR/pulseaudio.log" </dev/null >/dev/null 2>&1 || true
  wait_for_pulse_protocol || return 1
  PRIVATE_SOUND_SERVER_PIDS+=("$(cat "$PRIVATE_SOUND_SERVER_DIR/pulse/pid")")
}

# Starts a program of the private server in the background, with its output in a log.
start_server_process() {
  local name="$1"
  shift
  "$@" </dev/null >"$PRIVATE_SOUND_SERVER_DIR/$name.log" 2>&1 &
  PRIVATE_SOUND_SERVER_PIDS+=("$!")
}

# Waits up to 5 s for a socket to appear.
wait_for_socket() {
  local tries
  for tries in $(seq 50); do
    [ -S "$1" ] && return 0
    sleep 0.1
  done
  echo "$1 did not appear; the private server's logs:" >&2
  show_private_server_logs
  return 1
}

# pipewire, its session manager wireplumber and pipewire-pulse, with a session bus of their own
# (wireplumber needs one; nothing else here does, so the bus is given to these three only).
# Their configuration and state live in the private directory, whatever the user's own are.
start_private_pipewire() {
  local dir="$PRIVATE_SOUND_SERVER_DIR"
  local bus="unix:path=$dir/bus"
  # dbus-daemon may warn that it cannot raise its file limit: harmless.
  start_server_process dbus-daemon dbus-daemon --session --nofork --nopidfile --address="$bus"
  wait_for_socket "$dir/bus" || return 1
  local environment=(env DBUS_SESSION_BUS_ADDRESS="$bus" HOME="$dir" XDG_CONFIG_HOME="$dir/config"
    XDG_STATE_HOME="$dir/state" XDG_DATA_HOME="$dir/data")
  start_server_process pipewire "${environment[@]}" pipewire
  wait_for_socket "$dir/pipewire-0" || return 1
  start_server_process wireplumber "${environment[@]}" wireplumber
  start_server_process pipewire-pulse "${environment[@]}" pipewire-pulse
  wait_for_pulse_protocol || return 1
  pactl load-module module-null-sink sink_name=virt >/dev/null &&
    pactl load-module module-remap-source master=virt.monitor source_name=mic >/dev/null || {
    echo "The private PipeWire server did not create the virtual microphone." >&2
    show_private_server_logs
    return 1
  }
  # The session manager takes the new source in a moment after it appears.
  local tries
  for tries in $(seq 50); do
    pactl set-default-source mic >/dev/null 2>&1 &&
      [ "$(pactl get-default-source 2>/dev/null)" = mic ] && return 0
    sleep 0.1
  done
  echo "The private PipeWire server did not take \"mic\" as its default source." >&2
  show_private_server_logs
  return 1
}

# Clients of the same user are always let in through the unix socket, so the refusing door is a
# TCP one on the loopback interface, on the first free port found.
open_refusing_door() {
  local dir="$PRIVATE_SOUND_SERVER_DIR"
  head -c 256 /dev/urandom >"$dir/server-cookie"
  head -c 256 /dev/urandom >"$dir/stranger-cookie"
  local port tries
  for tries in $(seq 20); do
    port=$((20000 + RANDOM % 30000))
    if pactl load-module module-native-protocol-tcp listen=127.0.0.1 port="$port" \
      auth-anonymous=0 auth-cookie="$dir/server-cookie" >/dev/null 2>&1; then
      export PRIVATE_PULSE_REFUSING_SERVER="tcp:127.0.0.1:$port"
      export PRIVATE_PULSE_STRANGER_COOKIE="$dir/stranger-cookie"
      return 0
    fi
  done
  echo "The private PulseAudio server found no free port for its refusing door." >&2
  return 1
}

start_monitor_listener() {
  parec --latency-msec=10 -d virt.monitor </dev/null >/dev/null \
    2>"$PRIVATE_SOUND_SERVER_DIR/listener.log" &
  PRIVATE_SOUND_SERVER_PIDS+=("$!")
  # What the sink rendered ahead before the listener came is still to be drained (up to 2 s
  # under PulseAudio; PipeWire's graph runs on a timer and never renders ahead).
  local tries ahead
  for tries in $(seq 40); do
    kill -0 "${PRIVATE_SOUND_SERVER_PIDS[-1]}" 2>/dev/null || break
    ahead=$(pactl list sinks | sed -n 's/^\s*Latency: \([0-9]*\) usec.*/\1/p' | head -n 1)
    [ -n "$ahead" ] && [ "$ahead" -lt 50000 ] && return 0
    sleep 0.1
  done
  echo "The listener on virt.monitor did not start or the sink still renders ${ahead:-?} us" \
    "ahead; the private server's logs:" >&2
  show_private_server_logs
  stop_private_sound_server
  return 1
}

# Stops what start_private_sound_server started, by pid, the last started first.
stop_private_sound_server() {
  [ -n "${PRIVATE_SOUND_SERVER_DIR:-}" ] || return 0
  local i pid
  for ((i = ${#PRIVATE_SOUND_SERVER_PIDS[@]} - 1; i >= 0; i--)); do
    pid="${PRIVATE_SOUND_SERVER_PIDS[i]}"
    kill "$pid" 2>/dev/null || true
    # Our own background jobs are reaped here; the daemonized PulseAudio is not ours to wait for.
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$PRIVATE_SOUND_SERVER_DIR"
  PRIVATE_SOUND_SERVER_DIR=
  PRIVATE_SOUND_SERVER_PIDS=()
  unset PRIVATE_PULSE_REFUSING_SERVER PRIVATE_PULSE_STRANGER_COOKIE AGENT_TEST_SOUND_SERVER
}
