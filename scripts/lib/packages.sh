# Debian packages the build, the tests, the demo and the benches need: the second-last line is
# the private PipeWire server the tests also run against (dbus for its session bus), the last
# the bare pocketsphinx decoder and the recorded speech the long-dictation bench compares with,
# and strace, which marks the start-up steps for bench/run_startup_steps.
# Sourced by scripts/test, scripts/demo and the bench runners.
AGENT_PACKAGES=(
  cmake g++ make pkg-config clang clang-format libclang-rt-dev
  nlohmann-json3-dev libutf8proc-dev libasio-dev libgtest-dev libgmock-dev libbenchmark-dev
  libpulse-dev libpocketsphinx-dev libsphinxbase-dev pocketsphinx-en-us libsoxr-dev libseccomp-dev
  pulseaudio pulseaudio-utils flite sox
  python3-jsonschema nodejs dpkg-dev
  pipewire pipewire-bin pipewire-pulse wireplumber dbus
  pocketsphinx pocketsphinx-testdata strace
)

# Installs whichever of them is missing (as root, with apt-get); otherwise says what is missing.
ensure_packages() {
  local missing=()
  local package
  for package in "${AGENT_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y --no-install-recommends "${missing[@]}" </dev/null ||
      { apt-get update </dev/null && apt-get install -y --no-install-recommends "${missing[@]}" </dev/null; }
  else
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    return 1
  fi
}
