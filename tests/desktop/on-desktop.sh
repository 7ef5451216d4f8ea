#!/usr/bin/env bash
# Runs one command on a private X desktop of its own: an Xvfb server on a free
# display and the openbox window manager, both stopped when the command ends.
# Window tests run this way, so focus, activation and message boxes behave
# as on a clerk's desktop; each test program gets its own desktop, so tests
# running side by side never take the focus from each other.
#   on-desktop.sh COMMAND [ARG...]
# CORVALE_TEST_SCREEN sets the screen (default 1280x1024x24), e.g. a shop's
# low 1366x768x24.
set -u

for tool in Xvfb openbox xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "on-desktop.sh: $tool is missing; run scripts/install-deps.sh" >&2
    exit 2
  fi
done

work=$(mktemp -d)
xvfb_pid=
wm_pid=
stop() {
  # Only the two servers this script started are ever signalled.
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 "${CORVALE_TEST_SCREEN:-1280x1024x24}" -nolisten tcp -noreset \
  3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$work/display" ]; then
  echo "on-desktop.sh: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 2
fi
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is in charge once it has set its check window on the root.
for _ in $(seq 1 200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  kill -0 "$wm_pid" 2>/dev/null || break
  sleep 0.05
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  echo "on-desktop.sh: openbox did not start:" >&2
  cat "$work/openbox.log" >&2
  exit 2
fi

export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$@"
