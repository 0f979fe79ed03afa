#!/usr/bin/env bash
# The Python example against the offscreen demo, both on a session bus of their own.
#   run-script-example.sh PLOTVANE_DEMO SCRIPT
# Exits 77 (skipped) when dbus-run-session or Python's D-Bus module is missing.
set -euo pipefail
demo="$1"
script="$2"
python=/usr/bin/python3

if ! command -v dbus-run-session >/dev/null; then
  echo "skipped: dbus-run-session is not installed (scripts/install-deps installs dbus)"
  exit 77
fi
if ! "$python" -c 'import dbus, dbus.mainloop.glib; from gi.repository import GLib' 2>/dev/null; then
  echo "skipped: Python's D-Bus module is not installed (python3-dbus, python3-gi)"
  exit 77
fi

if [ "${1:-}" != "--inside" ]; then
  exec dbus-run-session -- "$0" --inside "$demo" "$script"
fi
demo="$2"
script="$3"
name=org.plotvane.ExampleTest

QT_QPA_PLATFORM=offscreen "$demo" --offscreen --serve --points 401 --rate 10 --bus-name "$name" &
demo_pid=$!
trap 'kill "$demo_pid" 2>/dev/null || true; wait "$demo_pid" 2>/dev/null || true' EXIT

# The demo is up once its name is on the bus.
for _ in $(seq 1 300); do
  if "$python" -c "import dbus, sys; sys.exit(0 if dbus.SessionBus().name_has_owner('$name') else 1)" 2>/dev/null; then
    break
  fi
  kill -0 "$demo_pid" 2>/dev/null || { echo "the demo stopped before it served"; exit 1; }
  sleep 0.1
done

output=$("$python" "$script" --service "$name" --timeout 20)
echo "$output"
for expected in "diagram 0:" "trace " "S21: 401 points" "stored S21 script (401 points)" "marker " "sweep ended: trace id"; do
  if ! grep -qF "$expected" <<<"$output"; then
    echo "missing from the example's output: $expected"
    exit 1
  fi
done
# Still serving after the script went away.
kill -0 "$demo_pid"
