#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Lumaxis main window.
#
# By default a virtual control card (lumaxis-vcard) runs beside it and is
# listed as serial port COM1, so the tool has a card to connect to without a
# sign; the card stops when the application exits. Its log of the requests
# it received is build/vcard.log.
#
#   ./scripts/run.sh           with the virtual card
#   ./scripts/run.sh --real    without it, against the signs on this computer's ports
#
# Other arguments go to lumaxis.
set -euo pipefail
cd "$(dirname "$0")/.."

real=0
args=()
for a in "$@"; do
  if [ "$a" = "--real" ]; then real=1; else args+=("$a"); fi
done

./scripts/build.sh

if [ "$real" -eq 1 ]; then
  exec ./build/src/lumaxis "${args[@]}"
fi

log=build/vcard.log
fifo_dir=$(mktemp -d)
trap 'rm -rf "$fifo_dir"' EXIT
mkfifo "$fifo_dir/out"
./build/src/lumaxis-vcard --baud 57600 >"$fifo_dir/out" 2>&1 &
card_pid=$!
stop_card() {
  kill "$card_pid" 2>/dev/null || true
  wait "$card_pid" 2>/dev/null || true
  rm -rf "$fifo_dir"
}
trap stop_card EXIT

# The first line the card prints is its device path; the rest is its log.
exec 3<"$fifo_dir/out"
if ! read -r -t 10 device <&3; then
  echo "run.sh: the virtual card did not start" >&2
  exit 1
fi
cat <&3 >"$log" &
echo "Virtual control card on $device, listed as COM1 (log: $log)"

export LUMAXIS_EXTRA_PORTS="COM1=$device${LUMAXIS_EXTRA_PORTS:+:$LUMAXIS_EXTRA_PORTS}"
./build/src/lumaxis "${args[@]}" &
app_pid=$!
# Ctrl+C or a TERM for this script ends the application first, then the card.
trap 'kill "$app_pid" 2>/dev/null || true' INT TERM
status=0
wait "$app_pid" || status=$?
while kill -0 "$app_pid" 2>/dev/null; do
  wait "$app_pid" || status=$?
done
exit "$status"
