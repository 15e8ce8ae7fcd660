# A private PulseAudio server with a virtual microphone, in a runtime directory of its own, so
# the user's own sound server is never touched. Sourced by scripts/test and scripts/demo.
#
# After start_private_pulse: XDG_RUNTIME_DIR and PULSE_SERVER point at the private server, whose
# default source is virt.monitor; whatever is played into the sink "virt" is what it records.

start_private_pulse() {
  PRIVATE_PULSE_DIR=$(mktemp -d /tmp/dictation-agent-pulse.XXXXXX)
  export XDG_RUNTIME_DIR="$PRIVATE_PULSE_DIR"
  export PULSE_SERVER="unix:$PRIVATE_PULSE_DIR/pulse/native"
  unset PULSE_SOURCE PULSE_SINK
  pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit -n \
    --load="module-null-sink sink_name=virt" --load="module-native-protocol-unix" \
    --log-target=file:"$PRIVATE_PULSE_DIR/pulseaudio.log" >/dev/null 2>&1 || true
  local tries
  for tries in $(seq 50); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "The private PulseAudio server did not start; its log:" >&2
  cat "$PRIVATE_PULSE_DIR/pulseaudio.log" >&2 2>/dev/null || true
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
}
