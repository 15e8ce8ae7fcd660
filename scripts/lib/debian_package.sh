# The Debian package, as a user gets it: built with CPack from a configured build tree, installed
# with apt-get, then asked for its status and given a short dictation through the private
# sound server, from PATH. Sourced by scripts/test.
#
#   check_debian_package BUILD_DIR     needs root to install; without it, only builds and lists

check_debian_package() {
  local build=$1
  echo "=== Debian package ==="
  rm -f "$build"/dictation-agent_*.deb
  (cd "$build" && cpack -G DEB >cpack.log 2>&1) || {
    cat "$build/cpack.log" >&2
    return 1
  }
  local debs=("$build"/dictation-agent_*.deb)
  local deb
  deb=$(realpath "${debs[0]}")
  echo "Built $deb"
  echo "Depends: $(dpkg-deb --field "$deb" Depends)"
  local contents file
  contents=$(dpkg-deb --contents "$deb")
  for file in ./usr/bin/dictation-agent ./usr/share/man/man1/dictation-agent.1.gz \
    ./usr/share/dictation-agent/models/README ./usr/share/doc/dictation-agent/protocol.md \
    ./usr/share/doc/dictation-agent/events.schema.json; do
    grep -q " $file\$" <<<"$contents" || {
      echo "The package lacks $file" >&2
      return 1
    }
  done
  if [ "$(id -u)" -ne 0 ]; then
    echo "Not root: the package is built but not installed (apt-get install $deb)"
    return 0
  fi

  local installed_before=false
  dpkg-query -W -f='${Status}' dictation-agent 2>/dev/null | grep -q 'install ok installed' &&
    installed_before=true
  DEBIAN_FRONTEND=noninteractive apt-get install -y -o DPkg::Lock::Timeout=300 "$deb" \
    </dev/null >"$build/apt-install.log" 2>&1 || {
    cat "$build/apt-install.log" >&2
    return 1
  }
  local result=0
  check_installed_agent "$build" || result=1
  if ! $installed_before; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -o DPkg::Lock::Timeout=300 dictation-agent \
      </dev/null >/dev/null 2>&1
  fi
  return $result
}

# The installed agent, found on PATH: --status for en-US, then a dictation of a spoken sentence,
# every line checked against the event schema.
check_installed_agent() {
  local build=$1
  local schema=docs/events.schema.json
  local work
  work=$(mktemp -d /tmp/dictation-agent-package.XXXXXX)
  [ "$(command -v dictation-agent)" = /usr/bin/dictation-agent ] || {
    echo "dictation-agent on PATH is $(command -v dictation-agent), not the package's" >&2
    return 1
  }
  [ -f /usr/share/man/man1/dictation-agent.1.gz ] || {
    echo "The man page is not installed" >&2
    return 1
  }

  dictation-agent --status en-US >"$work/status" </dev/null
  cat "$work/status"
  python3 tests/schema/event_lines.py "$schema" "$work/status" &&
    grep -q '"available":true' "$work/status" || {
    echo "The installed agent does not find its English model" >&2
    return 1
  }

  coproc PACKAGED_AGENT { exec dictation-agent en-US 2>"$work/stderr"; }
  local agent_pid=$PACKAGED_AGENT_PID
  local events control
  exec {events}<&"${PACKAGED_AGENT[0]}" {control}>&"${PACKAGED_AGENT[1]}"
  local line heard=false
  while IFS= read -r -t 60 line <&"$events"; do
    echo "$line" >>"$work/events"
    [[ $line == *'"type":"listening"'* ]] && break
  done
  paplay --device=virt "$build/tests/e2e/speech/weather_slt.wav"
  # Recognition may lag behind the audio on a busy machine: stop once the last word is in, or
  # after 15 s without it.
  local deadline=$((SECONDS + 15))
  while ! $heard && ((SECONDS < deadline)) && IFS= read -r -t 15 line <&"$events"; do
    echo "$line" >>"$work/events"
    [[ $line == *'"type":"transcript"'*walk* ]] && heard=true
  done
  echo stop >&"$control"
  while IFS= read -r -t 60 line <&"$events"; do
    echo "$line" >>"$work/events"
  done
  exec {control}>&- {events}<&-
  wait "$agent_pid" || true
  local last
  last=$(tail -n 1 "$work/events")
  echo "$last"
  local result=0
  python3 tests/schema/event_lines.py "$schema" "$work/events" || result=1
  [[ $last == *'"type":"final"'* && $last == *'weather is nice today'* ]] || {
    echo "The installed agent did not dictate the sentence" >&2
    result=1
  }
  [ ! -s "$work/stderr" ] || {
    echo "The installed agent wrote to standard error:" >&2
    cat "$work/stderr" >&2
    result=1
  }
  rm -rf "$work"
  return $result
}
